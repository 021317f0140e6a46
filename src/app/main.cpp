// The program's entry: the application, its long-lived windows in their fixed order, the loop.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ronvalo 2.2");
    QMainWindow window;
    window.setWindowTitle("Ronvalo 2.2");
    window.show();
    return app.exec();
}

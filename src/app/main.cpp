// The program's entry: the application, its long-lived objects in their fixed order, the loop.
#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"
#include "platform/files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    ronvalo::Program program(QString::fromStdString(platform::executableFolder()));
    program.frGlowna->show();
    return app.exec();
}

// The program's entry: the application, its long-lived objects in their fixed order, the loop.
#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"
#include "platform/files.h"

#include "common/legacy_fonts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    // Message boxes and menus in the windows' face too, never the machine's default.
    QApplication::setFont(ronvalo::windowFont());
    ronvalo::Program program(QString::fromStdString(ronvalo::platform::executableFolder()));
    program.frGlowna().show();
    return app.exec();
}

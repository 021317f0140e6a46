// The program's entry: the application, its long-lived objects in their fixed order, the loop.
#include <QApplication>
#include <QTranslator>

#include "app/main_window.h"
#include "app/program.h"
#include "app/program_icon.h"
#include "app/qt_polish.h"
#include "common/base_folder.h"
#include "common/legacy_fonts.h"
#include "platform/files.h"
#include "platform/installation.h"

int main(int argc, char** argv) {
    ronvalo::platform::shareNewFilesAsInstalled(); // before the first log line creates a file
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    // The standard dialogs (files, printing, message boxes' buttons) speak Polish too.
    QTranslator qtPolish;
    ronvalo::installQtPolish(qtPolish);
    QApplication::setWindowIcon(ronvalo::programIcon());
    QApplication::setDesktopFileName("pl.kerbis.ronvalo"); // the menu entry the windows belong to
    // Message boxes and menus in the windows' face too, never the machine's default.
    QApplication::setFont(ronvalo::windowFont());
    // A copied folder keeps its data beside the executable; an installed program finds it where
    // the installation says, never in a folder that operators could put code in.
    const std::string baseFolder = ronvalo::chooseBaseFolder(
        ronvalo::platform::executableFolder(), ronvalo::platform::installedDataFolder());
    ronvalo::Program program(QString::fromStdString(baseFolder));
    program.frGlowna().show();
    return app.exec();
}

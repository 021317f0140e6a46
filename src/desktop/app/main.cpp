// The program's entry: the application, its long-lived objects in their fixed order, the loop.
#include <QApplication>
#include <QTranslator>

#include "core/common/base_folder.h"
#include "core/common/legacy_fonts.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/app/program_icon.h"
#include "desktop/app/qt_polish.h"
#include "desktop/common/qt_dialogs.h"
#include "platform/files.h"
#include "platform/installation.h"

int main(int argc, char** argv) {
    ronvalo::platform::shareNewFilesAsInstalled(); // before the first log line creates a file
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    const ronvalo::QtDialogs boxes; // the message boxes of every window, for the whole run
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

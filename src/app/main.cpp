// The program's entry: the application, its long-lived objects in their fixed order, the loop.
#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"
#include "app/program_icon.h"
#include "common/legacy_fonts.h"
#include "platform/files.h"

namespace {

// The packaged program's folder and hive are shared by the members of its group.
#ifdef RONVALO_SHARED_BY_GROUP
constexpr bool sharedByGroup = true;
#else
constexpr bool sharedByGroup = false;
#endif

} // namespace

int main(int argc, char** argv) {
    if constexpr (sharedByGroup)
        ronvalo::platform::shareNewFilesWithGroup(); // before the first log line creates a file
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    QApplication::setWindowIcon(ronvalo::programIcon());
    QApplication::setDesktopFileName("pl.kerbis.ronvalo"); // the menu entry the windows belong to
    // Message boxes and menus in the windows' face too, never the machine's default.
    QApplication::setFont(ronvalo::windowFont());
    ronvalo::Program program(QString::fromStdString(ronvalo::platform::executableFolder()));
    program.frGlowna().show();
    return app.exec();
}

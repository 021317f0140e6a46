// The captions of the program's windows and boxes as the X server holds them for a window
// manager (_NET_WM_NAME): each window's own caption, nothing appended.
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/store/schema.h"
#include "desktop/app/about_window.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/browse/punch_browser.h"
#include "desktop/import/summary_dialog.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// The window's _NET_WM_NAME, read from the X server by another client.
QString shownCaption(QWidget& window) {
    const WId id = window.winId();
    QGuiApplication::sync(); // the caption has reached the server
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8"); // the text as UTF-8 rather than octal escapes
    xprop.setProcessEnvironment(environment);
    xprop.start("xprop", {"-id", QString::number(id), "-notype", "_NET_WM_NAME"});
    EXPECT_TRUE(xprop.waitForFinished(10000) && xprop.exitCode() == 0)
        << xprop.readAllStandardError().toStdString();
    // _NET_WM_NAME = "caption"
    const QString answer = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype quote = answer.indexOf('"');
    return quote < 0 || !answer.endsWith('"') ? answer : answer.mid(quote + 1).chopped(1);
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

TEST(WindowCaptions, EveryWindowCarriesItsOwnCaptionAlone) {
    if (!onX11())
        GTEST_SKIP() << "needs an X server: QT_QPA_PLATFORM=xcb under xvfb-run";
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    TestDialogs dialogs;
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
    Program program(folder.base());
    guarded([&] { program.frGlowna().FormShow(); })();

    const struct {
        QWidget* window;
        QString caption;
    } windows[] = {
        {&program.frGlowna(), "Ronvalo 2.2"},          {&program.frOdbicia(), "Odbicia"},
        {&program.frInfo(), "Informacje o programie"}, {&program.frOdbior(), "Odbiór danych"},
        {&program.frDialog(), "Błąd transmisji"},      {&program.frUdaloDlg(), "Dane wprowadzone"},
    };
    for (const auto& w : windows) {
        w.window->show();
        EXPECT_EQ(shownCaption(*w.window), w.caption);
        w.window->hide();
    }
}

TEST(WindowCaptions, MessageBoxesCarryTheProgramsNameConfirmationsConfirm) {
    if (!onX11())
        GTEST_SKIP() << "needs an X server: QT_QPA_PLATFORM=xcb under xvfb-run";
    const struct {
        std::function<void()> show;
        QString caption;
    } boxes[] = {
        {[] { Dialogs::current().notice("Uwaga"); }, "Ronvalo 2.2"},
        {[] { Dialogs::current().error("Błąd"); }, "Ronvalo 2.2"},
        {[] { Dialogs::current().confirm("Tak?"); }, "Confirm"},
    };
    QObject context;
    for (const auto& box : boxes) {
        QString seen;
        QTimer::singleShot(0, &context, [&seen] {
            QWidget* shown = QApplication::activeModalWidget();
            ASSERT_NE(shown, nullptr);
            seen = shownCaption(*shown);
            shown->close();
        });
        box.show();
        EXPECT_EQ(seen, box.caption);
    }
}

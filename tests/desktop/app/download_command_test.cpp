// The "Odbior" command shows the download dialog over the program's own buffers and log.
#include "core/link/comm_port_driver.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/error_handler.h"
#include "core/store/schema.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ronvalo;
using namespace ronvalo::test;

TEST(DownloadCommand, ShowsTheDialogOnTheSelectedPortAndKeepsTheAgreedTransmission) {
    TempFolder folder;
    PseudoTerminal pty;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};
    const QDateTime moment(QDate(2024, 3, 9), QTime(10, 0, 0));
    FakeClock clock{moment};
    TestDialogs dialogs;
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
    Program program(folder.base());
    guarded([&] { program.frGlowna().FormShow(); })(); // the first start selects COM1
    ASSERT_EQ(program.frGlowna().SelectedPort(), 1);

    TfrOdbior& dialog = program.frOdbior();
    EXPECT_EQ(dialog.parent(), &program.frGlowna());
    EXPECT_EQ(program.frDialog().parent(), &program.frGlowna());
    dialog.Timeout1->setInterval(250);
    const QByteArray dump = "*-*-*-*-*-*-*-\r\n##7##\r\n";
    bool shown = false;
    QTimer::singleShot(0, &dialog, [&] {
        shown = dialog.isVisible();
        ASSERT_TRUE(pty.send(dump));
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PassNumber() == 2; }, 5000));
        ASSERT_TRUE(pty.send(dump));
    });
    program.frGlowna().acOdbior->trigger();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(program.frGlowna().Memo1.text(), dump);
    EXPECT_EQ(program.frGlowna().TransferDate, moment);
    const QString log = fromCp1250(readFileBytes(folder.file("serwis.log")));
    EXPECT_TRUE(log.contains("  Otwarcie prortu\r\n"));
    EXPECT_TRUE(log.contains("  Transfer OK\r\n"));
}

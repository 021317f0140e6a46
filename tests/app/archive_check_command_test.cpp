// The menu item "Sprawdź archiwum odczytów": the check runs over the program's tables, its window
// opens modally with the result, and the service log records the check.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/cp1250.h"
#include "rounds/archive_check_window.h"
#include "running_program.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(ArchiveCheckCommand, OpensItsWindowOverTheTablesAndLogs) {
    RunningProgram running;
    // The window opens once the check is done; timers fire while it runs as well.
    bool opened = false;
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* window = qobject_cast<ArchiveCheckWindow*>(QApplication::activeModalWidget());
        if (!window)
            return;
        look.stop();
        opened = true;
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Sprawdź archiwum odczytów"));
        // A new installation: nothing archived, nothing amiss.
        EXPECT_EQ(window->grid->rowCount(), 0);
        EXPECT_EQ(window->lbPodsumowanie->text(), archiveCheckSummary(window->result()));
        window->reject();
    });
    look.start();
    running.main().acSprawdzArchiwum->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(running.dialogs.texts(TestDialogs::Shown::Error), QStringList());
    EXPECT_TRUE(fromCp1250(readFileBytes(running.folder.file("serwis.log")))
                    .contains(QString::fromUtf8("  Sprawdzenie archiwum odczytów\r\n")));
}

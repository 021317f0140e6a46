// The silence that ends a transmission is never shorter than the silence timer's interval.
#include "core/link/receive_buffer.h"
#include "desktop/link/download_dialog.h"

#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace ronvalo;
using namespace ronvalo::test;

TEST(Silence, AnEarlyTickWaitsOutTheRestOfTheInterval) {
    constexpr int silence = 300;
    PseudoTerminal pty;
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};
    TestDialogs dialogs;
    ReceiveBuffer memo1, memo2;
    QDateTime transferDate;
    TfrOdbior dialog{{memo1, memo2, [] { return quint8(1); }, [](const QString&) {}, transferDate,
                      [] { return 2; }}};
    dialog.Timeout1->setInterval(silence);

    QTimer::singleShot(0, &dialog, [&] {
        ASSERT_TRUE(pty.send("*-*-*-*-*-*-*-\r\n"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !memo1.text().isEmpty(); }, 5000));
        QElapsedTimer sinceChunk;
        sinceChunk.start();
        // Ticks that come too soon, as a coarse timer may deliver them, end nothing.
        for (const int early : {0, silence / 2, silence - 20}) {
            QTest::qWait(std::max(0, early - int(sinceChunk.elapsed())));
            dialog.Timeout1Timer();
            EXPECT_EQ(dialog.PassNumber(), 1) << early;
            EXPECT_TRUE(dialog.Timeout1->isActive());
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PassNumber() == 2; }, 5000));
        // The next chunk waits the whole interval again, not the remainder just waited.
        EXPECT_EQ(dialog.Timeout1->interval(), silence);
        dialog.BitBtn1->click();
    });
    dialog.exec();
    EXPECT_EQ(memo1.text(), "*-*-*-*-*-*-*-\r\n");
}

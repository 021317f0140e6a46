// The download dialog driven through a pseudo-terminal: two transmissions, compared.
#include "core/link/comm_port_driver.h"
#include "core/link/receive_buffer.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"

#include "core/common/clock.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QDateTime Moment(QDate(2024, 3, 9), QTime(10, 20, 30));
// Short enough to keep the suite quick, long enough that one write never looks like two.
constexpr int TestSilence = 250;

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QString PressTransfer =
    QStringLiteral("Proszę nacisnąć przycisk TRANSFER w przyrządzie VERURU");
const QString PressTransferAgain =
    QStringLiteral("Proszę ponownie nacisnąć przycisk TRANSFER w przyrządzie VERURU");
const QString Opened = QStringLiteral("Otwarcie prortu");
const QString TransferOk = QStringLiteral("Transfer OK");
const QString CountsDiffer = QStringLiteral("Niezogodna ilosc linii");
const QString GaveUp = QStringLiteral("Niezgodnosc transmisji - poniechano powtorzenia");
const QString Repeat = QStringLiteral("Niezgodnosc transmisji - powtorzenie");
const QString Cancelled = QStringLiteral("Anulowanie transmisji");

QByteArray sampleDump() {
    QFile file(QStringLiteral(RONVALO_TEST_DATA "/veruru_sample_dump.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The sample dump with its clock line (line 2) replaced.
QByteArray withClock(const QByteArray& clock) {
    QList<QByteArray> lines = sampleDump().split('\n');
    lines[2] = clock + '\r';
    return lines.join('\n');
}

QColor colourOf(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// A download dialog on COM1, a fresh pseudo-terminal; COM2 to COM5 name nothing that exists.
struct DownloadDialogTest : ::testing::Test {
    PseudoTerminal pty;
    TempFolder folder;
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};
    ScopedEnv com2{"RONVALO_COM2", folder.file("COM2").toLocal8Bit()};
    ScopedEnv com3{"RONVALO_COM3", folder.file("COM3").toLocal8Bit()};
    ScopedEnv com4{"RONVALO_COM4", folder.file("COM4").toLocal8Bit()};
    ScopedEnv com5{"RONVALO_COM5", folder.file("COM5").toLocal8Bit()};
    TestDialogs dialogs;
    FakeClock clock{Moment};

    ReceiveBuffer memo1, memo2;
    quint8 port = 1;
    QStringList log;
    QDateTime transferDate;
    TfrDialog frDialog;
    int questions = 0;
    // How each retry question is answered, in order, from inside the question's own loop.
    std::deque<std::function<void()>> answers;
    TfrOdbior dialog{{memo1, memo2, [this] { return port; },
                      [this](const QString& line) { log << line; }, transferDate,
                      [this] { return askRetry(); }}};

    void SetUp() override { dialog.Timeout1->setInterval(TestSilence); }

    std::function<void()> click(QPushButton* button) {
        return [button] { button->click(); };
    }
    std::function<void()> closeBox() {
        return [this] { frDialog.close(); };
    }
    int askRetry() {
        ++questions;
        std::function<void()> answer = closeBox();
        if (!answers.empty()) {
            answer = std::move(answers.front());
            answers.pop_front();
        }
        QTimer::singleShot(20, &frDialog, answer);
        return frDialog.exec();
    }

    // Shows the dialog modally and runs the script inside it; the dialog's result.
    int run(const std::function<void()>& script) {
        QTimer::singleShot(0, &dialog, script);
        return dialog.exec();
    }
    void send(const QByteArray& bytes) { ASSERT_TRUE(pty.send(bytes)); }
    // One transmission, then the silence that ends pass 1.
    void sendFirst(const QByteArray& bytes) {
        send(bytes);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PassNumber() == 2; }, 5000));
    }
    // The second transmission, then the silence that ends the comparison (and its question).
    void sendSecond(const QByteArray& bytes) {
        const int asked = questions;
        send(bytes);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !dialog.isVisible() || (questions > asked && !dialog.IsAskingRetry()); },
            5000));
    }
};

} // namespace

TEST_F(DownloadDialogTest, ComparesTwoTransmissionsAndEndsOrAsks) {
    const QByteArray dump = withClock("04-04-26 08:15");
    struct Case {
        const char* what;
        QByteArray first, second;
        int result;
        QStringList log;
    };
    const Case cases[] = {
        {"clock line differs", dump, withClock("04-04-26 08:16"), 1, {Opened, TransferOk}},
        {"CR LF at the end of one only", dump, dump.chopped(2), 1, {Opened, TransferOk}},
        {"one line more", dump, dump + "#5 01:10\r\n", 2, {Opened, CountsDiffer, GaveUp}},
        {"a punch differs", dump, QByteArray(dump).replace("#12 ", "#13 "), 2, {Opened, GaveUp}},
        {"differs after a zero byte",
         dump + QByteArray("x\0y", 3),
         dump + QByteArray("x\0z", 3),
         2,
         {Opened, GaveUp}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        questions = 0;
        transferDate = {};
        answers = {click(frDialog.BitBtn2)};
        const int result = run([&] {
            sendFirst(c.first);
            sendSecond(c.second);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(questions, c.result == 1 ? 0 : 1);
        EXPECT_EQ(transferDate, c.result == 1 ? Moment : QDateTime());
        EXPECT_EQ(memo1.text(), c.first); // kept for the import, or as it was after giving up
        EXPECT_EQ(memo2.text(), c.second);
        EXPECT_FALSE(dialog.Comm1->IsPortOpen());
        EXPECT_FALSE(dialog.Timeout1->isActive());
    }
}

TEST_F(DownloadDialogTest, RetryEmptiesBothBuffersAndStartsAgainFromPassOne) {
    const QByteArray dump = sampleDump();
    answers = {click(frDialog.BitBtn1)};
    const int result = run([&] {
        sendFirst(dump);
        EXPECT_EQ(dialog.Label1->text(), PressTransferAgain);
        EXPECT_EQ(colourOf(dialog.Label1), Red);
        sendSecond(dump.left(60));
        EXPECT_EQ(questions, 1);
        EXPECT_EQ(dialog.PassNumber(), 1);
        EXPECT_TRUE(memo1.text().isEmpty());
        EXPECT_TRUE(memo2.text().isEmpty());
        EXPECT_EQ(dialog.Label1->text(), PressTransfer);
        EXPECT_EQ(colourOf(dialog.Label1), Green);
        EXPECT_EQ(dialog.ProgressBar1->value(), 100);
        EXPECT_FALSE(dialog.Timeout1->isActive());
        EXPECT_TRUE(dialog.Comm1->IsPortOpen());
        sendFirst(dump);
        sendSecond(dump);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log, QStringList({Opened, CountsDiffer, Repeat, TransferOk}));
    EXPECT_EQ(memo1.text(), dump);
    EXPECT_EQ(transferDate, Moment);
}

TEST_F(DownloadDialogTest, TheQuestionGivesUpOnItsCancelButtonEscAndCloseBox) {
    const QByteArray dump = sampleDump();
    const std::function<void()> ways[] = {
        click(frDialog.BitBtn2),
        [this] { QTest::keyClick(&frDialog, Qt::Key_Escape); },
        closeBox(),
    };
    for (const auto& way : ways) {
        log.clear();
        answers = {way};
        EXPECT_EQ(run([&] {
                      sendFirst(dump);
                      sendSecond(dump + "x");
                  }),
                  2);
        EXPECT_EQ(log, QStringList({Opened, CountsDiffer, GaveUp}));
    }
}

TEST_F(DownloadDialogTest, APauseInsideATransmissionEndsItThere) {
    const QByteArray dump = sampleDump();
    const QByteArray head = dump.left(70), tail = dump.mid(70);
    answers = {click(frDialog.BitBtn2)};
    const int result = run([&] {
        sendFirst(head);
        sendSecond(tail);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(memo1.text(), head);
    EXPECT_EQ(memo2.text(), tail);
    EXPECT_EQ(log, QStringList({Opened, CountsDiffer, GaveUp}));
}

TEST_F(DownloadDialogTest, DataWhileTheQuestionIsOpenIsDroppedAndAsksNothing) {
    const QByteArray dump = sampleDump();
    QByteArray secondSeen;
    // Holds the question open while another transmission and its silence pass, then retries.
    answers = {[&] {
        secondSeen = memo2.text();
        send(dump);
        QTest::qWait(3 * TestSilence);
        EXPECT_EQ(memo2.text(), secondSeen);
        EXPECT_FALSE(dialog.Timeout1->isActive());
        frDialog.BitBtn1->click();
    }};
    const int result = run([&] {
        sendFirst(dump);
        sendSecond(dump + "x");
        EXPECT_EQ(dialog.PassNumber(), 1);
        EXPECT_TRUE(memo1.text().isEmpty());
        dialog.BitBtn1->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(secondSeen, dump + "x");
    EXPECT_EQ(log, QStringList({Opened, CountsDiffer, Repeat, Cancelled}));
}

TEST_F(DownloadDialogTest, CancelLogsTheCloseBoxDoesNotBothCloseThePort) {
    struct Case {
        const char* what;
        std::function<void(TfrOdbior&)> end;
        QStringList log;
    };
    const Case cases[] = {
        {"button", [](TfrOdbior& d) { d.BitBtn1->click(); }, {Opened, Cancelled}},
        {"Esc", [](TfrOdbior& d) { QTest::keyClick(&d, Qt::Key_Escape); }, {Opened, Cancelled}},
        {"close box", [](TfrOdbior& d) { d.close(); }, {Opened}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const int result = run([&] {
            send("*-*-*-"); // in the middle of a transmission, the silence timer running
            ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Timeout1->isActive(); }, 5000));
            c.end(dialog);
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(log, c.log);
        EXPECT_FALSE(dialog.Comm1->IsPortOpen());
        EXPECT_FALSE(dialog.Timeout1->isActive());
        TCommPortDriver other; // the port is free for the next opener
        other.setPort(pnCOM1);
        EXPECT_TRUE(other.OpenPort());
    }
}

TEST_F(DownloadDialogTest, APortThatCannotBeOpenedIsReportedAndKeepsTheBuffers) {
    port = 3;
    memo1.append("previous");
    const int result = run([&] {
        EXPECT_EQ(dialog.Label1->text(), "Nie można otworzyć wybranego portu.");
        EXPECT_EQ(colourOf(dialog.Label1), Red);
        EXPECT_EQ(dialog.RxLabel1->text(), "COM3");
        dialog.BitBtn1->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
              QStringList("Nie można otworzyć wybranego portu. Sprawdź czy nie korzysta z niego "
                          "inna aplikacja."));
    EXPECT_EQ(log, QStringList({"Blad otwarcia portu", Cancelled}));
    EXPECT_EQ(memo1.text(), "previous");
    EXPECT_EQ(dialog.PassNumber(), 0);
}

TEST_F(DownloadDialogTest, ProgressMovesByTheByteCountAndFallsBackAtAHundred) {
    struct Step {
        int before;
        quint32 bytes;
        int after;
    };
    const Step steps[] = {{40, 48, 88}, {88, 48, 0}, {100, 1, 0}, {0, 99, 99}, {0, 2048, 0}};
    const QByteArray chunk(2048, 'x');
    for (const Step& s : steps) {
        dialog.ProgressBar1->setValue(s.before);
        dialog.Comm1ReceiveData(dialog.Comm1, chunk.constData(), s.bytes);
        EXPECT_EQ(dialog.ProgressBar1->value(), s.after) << s.before << " + " << s.bytes;
    }
    EXPECT_TRUE(memo1.text().isEmpty()); // no download started: pass 0 keeps nothing
}

TEST_F(DownloadDialogTest, PortZeroLeavesTheNameAndTheLabelAsTheyWere) {
    EXPECT_EQ(dialog.Comm1->PortName(), "\\\\.\\COM2");
    EXPECT_EQ(dialog.RxLabel1->text(), "COM");
    struct Step {
        quint8 port;
        QString name, label;
    };
    const Step steps[] = {
        {0, "\\\\.\\COM2", "COM"},  {4, "\\\\.\\COM4", "COM4"}, {0, "\\\\.\\COM4", "COM4"},
        {5, "\\\\.\\COM5", "COM4"}, {1, "\\\\.\\COM1", "COM1"},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(dialog.OpenComPort(s.port), s.port == 1) << int(s.port);
        EXPECT_EQ(dialog.Comm1->PortName(), s.name) << int(s.port);
        EXPECT_EQ(dialog.RxLabel1->text(), s.label) << int(s.port);
    }
    dialog.Comm1->ClosePort();
}

TEST_F(DownloadDialogTest, ASecondShowingAfterASuccessStartsEmptyInPassOne) {
    const QByteArray dump = sampleDump();
    ASSERT_EQ(run([&] {
                  sendFirst(dump);
                  sendSecond(dump);
              }),
              1);
    ASSERT_FALSE(memo1.text().isEmpty());
    const int result = run([&] {
        EXPECT_TRUE(memo1.text().isEmpty());
        EXPECT_TRUE(memo2.text().isEmpty());
        EXPECT_EQ(dialog.PassNumber(), 1);
        EXPECT_EQ(dialog.Label1->text(), PressTransfer);
        EXPECT_EQ(colourOf(dialog.Label1), Green);
        sendFirst(dump);
        EXPECT_EQ(memo1.text(), dump);
        dialog.BitBtn1->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(log, QStringList({Opened, TransferOk, Opened, Cancelled}));
}

TEST_F(DownloadDialogTest, AnOverflowingTransmissionGetsTheRetryQuestion) {
    memo1 = ReceiveBuffer(100);
    memo2 = ReceiveBuffer(100);
    const QByteArray dump = sampleDump(); // longer than the bound: both keep the same 100 bytes
    answers = {click(frDialog.BitBtn2)};
    const int result = run([&] {
        sendFirst(dump);
        sendSecond(dump);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(memo1.overflowed());
    EXPECT_LE(memo1.heldBytes(), 100);
    EXPECT_EQ(log, QStringList({Opened, GaveUp}));
}

// The instrument simulator at 9600 baud's pace and the dialog's own one-second silence.
TEST(DownloadDialog, AcceptsTheSimulatorsTwoTransmissionsWithTheRealSilence) {
    EXPECT_GE(ReceiveBuffer::defaultCapacity, 4 * 1024 * 1024);
    TempFolder folder;
    const QString link = folder.file("port");
    ScopedEnv com1{"RONVALO_COM1", link.toLocal8Bit()};
    QProcess simulator;
    simulator.start(QStringLiteral(RONVALO_BIN_DIR "/veruru-sim"),
                    {"--auto", "2", "--corrupt-line", "2:2", "--link", link,
                     QStringLiteral(RONVALO_TEST_DATA "/veruru_sample_dump.txt")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(link).isSymLink(); }, 5000));

    TestDialogs dialogs;
    FakeClock clock{Moment};
    ReceiveBuffer memo1, memo2;
    QStringList log;
    QDateTime transferDate;
    int questions = 0;
    TfrOdbior dialog{{memo1, memo2, [] { return quint8(1); },
                      [&](const QString& line) { log << line; }, transferDate,
                      [&] {
                          ++questions;
                          return 2;
                      }}};
    EXPECT_EQ(dialog.Timeout1->interval(), 1000);
    QTimer::singleShot(20000, &dialog, [&] { dialog.close(); }); // never hang the suite
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(log, QStringList({Opened, TransferOk}));
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(memo1.text(), sampleDump());
    EXPECT_EQ(memo2.count(), memo1.count());
    EXPECT_NE(memo2.line(2), memo1.line(2));
    EXPECT_EQ(transferDate, Moment);
    EXPECT_TRUE(simulator.waitForFinished(5000));
}

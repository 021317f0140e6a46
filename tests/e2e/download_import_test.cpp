// End to end: the instrument's dump sent twice through a pseudo-terminal, the real download
// dialog and import, then the tables, txt/ and serwis.log read as any other tool would.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/error_handler.h"
#include "core/store/schema.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/import/summary_dialog.h"
#include "desktop/link/download_dialog.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// Rows of one table file, read through a connection of its own.
QStringList tableRows(const QString& file, const QString& sql) {
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(sql));
        while (query.next()) {
            QStringList fields;
            for (int i = 0; query.value(i).isValid(); ++i)
                fields << query.value(i).toString();
            rows << fields.join('|');
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// The program over a fresh installation; COM1 is set by each kind of line below.
struct Installation : ::testing::Test {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2004, 4, 26), QTime(9, 30, 0))};
    TestDialogs dialogs;
    std::unique_ptr<Program> program;
    QByteArray dump = readFileBytes(QStringLiteral(RONVALO_TEST_DATA "/veruru_sample_dump.txt"));

    void SetUp() override {
        ASSERT_FALSE(dump.isEmpty());
        ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
        program = std::make_unique<Program>(folder.base());
        guarded([&] { program->frGlowna().FormShow(); })();
        ASSERT_EQ(program->frGlowna().SelectedPort(), 1);
    }

    // Runs "Odbior": has the instrument send its first transmission and, once the dialog waits
    // for it, the second; closes the summary dialog when it comes. True when that was shown.
    bool download(const std::function<void()>& sendFirst, const std::function<void()>& sendSecond) {
        TfrOdbior& dialog = program->frOdbior();
        bool summaryShown = false;
        QTimer::singleShot(0, &dialog, [&] {
            sendFirst();
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.PassNumber() == 2; }, 5000));
            sendSecond();
        });
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (program->frUdaloDlg().isVisible()) {
                summaryShown = true;
                program->frUdaloDlg().accept();
            }
        });
        closer.start(50);
        program->frGlowna().acOdbior->trigger();
        return summaryShown;
    }
    QStringList logMessages() const {
        QStringList messages;
        for (const QString& line :
             fromCp1250(readFileBytes(folder.file("serwis.log"))).split("\r\n", Qt::SkipEmptyParts))
            messages << line.section("  ", 1);
        return messages;
    }
};

// The instrument at the far end of a pseudo-terminal this test holds.
struct EndToEnd : Installation {
    PseudoTerminal pty;
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};

    // Sends `first` and then `second` as the instrument would, at its pace.
    bool download(const QByteArray& first, const QByteArray& second) {
        return Installation::download([&] { sendPaced(first); }, [&] { sendPaced(second); });
    }
    void sendPaced(const QByteArray& bytes) {
        for (qsizetype at = 0; at < bytes.size(); at += 48) {
            ASSERT_TRUE(pty.send(bytes.mid(at, 48)));
            QTest::qWait(50);
        }
    }
};

// A serial bridge: socat joins two pseudo-terminals, keeping both slaves open itself; the
// simulator plays the instrument on one, the program reads the other as COM1.
struct Bridged : Installation {
    QString port = folder.file("ttyV0");
    QString instrumentEnd = folder.file("ttyV1");
    ScopedEnv com1{"RONVALO_COM1", port.toLocal8Bit()};
    QProcess socat;
    QProcess instrument;

    void SetUp() override {
        const QString socatProgram = QStandardPaths::findExecutable("socat");
        ASSERT_FALSE(socatProgram.isEmpty()) << "socat is missing: make deps installs it";
        socat.start(socatProgram,
                    {"pty,raw,echo=0,link=" + port, "pty,raw,echo=0,link=" + instrumentEnd});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QFileInfo::exists(port) && QFileInfo::exists(instrumentEnd); }, 5000));
        instrument.start(QStringLiteral(RONVALO_BIN_DIR "/veruru-sim"),
                         {"--device", instrumentEnd, RONVALO_TEST_DATA "/veruru_sample_dump.txt"});
        ASSERT_TRUE(instrument.waitForReadyRead(5000)) << "it names its line when ready";
        Installation::SetUp();
    }
    void TearDown() override {
        for (QProcess* process : {&instrument, &socat}) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished();
        }
    }
    // One press of TRANSFER; the dump goes at the instrument's own pace.
    void transfer() { instrument.write("\n"); }
};

} // namespace

TEST_F(EndToEnd, AgreedDownloadIsStoredFiledAndLoggedThenRefusedWhenRepeated) {
    QByteArray secondClock = dump;
    secondClock.replace("04-04-26 08:15", "04-04-26 08:16"); // the clock line may differ
    ASSERT_TRUE(download(dump, secondClock));

    const QStringList punches = tableRows(folder.file("db/Odbicia.db"),
                                          "SELECT Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM "
                                          "Odbicia ORDER BY Data, Czas, AutoNr");
    ASSERT_EQ(punches.size(), 7);
    EXPECT_EQ(punches.first(), "2004-04-26|08:15:00|171|00012345|1");
    EXPECT_EQ(punches.last(), "2004-04-27|01:00:00|1|00012345|1");
    EXPECT_EQ(tableRows(folder.file("db/Czytniki.db"), "SELECT NrCzytnika FROM Czytniki"),
              QStringList({"00012345"}));
    EXPECT_EQ(tableRows(folder.file("db/NrOdc.DB"), "SELECT Nrodczytu, Data FROM NrOdc"),
              QStringList({"1|2004-04-26 09:30:00"}));
    const QByteArray filed = readFileBytes(folder.file("txt/00012345"));
    EXPECT_EQ(filed, dump.mid(dump.indexOf("- - - - - - - ")));
    EXPECT_TRUE(logMessages().contains("Transfer OK"));
    EXPECT_EQ(logMessages().last(),
              "26.04.2004  26.04.2004  Odbicia wprowadzono do bazy danych. (00012345)");

    // The same records again, at another moment of the instrument's clock: refused.
    ASSERT_FALSE(download(secondClock, secondClock));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).last(),
              QStringLiteral("Te dane były już prawidłowo odczytane z tego czytnika!"));
    EXPECT_EQ(logMessages().last(),
              QStringLiteral("Te dane były już prawidłowo odczytane z tego czytnika! (00012345)"));
    EXPECT_EQ(tableRows(folder.file("db/Odbicia.db"), "SELECT COUNT(*) FROM Odbicia"),
              QStringList({"7"}));
}

TEST_F(EndToEnd, BadLineInTheDumpStoresNothing) {
    QByteArray broken = dump;
    broken.replace("#13 08:47", "#13 08:7x");
    ASSERT_FALSE(download(broken, broken));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).last(), "Blad wprowadzania danych. Kod 7 ");
    EXPECT_EQ(logMessages().last(), "Blad wprowadzania danych. Kod 7  (00012345)");
    EXPECT_EQ(tableRows(folder.file("db/Odbicia.db"), "SELECT COUNT(*) FROM Odbicia"),
              QStringList({"0"}));
    EXPECT_EQ(tableRows(folder.file("db/NrOdc.DB"), "SELECT COUNT(*) FROM NrOdc"),
              QStringList({"0"}));
    EXPECT_FALSE(QFile::exists(folder.file("txt/00012345")));

    ASSERT_TRUE(download(dump, dump)); // once the cause is gone, every punch is stored once
    EXPECT_EQ(tableRows(folder.file("db/Odbicia.db"), "SELECT COUNT(*) FROM Odbicia"),
              QStringList({"7"}));
}

TEST_F(Bridged, ADownloadThroughTheBridgeIsStoredAnotherProgramOnItsPortIsRefused) {
    ASSERT_TRUE(download([&] { transfer(); }, [&] { transfer(); }));
    EXPECT_EQ(tableRows(folder.file("db/Odbicia.db"), "SELECT COUNT(*) FROM Odbicia"),
              QStringList({"7"}));
    EXPECT_TRUE(logMessages().contains("Transfer OK"));

    QProcess holder; // a terminal program on the same port
    holder.setStandardInputFile(port);
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    TfrOdbior& dialog = program->frOdbior();
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Nie można otworzyć wybranego portu."));
        dialog.BitBtn1->click();
    });
    program->frGlowna().acOdbior->trigger();
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).last(),
              QStringLiteral("Nie można otworzyć wybranego portu. Sprawdź czy nie korzysta z "
                             "niego inna aplikacja."));
    EXPECT_TRUE(logMessages().contains("Blad otwarcia portu"));
}

// End to end: the instrument's dump sent twice through a pseudo-terminal, the real download
// dialog and import, then the tables, txt/ and serwis.log read as any other tool would.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/program.h"
#include "common/clock.h"
#include "common/cp1250.h"
#include "common/error_handler.h"
#include "import/summary_dialog.h"
#include "link/download_dialog.h"
#include "store/schema.h"
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

struct EndToEnd : ::testing::Test {
    TempFolder folder;
    PseudoTerminal pty;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};
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

    // Runs "Odbior": sends `first` and then `second` as the instrument would, at its pace, and
    // closes the summary dialog when it comes. True when the summary dialog was shown.
    bool download(const QByteArray& first, const QByteArray& second) {
        TfrOdbior& dialog = program->frOdbior();
        bool summaryShown = false;
        QTimer::singleShot(0, &dialog, [&] {
            sendPaced(first);
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.PassNumber() == 2; }, 5000));
            sendPaced(second);
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
    void sendPaced(const QByteArray& bytes) {
        for (qsizetype at = 0; at < bytes.size(); at += 48) {
            ASSERT_TRUE(pty.send(bytes.mid(at, 48)));
            QTest::qWait(50);
        }
    }
    QStringList logMessages() const {
        QStringList messages;
        for (const QString& line :
             fromCp1250(readFileBytes(folder.file("serwis.log"))).split("\r\n", Qt::SkipEmptyParts))
            messages << line.section("  ", 1);
        return messages;
    }
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

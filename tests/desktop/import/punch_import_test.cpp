// The punch import over real tables and files: what one import stores, files and logs, how values
// carry over between imports, and that every failure shows its message and leaves all as before.
#include "core/import/punch_import.h"

#include <QDialog>
#include <QDir>
#include <QTimer>
#include <functional>

#include "core/common/exception.h"
#include "core/common/ole_date.h"
#include "core/import/transmission_file.h"
#include "core/store/archive_chain.h"
#include "import_fixture.h"
#include "platform/files.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QByteArray clockA = "24-03-05 14 27";
const QList<QByteArray> dataA{"-- 04-04-26",  "#171 08:15",  "#5 23:59",
                              "x other line", "-- 04-04-27", "#2147483647 00:00"};
const QString refused = QStringLiteral("Te dane były już prawidłowo odczytane z tego czytnika!");

// What the stored transmission file holds: the dump from its separator line on.
QByteArray filed(const QByteArray& dump) {
    return dump.mid(dump.indexOf("- - - - - - - "));
}

} // namespace

TEST_F(ImportTest, StoresEveryPunchFilesTheDumpAndLogsSuccess) {
    const QDateTime firstPunchMoment = firstMoment.addSecs(7);
    clock.set(firstPunchMoment); // the transfer was earlier; the download row takes "now"
    const QByteArray dump = makeDump("012", clockA, dataA);
    importDump(dump, firstMoment.addDays(1));

    const auto rows = punches();
    ASSERT_EQ(rows.size(), 3u);
    const struct {
        QDate date;
        QTime time;
        qint32 checkpoint;
    } expected[] = {{QDate(2004, 4, 26), QTime(8, 15), 171},
                    {QDate(2004, 4, 26), QTime(23, 59), 5},
                    {QDate(2004, 4, 27), QTime(0, 0), 2147483647}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Data, expected[i].date) << i;
        EXPECT_EQ(rows[i].Czas, expected[i].time) << i;
        EXPECT_EQ(rows[i].Nrwewpkt, expected[i].checkpoint) << i;
        EXPECT_EQ(rows[i].Nrczyt, "012") << i;
        EXPECT_EQ(rows[i].NrSczytania, 1) << i;
    }
    EXPECT_EQ(dm.readers(), QStringList{"012"});
    EXPECT_EQ(dm.downloads(), QList<qint32>{1});
    EXPECT_TRUE(snapshot().contains("D 1 2024-03-05 08:15:07\n"));

    EXPECT_EQ(txtFile("012"), filed(dump));
    EXPECT_EQ(Memo1.text(), filed(dump)); // the header lines are gone from the buffer
    EXPECT_EQ(summaryShown, 1);
    EXPECT_EQ(summary.Label2->text(), "5.03.2024");
    EXPECT_EQ(summary.Label3->text(), "6.03.2024");
    EXPECT_EQ(summary.Label4->text(), "26.04.2004");
    EXPECT_FALSE(summary.compact());
    EXPECT_TRUE(notices().isEmpty());
    EXPECT_EQ(log, QStringList{"5.03.2024  26.04.2004  Odbicia wprowadzono do bazy danych. (012)"});
}

// The archive row keeps the download as it came: the first transmission to the byte, the
// instrument number whole, the moment of transfer to the second and the instrument's clock, each
// row chained to the one before.
TEST_F(ImportTest, EachImportArchivesItsTransmissionChainedToTheLastRow) {
    const QByteArray instrument = "\xa5\xb9 012345678901";
    const QByteArray other = "x " + QByteArray(5000, '\xff') + QByteArray(1, '\0') + "z";
    const QByteArray first = makeDump(instrument, clockA, {"-- 04-04-26", "#171 08:15", other});
    const QByteArray second = makeDump("7", "24-03-05 25 61", {"#5 23:59"});
    const QDateTime transfer = firstMoment.addMSecs(61789);
    importDump(first, transfer);
    importDump(second, firstMoment.addDays(1));
    importDump(makeDump("8", clockA, {"no punches"}));
    ASSERT_TRUE(notices().isEmpty());

    const auto rows = archive();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].download, 1);
    EXPECT_EQ(rows[0].instrument, QString::fromUtf8("Ąą 012345678901"));
    EXPECT_EQ(rows[0].received, QDateTime(firstMoment.date(), QTime(8, 16, 1)));
    EXPECT_EQ(rows[0].instrumentClock, QDateTime(QDate(2024, 3, 5), QTime(14, 27)));
    EXPECT_EQ(rows[0].transmission, first);
    // The first download follows the archive's beginning, recorded when the tables were opened.
    ChainReader chain(dm, true);
    ChainRow beginning;
    ASSERT_TRUE(chain.next(beginning));
    EXPECT_EQ(beginning.kind(), beginningKind);
    EXPECT_EQ(rows[0].previous, beginning.digest);
    EXPECT_EQ(rows[0].digest, archiveDigest(rows[0]));

    EXPECT_EQ(rows[1].download, 2);
    EXPECT_EQ(rows[1].instrument, "7");
    EXPECT_FALSE(rows[1].instrumentClock); // hours 25, minutes 61: stored as NULL
    EXPECT_EQ(rows[1].transmission, second);
    EXPECT_EQ(rows[1].previous, rows[0].digest);
    EXPECT_EQ(rows[1].digest, archiveDigest(rows[1]));
    EXPECT_EQ(punches().back().Nrczyt, "7"); // the time's fields do not keep the punches out
}

// A damaged rounds' file is kept apart from the connection: the punches are stored all the same,
// without their archive row, and the service log says so once.
TEST_F(ImportTest, WithoutTheRoundsFileThePunchesAreStoredAndTheMissingRowLogged) {
    dm.tbOdbicia.Close();
    ASSERT_TRUE(writeFileBytes(folder.file("db/Obchody.db"), QByteArray(4096, 'x')));
    dm.openTables();
    importDump(makeDump("012", clockA, dataA));
    EXPECT_EQ(punches().size(), 3u);
    EXPECT_TRUE(notices().isEmpty());
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith("Odbicia wprowadzono do bazy danych. (012)"));
    EXPECT_TRUE(log[1].startsWith("Odczyt nr 1 nie został zapisany w archiwum odczytów: "
                                  "Nie można otworzyć pliku "))
        << log[1].toStdString();
    EXPECT_TRUE(log[1].endsWith(" (012)"));
    EXPECT_THROW(dm.roundsDatabase(), EDatabaseError);
}

TEST_F(ImportTest, OneDownloadNumberPerImportAndEachReaderRegisteredOnce) {
    importDump(makeDump("012", clockA, {"-- 24-03-01", "#1 10:00", "#2 10:05"}));
    importDump(makeDump("012", clockA, {"-- 24-03-02", "#3 10:00"}));
    importDump(makeDump("7", clockA, {"no punches"})); // no download row for it
    importDump(makeDump("7", clockA, {"#4 11:00"}));
    std::vector<std::pair<qint32, qint32>> got;
    for (const Punch& p : punches())
        got.emplace_back(p.Nrwewpkt, p.NrSczytania);
    EXPECT_EQ(got, (std::vector<std::pair<qint32, qint32>>{{1, 1}, {2, 1}, {3, 2}, {4, 3}}));
    EXPECT_EQ(dm.downloads(), (QList<qint32>{1, 2, 3}));
    EXPECT_EQ(dm.readers(), (QStringList{"012", "7"}));
    EXPECT_EQ(log.size(), 4);
    EXPECT_TRUE(notices().isEmpty());
}

TEST_F(ImportTest, SameRecordsAgainAreRefusedEvenWithAnotherClockLine) {
    importDump(makeDump("012", clockA, dataA));
    const QString before = snapshot();
    importDump(makeDump("012", "24-03-06 09 00", dataA));
    EXPECT_EQ(notices(), QStringList{refused});
    EXPECT_EQ(log.last(), refused + " (012)");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(summaryShown, 1);

    // One punch more is a new dump: imported in full, the earlier punches included.
    importDump(makeDump("012", clockA, dataA + QList<QByteArray>{"#9 01:00"}));
    EXPECT_EQ(punches().size(), 3u + 4u);
    EXPECT_EQ(notices().size(), 1);
}

TEST_F(ImportTest, DumpWithoutPunchesStoresNoRowsYetFilesShowsAndLogs) {
    const QByteArray dump = makeDump("012", clockA, {"-- 04-04-26", "", "- - - - - - - "});
    importDump(dump);
    EXPECT_TRUE(punches().empty());
    EXPECT_TRUE(dm.downloads().isEmpty());
    EXPECT_TRUE(dm.readers().isEmpty());
    EXPECT_TRUE(archive().empty());
    EXPECT_EQ(txtFile("012"), filed(dump));
    EXPECT_EQ(summaryShown, 1);
    EXPECT_EQ(log, QStringList{"5.03.2024  26.04.2004  Odbicia wprowadzono do bazy danych. (012)"});
}

TEST_F(ImportTest, FirstPunchDateComesOnlyFromLineFourAndCarriesOver) {
    // Line 4 is a punch: it has the zero date, and no first punch date was ever set.
    importDump(makeDump("1", clockA, {"#1 10:00", "-- 04-04-26", "#2 11:00"}));
    EXPECT_EQ(punches().at(0).Data, zeroDate());
    EXPECT_EQ(punches().at(1).Data, QDate(2004, 4, 26));
    EXPECT_EQ(summary.Label4->text(), "30.12.1899");
    EXPECT_TRUE(log.last().startsWith("5.03.2024  30.12.1899  "));

    importDump(makeDump("2", "99-12-31 00 00", {"-- 04-04-27", "#3 10:00"}));
    EXPECT_EQ(punchImport.firstPunchDate(), QDate(2004, 4, 27));
    importDump(makeDump("3", clockA, {"#4 10:00", "-- 04-05-01"}));
    EXPECT_EQ(punchImport.firstPunchDate(), QDate(2004, 4, 27));
    EXPECT_EQ(punchImport.instrumentDate(), QDate(2024, 3, 5));
    EXPECT_EQ(log.last(), "5.03.2024  27.04.2004  Odbicia wprowadzono do bazy danych. (3)");
}

TEST_F(ImportTest, InstrumentNumberIsCutInTheRowsButWholeInFileAndLog) {
    const struct {
        QByteArray instrument;
        QString row;      // Nrczyt and the reader table
        QString fileName; // in txt/
        QString logged;
    } cases[] = {
        {"12345678901", "1234567890", "12345678901", "(12345678901)"},
        {"../../db/Odbicia.db", "../../db/O",
         "%2E%2E%2F%2E%2E%2F%64%62%2FO%64%62%69%63%69%61%2E%64%62", "(../../db/Odbicia.db)"},
        {"\xa5\xb9 1", QString::fromUtf8("Ąą 1"), "%A5%B9%201", QString::fromUtf8("(Ąą 1)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instrument.toStdString());
        const int before = int(punches().size());
        importDump(makeDump(c.instrument, clockA, {"#1 10:00"}));
        ASSERT_EQ(int(punches().size()), before + 1);
        EXPECT_EQ(punches().back().Nrczyt, c.row);
        EXPECT_TRUE(dm.findReader(c.row));
        EXPECT_EQ(txtFile(c.fileName), "- - - - - - - \r\n#1 10:00\r\n");
        EXPECT_TRUE(log.last().endsWith(c.logged));
    }
    // Nothing was written outside txt/: the tables are the four files they were.
    EXPECT_EQ(QDir(folder.file("db")).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(QDir(folder.file("txt")).entryList(QDir::Files).size(), 3);
}

TEST_F(ImportTest, NumbersThatDifferOnlyInCaseOrAreVeryLongKeepTheirOwnFiles) {
    const QByteArray longNumber = QByteArray(300, 'k');
    for (const QByteArray& instrument :
         {QByteArray("AB"), QByteArray("ab"), longNumber, longNumber + "K", QByteArray("00123")})
        importDump(makeDump(instrument, clockA, {"#1 10:00"}));
    EXPECT_TRUE(notices().isEmpty());
    EXPECT_EQ(punches().size(), 5u);
    EXPECT_EQ(txtFile("00123"), "- - - - - - - \r\n#1 10:00\r\n"); // as older installations
    // Each is refused on its own repeat only.
    for (const QByteArray& instrument : {QByteArray("ab"), longNumber}) {
        dialogs.shown.clear();
        importDump(makeDump(instrument, clockA, {"#1 10:00"}));
        EXPECT_EQ(notices(), QStringList{refused});
    }
}

TEST(TransmissionFileName, DistinctEvenIgnoringCaseAndBounded) {
    const QByteArray longA = QByteArray(400, 'a');
    const struct {
        QByteArray instrument;
        QString name;
    } cases[] = {
        {"00123", "00123"}, {"AB-7_x", "AB-7_%78"}, {"CON", "CO%4E"},
        {"COM1", "COM%31"}, {"CONS", "CONS"},       {"%7E~", "%257E%7E"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(transmissionFileName(c.instrument), c.name) << c.instrument.toStdString();
    const QList<QByteArray> numbers{"AB",    "ab",  "Ab",        "%41",       "CON",
                                    "CO%4E", longA, longA + "a", longA + "A", QByteArray(400, 'A')};
    QStringList names;
    for (const QByteArray& number : numbers) {
        const QString name = transmissionFileName(number);
        EXPECT_LE(name.size(), maxTransmissionNameLength) << number.toStdString();
        EXPECT_FALSE(names.contains(name, Qt::CaseInsensitive)) << number.toStdString();
        names << name;
    }
}

TEST_F(ImportTest, EmptyInstrumentNumberHasItsOwnFileAndEmptyParentheses) {
    importDump(makeDump("", clockA, {"#1 10:00"}));
    importDump(makeDump("empty", clockA, {"#1 10:00"}));
    EXPECT_EQ(punches().at(0).Nrczyt, "");
    EXPECT_EQ(txtFile("%empty"), "- - - - - - - \r\n#1 10:00\r\n");
    EXPECT_TRUE(log.at(0).endsWith("Odbicia wprowadzono do bazy danych. ()"));
    // A second import of the same records from the instrument without number is refused.
    importDump(makeDump("", clockA, {"#1 10:00"}));
    EXPECT_EQ(notices(), QStringList{refused});
    EXPECT_EQ(log.last(), refused + " ()");
}

TEST_F(ImportTest, MissingTxtFolderIsCreated) {
    ASSERT_TRUE(QDir(folder.file("txt")).removeRecursively());
    importDump(makeDump("012", clockA, dataA));
    EXPECT_EQ(punches().size(), 3u);
    EXPECT_FALSE(txtFile("012").isEmpty());
    EXPECT_TRUE(notices().isEmpty());
}

TEST_F(ImportTest, EveryFailureShowsItsMessageLogsItAndStoresNothing) {
    importDump(makeDump("012", clockA, dataA)); // tables and txt/ are not empty
    QList<QByteArray> long5000 = manyPunches(5000);
    QList<QByteArray> badDate = long5000, badPunch = long5000, noBlank = long5000;
    badDate[3003] = "-- 24-02-30";
    badPunch[4500] = "#17 24:00";
    noBlank.last() = "#17";
    const QByteArray header = "*-*-*-*-*-*-*-\r\n##77##\r\n24-03-05 14 27\r\n";
    const struct {
        const char* what;
        QByteArray dump;
        QString message;
        QString instrument; // in the log's parentheses
    } cases[] = {
        {"empty buffer", "", "Format danych w linii 0 niezgodny z protokołem VERURU-PC", ""},
        {"start line with a blank", "*-*-*-*-*-*-*- \r\n##77##\r\n",
         "Format danych w linii 0 niezgodny z protokołem VERURU-PC", ""},
        {"instrument line", "*-*-*-*-*-*-*-\r\n#77##\r\n",
         "Format danych w linii 1 niezgodny z protokołem VERURU-PC", ""},
        {"clock month 13", makeDump("77", "24-13-05 14 27", {"#1 10:00"}),
         "Blad wprowadzania danych. Kod 2 ", "77"},
        {"clock field unread", makeDump("77", "24-03-05 1x 27", {"#1 10:00"}),
         "Blad wprowadzania danych. Kod 2 ", "77"},
        {"separator without its last blank", header + "- - - - - - -\r\n#1 10:00\r\n",
         "Format danych w linii 3 niezgodny z protokołem VERURU-PC", "77"},
        {"dump ends after the clock line", header,
         "Format danych w linii 3 niezgodny z protokołem VERURU-PC", "77"},
        {"30 February in a long dump", makeDump("77", clockA, badDate),
         "Blad wprowadzania danych. Kod 3007 ", "77"},
        {"hour 24 in a long dump", makeDump("77", clockA, badPunch),
         "Blad wprowadzania danych. Kod 4504 ", "77"},
        {"last punch without a blank", makeDump("77", clockA, noBlank),
         QStringLiteral("Blad wprowadzania danych. Kod %1 ").arg(long5000.size() + 3), "77"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString before = snapshot();
        const int shown = summaryShown;
        dialogs.shown.clear();
        importDump(c.dump);
        EXPECT_EQ(notices(), QStringList{c.message});
        EXPECT_EQ(log.last(), c.message + " (" + c.instrument + ")");
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(summaryShown, shown);
    }
    // The failed dumps are not on file: once sent right, every punch is stored once.
    const int before = int(punches().size());
    importDump(makeDump("77", clockA, long5000));
    EXPECT_EQ(int(punches().size()), before + 5000);
    EXPECT_EQ(dm.downloads(), (QList<qint32>{1, 2}));
}

TEST_F(ImportTest, AStoredFileThatCannotBeReplacedStoresNothingUntilItCan) {
    const std::string file = folder.file("txt/012").toStdString();
    const QByteArray more = makeDump("012", clockA, dataA + QList<QByteArray>{"#9 01:00"});
    const struct {
        const char* what;
        std::function<void()> block, unblock;
    } cases[] = {
        {"read-only file", [&] { ASSERT_FALSE(platform::setReadOnly(file, true).failed()); },
         [&] { ASSERT_FALSE(platform::setReadOnly(file, false).failed()); }},
        {"folder in its place",
         [&] {
             ASSERT_FALSE(platform::deleteFile(file).failed());
             ASSERT_FALSE(platform::createFolders(file).failed());
         },
         [&] { ASSERT_TRUE(QDir(QString::fromStdString(file)).removeRecursively()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        importDump(makeDump("012", clockA, dataA));
        c.block();
        const QString before = snapshot();
        dialogs.shown.clear();
        importDump(more);
        EXPECT_EQ(notices(), QStringList{"Blad wprowadzania danych. Kod I/O-2 "});
        EXPECT_EQ(log.last(), "Blad wprowadzania danych. Kod I/O-2  (012)");
        EXPECT_EQ(snapshot(), before);
        c.unblock();
        const std::size_t stored = punches().size();
        importDump(more);
        EXPECT_EQ(punches().size(), stored + 4u);
        EXPECT_EQ(txtFile("012"), filed(more));
    }
}

TEST_F(ImportTest, TablesClosedFailAtTheFirstPunchLine) {
    dm.tbNrOdc.Close();
    importDump(makeDump("012", clockA, {"-- 04-04-26", "other", "#1 10:00"}));
    EXPECT_EQ(notices(), QStringList{"Blad wprowadzania danych. Kod DB6 "});
    EXPECT_FALSE(QFile::exists(folder.file("txt/012")));
}

TEST_F(ImportTest, FailedLogWriteOfTheFailureLeavesTheImport) {
    PunchImport failingLog(folder.base(), dm,
                           [](const QString&) { throw EInOutError("Disk full", 112); });
    Memo1.append("garbage\r\n");
    EXPECT_THROW(failingLog.run(Memo1, Memo2, firstMoment), EInOutError);
    EXPECT_EQ(notices().size(), 1); // shown before the log line was attempted
}

TEST_F(ImportTest, AFailedSuccessLogLineLeavesTheImportWithThePunchesStored) {
    PunchImport failingLog(folder.base(), dm,
                           [](const QString&) { throw EInOutError("Disk full", 112); });
    Memo1.append(makeDump("012", clockA, dataA));
    EXPECT_THROW(failingLog.run(Memo1, Memo2, firstMoment), EInOutError);
    EXPECT_TRUE(notices().isEmpty()); // no import failure reported: the punches are in
    EXPECT_EQ(punches().size(), 3u);
    EXPECT_EQ(txtFile("012"), filed(makeDump("012", clockA, dataA)));
}

TEST_F(ImportTest, OdbiorImportsOnlyWhenTheDownloadDialogSaysOk) {
    QDialog frOdbior;
    QDateTime transfer;
    const QByteArray dump = makeDump("012", clockA, dataA);
    // The download dialog fills the buffers and the transfer date, then closes with `result`.
    auto download = [&](int result) {
        QTimer::singleShot(0, &frOdbior, [&, result] {
            Memo1.clear();
            Memo1.append(dump);
            transfer = firstMoment;
            frOdbior.done(result);
        });
        acOdbiorExecute(frOdbior, punchImport, Memo1, Memo2, [&] { return transfer; });
    };
    for (const int result : {0, 2, 3}) {
        download(result);
        EXPECT_EQ(Memo1.text(), dump) << result;
    }
    EXPECT_TRUE(punches().empty());
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(notices().isEmpty());
    EXPECT_EQ(summaryShown, 0);

    download(1);
    EXPECT_EQ(punches().size(), 3u);
    EXPECT_EQ(summary.Label3->text(), "5.03.2024"); // read after the dialog had set it
    EXPECT_TRUE(summary.compact());
}

// Tampering with an installation's files from outside, as someone with an SQLite tool would, one
// change per row, each found by ronvalo-verify (its line and exit status); and a digest printed
// earlier checked with --skrot.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <functional>
#include <gtest/gtest.h>

#include "core/proof/archive_fixture.h"
#include "core/store/archive_chain.h"
#include "core/store/rounds_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun verify(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-verify"), arguments);
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(),
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError())};
}

// The digest of the archive row of `download`.
QString digestOf(const ArchivedInstallation& installation, qint32 download) {
    TDM3 dm;
    installation.open(dm);
    auto next = readArchive(dm);
    ArchiveRow row;
    while (next(row))
        if (row.download == download)
            return row.digest;
    return {};
}

Plan morningPlan() {
    Plan plan;
    plan.name = "Obchód";
    plan.instrument = "00012345";
    plan.firstStart = QTime(8, 15);
    plan.lastStart = QTime(8, 15);
    plan.tolerance = 5;
    plan.duration = 15;
    plan.validFrom = QDate(2004, 4, 1);
    plan.steps = {{1, false}, {2, false}, {3, false}};
    return plan;
}

// Every row of the chain written again from its first row on, each digest taken anew after
// `change` changed the stored fields: a chain rewritten whole checks, and only a digest kept
// outside it tells.
void rewriteChain(const ArchivedInstallation& installation,
                  const std::function<void(ChainRow&)>& change) {
    TDM3 dm;
    installation.open(dm);
    std::vector<ChainRow> rows;
    {
        ChainReader reader(dm, true);
        ChainRow row;
        while (reader.next(row))
            rows.push_back(row);
    }
    Transaction transaction(dm);
    QString previous;
    for (ChainRow& row : rows) {
        change(row);
        row.previous = previous.isEmpty() ? StoredField() : StoredField(previous.toLatin1());
        row.digest = chainDigest(row);
        QSqlQuery update(dm.roundsDatabase());
        update.prepare(row.isDownload()
                           ? "UPDATE ob.Archiwum SET Tresc = ?, Poprzedni = ?, Skrot = ? "
                             "WHERE Nrodczytu = ?"
                           : "UPDATE ob.ArchiwumZmian SET Tresc = ?, Poprzedni = ?, Skrot = ? "
                             "WHERE Lp = ?");
        update.addBindValue(row.content());
        update.addBindValue(previous.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                               : QVariant(previous));
        update.addBindValue(row.digest);
        update.addBindValue(row.isDownload() ? row.place : row.lp);
        ASSERT_TRUE(update.exec());
        previous = row.digest;
    }
    transaction.commit();
}

// The punch table again without NOT NULL on NrSczytania, as someone who wants a NULL there makes
// it.
const QStringList nullableDownloadNumber{
    "ALTER TABLE Odbicia RENAME TO Alt",
    "CREATE TABLE Odbicia (AutoNr INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT NOT NULL, "
    "Czas TEXT NOT NULL, Nrwewpkt INTEGER NOT NULL, Nrczyt TEXT NOT NULL, NrSczytania INTEGER)",
    "INSERT INTO Odbicia SELECT * FROM Alt", "DROP TABLE Alt"};

const QString addedPunch = "INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                           "VALUES ('2004-04-27', '08:15:00', 1, '00012345', %1)";

// Four downloads as importFourDays() makes them (download n holds AutoNr 3n-2 to 3n, on
// 2004-04-26 + n - 1) but download 4's clock unknown, then a plan saved through the program.
struct Tampering {
    const char* change;
    std::function<void(ArchivedInstallation&)> make;
    int exitCode;
    const char* says;       // a line of the tool's output holds this
    bool pinSecond = false; // --skrot with the digest of download 2's row
};

TEST(ArchiveTamperingTest, EveryTamperingIsFoundByTheTool) {
    const auto on = [](const char* file, QStringList statements) {
        return [file, statements](ArchivedInstallation& installation) {
            installation.tamper(file, statements);
        };
    };
    const Tampering cases[] = {
        {"nothing changed", [](ArchivedInstallation&) {}, 0,
         "Archiwum odczytów nienaruszone: 4 odczyty"},
        {"nothing changed, the pinned digest checked", [](ArchivedInstallation&) {}, 0,
         "Archiwum odczytów nienaruszone: 4 odczyty", true},
        {"Obchody.db deleted",
         [](ArchivedInstallation& installation) {
             ASSERT_TRUE(QFile::remove(installation.db() + "Obchody.db"));
         },
         1, "Brak pliku "},
        {"the archive emptied", on("Obchody.db", {"DELETE FROM Archiwum"}), 1,
         "Odczyt nr 4: brak wiersza archiwum"},
        {"both archive tables emptied",
         on("Obchody.db", {"DELETE FROM Archiwum", "DELETE FROM ArchiwumZmian"}), 1,
         "Archiwum odczytów jest puste, a tabele zawierają odczyty"},
        {"the table of changes dropped", on("Obchody.db", {"DROP TABLE ArchiwumZmian"}), 1,
         "Archiwum odczytów nie ma początku"},
        {"a punch of download 3.5", on("Odbicia.db", {addedPunch.arg("3.5")}), 1,
         "NrSczytania 3.5 (liczba niecałkowita) nie jest numerem żadnego odczytu: 1 wiersz (od "
         "AutoNr 13)"},
        {"a punch of download 0", on("Odbicia.db", {addedPunch.arg("0")}), 1,
         "NrSczytania 0 nie jest numerem żadnego odczytu"},
        {"a punch of a download named by a text", on("Odbicia.db", {addedPunch.arg("'x2'")}), 1,
         "NrSczytania \"x2\" (tekst)"},
        {"a punch of download NULL",
         on("Odbicia.db", nullableDownloadNumber + QStringList{addedPunch.arg("NULL")}), 1,
         "NrSczytania NULL nie jest numerem"},
        {"two punches of a download no download has",
         on("Odbicia.db", {addedPunch.arg("99"), addedPunch.arg("99")}), 1,
         "NrSczytania 99 nie jest numerem żadnego odczytu: 2 wiersze (od AutoNr 13)"},
        {"a past plan's start time changed",
         on("Obchody.db", {"UPDATE Plany SET PierwszyStart = '07:15', OstatniStart = '07:15'"}), 1,
         "Plany obchodów zmieniono poza programem"},
        {"a step of a plan removed", on("Obchody.db", {"DELETE FROM KrokiPlanu WHERE Lp = 3"}), 1,
         "Plany obchodów zmieniono poza programem"},
        {"a checkpoint's name added", on("Obchody.db", {"INSERT INTO Punkty VALUES (7, 'X', 0)"}),
         1, "Nazwy punktów lub opisy czytników zmieniono poza programem"},
        {"the newest downloads deleted whole",
         [](ArchivedInstallation& installation) {
             installation.tamper("Odbicia.db", {"DELETE FROM Odbicia WHERE NrSczytania >= 3"});
             installation.tamper("NrOdc.DB", {"DELETE FROM NrOdc WHERE Nrodczytu >= 3"});
             installation.tamper("Obchody.db", {"DELETE FROM Archiwum WHERE Nrodczytu >= 3"});
         },
         1,
         "Usunięto najnowsze odczyty: tabela odczytów nadała już nr 4, a jej ostatni odczyt "
         "to nr 2"},
        {"an unknown clock made an empty text",
         on("Obchody.db", {"UPDATE Archiwum SET ZegarCzytnika = '' WHERE Nrodczytu = 4"}), 1,
         "Odczyt nr 4: skrót wiersza archiwum nie zgadza się z jego treścią"},
        {"an unknown clock made an unreadable one",
         on("Obchody.db", {"UPDATE Archiwum SET ZegarCzytnika = '25:99' WHERE Nrodczytu = 4"}), 1,
         "Odczyt nr 4: skrót wiersza archiwum nie zgadza się z jego treścią"},
        {"a punch row changed",
         on("Odbicia.db", {"UPDATE Odbicia SET Czas = '08:05:00' WHERE AutoNr = 7"}), 1,
         "Odczyt nr 3: wiersz zmieniony (AutoNr 7): odebrano 2004-04-28 08:15 pkt 1, w tabeli "
         "2004-04-28 08:05 pkt 1"},
        {"every punch of a download moved to another",
         [](ArchivedInstallation& installation) {
             QStringList statements;
             for (int copy = 0; copy < 2; ++copy)
                 statements << "INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                               "SELECT Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM Odbicia "
                               "WHERE NrSczytania = 2";
             statements << "UPDATE Odbicia SET NrSczytania = 1 WHERE NrSczytania = 2";
             installation.tamper("Odbicia.db", statements);
         },
         1,
         "Odczyt nr 1: odbicia niezgodne z odczytem: zmienione 0, brak 0, spoza odczytu 12 "
         "(odebrano 3, w tabeli 15), pierwszy wiersz: AutoNr 4\nOdczyt nr 2: odbicia "
         "niezgodne z odczytem: zmienione 0, brak 3, spoza odczytu 0 (odebrano 3, w tabeli "
         "0)\n"},
        {"--skrot: a row deleted after the pinned digest",
         on("Obchody.db", {"DELETE FROM Archiwum WHERE Nrodczytu = 3"}), 1,
         "po nim usunięto lub przestawiono wiersze łańcucha archiwum (przed wierszem: odczyt "
         "nr 4)",
         true},
        {"--skrot: the pinned digest's row and those after it deleted whole",
         [](ArchivedInstallation& installation) {
             installation.tamper("Odbicia.db", {"DELETE FROM Odbicia WHERE NrSczytania >= 2"});
             installation.tamper("NrOdc.DB", {"DELETE FROM NrOdc WHERE Nrodczytu >= 2",
                                              "DELETE FROM sqlite_sequence"});
             installation.tamper("Obchody.db", {"DELETE FROM Archiwum WHERE Nrodczytu >= 2"});
         },
         1, "nie występuje w łańcuchu archiwum", true},
        // A punch moved from 08:20 to 08:05 and its transmission with it, every digest taken
        // anew: the chain checks, the digest printed before is not in it.
        {"--skrot: the chain rewritten",
         [](ArchivedInstallation& installation) {
             installation.tamper("Odbicia.db",
                                 {"UPDATE Odbicia SET Czas = '08:05:00' WHERE AutoNr = 2"});
             rewriteChain(installation, [](ChainRow& row) {
                 if (row.isDownload() && row.place == 1)
                     row.fields[4]->replace("#2 08:20", "#2 08:05");
             });
         },
         1, "nie występuje w łańcuchu archiwum", true},
    };
    for (const Tampering& c : cases) {
        SCOPED_TRACE(c.change);
        ArchivedInstallation installation;
        for (int day = 0; day < 4; ++day)
            installation.import(dumpOf(day == 2 ? "000123456789" : "00012345",
                                       QDate(2004, 4, 26).addDays(day),
                                       {{"08:15", 1}, {"08:20", 2}, {"08:25", 3}}),
                                true, day == 3 ? std::nullopt : std::optional(QTime(7, 0)));
        {
            TDM3 dm;
            installation.open(dm);
            replacePlanPeriods(dm, {}, {morningPlan()});
        }
        QStringList arguments{installation.folder.path()};
        if (c.pinSecond)
            arguments << "--skrot" << digestOf(installation, 2).toUpper();
        c.make(installation);
        const ToolRun run = verify(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(QString::fromUtf8(c.says))) << run.output.toStdString();
    }
}

} // namespace

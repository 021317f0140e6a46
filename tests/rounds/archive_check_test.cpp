// The archive check over real files: a clean archive, every kind of change made from outside
// found and named, and downloads from before the archive told apart from removed rows.
#include "rounds/archive_check.h"

#include <QFile>
#include <gtest/gtest.h>

#include "rounds/archive_fixture.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

using Kind = ArchiveFindingKind;
using Findings = QList<std::tuple<Kind, qint32, QString>>;

ArchiveCheck checked(const ArchivedInstallation& installation) {
    TDM3 dm;
    installation.open(dm);
    return checkArchive(dm).value_or(ArchiveCheck{});
}

TEST(ArchiveCheckTest, ACleanArchiveSaysSoWithItsLastDigest) {
    ArchivedInstallation installation;
    importFourDays(installation);
    TDM3 dm;
    installation.open(dm);
    QList<qint64> done;
    const auto check = checkArchive(dm, [&](qint64 count, qint64 total) {
        done.append(total == 4 ? count : -1);
        return true;
    });
    ASSERT_TRUE(check);
    EXPECT_EQ(check->findings.size(), 0);
    EXPECT_EQ(archiveCheckSummary(*check),
              "Archiwum odczytów nienaruszone: 4 odczyty, ostatni skrót: " + lastArchiveDigest(dm));
    EXPECT_EQ(done, (QList<qint64>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(checkArchive(dm, [](qint64 count, qint64) { return count < 2; }));
}

// Each change on a fresh installation of four downloads: download n holds AutoNr 3n-2 to 3n, at
// 08:15, 08:20 and 08:25 on checkpoints 1, 2 and 3, on 2004-04-26 + n - 1.
TEST(ArchiveCheckTest, EveryChangeIsFoundAndNamed) {
    const QString archive = "Obchody.db";
    const struct {
        const char* change;
        QString file;
        QStringList statements;
        Findings findings;
        bool chainOnly = false; // only the digest and chain findings compared
    } cases[] = {
        {"a changed punch time",
         "Odbicia.db",
         {"UPDATE Odbicia SET Czas = '08:21:00' WHERE AutoNr = 5"},
         {{Kind::PunchMissing, 2, "Odczyt nr 2: brak odbicia 2004-04-27 08:20 pkt 2"},
          {Kind::PunchAdded, 2,
           "Odczyt nr 2: odbicie spoza odczytu (AutoNr 5) 2004-04-27 08:21 pkt 2"}}},
        {"a punch given to another instrument",
         "Odbicia.db",
         {"UPDATE Odbicia SET Nrczyt = '0001234567' WHERE AutoNr = 1"},
         {{Kind::PunchMissing, 1, "Odczyt nr 1: brak odbicia 2004-04-26 08:15 pkt 1"},
          {Kind::PunchAdded, 1,
           "Odczyt nr 1: odbicie spoza odczytu (AutoNr 1) 2004-04-26 08:15 pkt 1 czytnik "
           "0001234567"}}},
        {"a deleted punch row",
         "Odbicia.db",
         {"DELETE FROM Odbicia WHERE AutoNr = 4"},
         {{Kind::PunchMissing, 2, "Odczyt nr 2: brak odbicia 2004-04-27 08:15 pkt 1"}}},
        // A copy of a row is a row the instrument never sent: the copy is named, not the first.
        {"an added punch row",
         "Odbicia.db",
         {"INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
          "SELECT Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM Odbicia WHERE AutoNr = 8"},
         {{Kind::PunchAdded, 3,
           "Odczyt nr 3: odbicie spoza odczytu (AutoNr 13) 2004-04-28 08:20 pkt 2"}}},
        {"two punches swapped",
         "Odbicia.db",
         {"UPDATE Odbicia SET Czas = CASE AutoNr WHEN 7 THEN '08:20:00' ELSE '08:15:00' END, "
          "Nrwewpkt = 9 - AutoNr WHERE AutoNr IN (7, 8)"},
         {{Kind::PunchesReordered, 3,
           "Odczyt nr 3: odbicia w innej kolejności niż odebrane (od AutoNr 7)"}}},
        // The transmission read again holds the changed punch, the table the one received.
        {"a changed byte of an archived transmission",
         archive,
         {"UPDATE Archiwum SET Tresc = CAST(replace(CAST(Tresc AS TEXT), '#2 08:20', "
          "'#2 08:29') AS BLOB) WHERE Nrodczytu = 1"},
         {{Kind::DigestMismatch, 1,
           "Odczyt nr 1: skrót wiersza archiwum nie zgadza się z jego treścią"},
          {Kind::PunchMissing, 1, "Odczyt nr 1: brak odbicia 2004-04-26 08:29 pkt 2"},
          {Kind::PunchAdded, 1,
           "Odczyt nr 1: odbicie spoza odczytu (AutoNr 2) 2004-04-26 08:20 pkt 2"}}},
        {"an archived transmission that no longer reads",
         archive,
         {"UPDATE Archiwum SET Tresc = substr(Tresc, 2) WHERE Nrodczytu = 4"},
         {{Kind::DigestMismatch, 4,
           "Odczyt nr 4: skrót wiersza archiwum nie zgadza się z jego treścią"},
          {Kind::Unreadable, 4,
           "Odczyt nr 4: zapisanej transmisji nie da się odczytać (linia 1)"}}},
        {"a deleted archive row in the middle",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 2"},
         {{Kind::ArchiveRowMissing, 2, "Odczyt nr 2: brak wiersza archiwum"},
          {Kind::ChainBroken, 3,
           "Odczyt nr 3: łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem odczytu "
           "nr 1)"}}},
        {"the chain's last row deleted",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 4"},
         {{Kind::ArchiveRowMissing, 4, "Odczyt nr 4: brak wiersza archiwum"}}},
        // Download 1 now reads as one from before the archive; the chain shows it was not.
        {"the chain's first row deleted",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 1"},
         {{Kind::ChainBroken, 2,
           "Odczyt nr 2: łańcuch archiwum przerwany (usunięto wiersze archiwum przed tym "
           "odczytem)"}}},
        // Neither digest holds its new number; the row after them names the row before it.
        {"two archive rows swapped",
         archive,
         {"UPDATE Archiwum SET Nrodczytu = -3 WHERE Nrodczytu = 3",
          "UPDATE Archiwum SET Nrodczytu = 3 WHERE Nrodczytu = 2",
          "UPDATE Archiwum SET Nrodczytu = 2 WHERE Nrodczytu = -3"},
         {{Kind::DigestMismatch, 2, ""},
          {Kind::ChainBroken, 2, ""},
          {Kind::DigestMismatch, 3, ""},
          {Kind::ChainBroken, 3, ""},
          {Kind::ChainBroken, 4, ""}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ArchivedInstallation installation;
        importFourDays(installation);
        installation.tamper(c.file, c.statements);
        const ArchiveCheck check = checked(installation);
        Findings found;
        for (const ArchiveFinding& f : check.findings)
            if (!c.chainOnly || f.kind == Kind::DigestMismatch || f.kind == Kind::ChainBroken)
                found.append({f.kind, f.download, c.chainOnly ? QString() : f.text});
        EXPECT_EQ(found, c.findings);
        EXPECT_TRUE(archiveCheckSummary(check).startsWith(
            QStringLiteral("Niezgodności w archiwum odczytów: %1").arg(check.findings.size())));
    }
}

// Downloads imported before the archive existed, a download row without punches among them, are
// counted once and found nowhere, also by a tool reading an installation without Obchody.db.
TEST(ArchiveCheckTest, DownloadsFromBeforeTheArchiveAreCountedNotFound) {
    ArchivedInstallation installation;
    for (int day = 26; day < 28; ++day)
        installation.import(dumpOf("00012345", QDate(2004, 4, day), {{"08:15", 1}}), false);
    installation.tamper("NrOdc.DB", {"INSERT INTO NrOdc (Data) VALUES ('2004-04-28 07:00:00')"});
    const QString earlier = "\nOdczyty sprzed archiwum: 3 (do nr 3)";
    EXPECT_EQ(archiveCheckSummary(checked(installation)), "Archiwum odczytów jest puste" + earlier);
    {
        const QString rounds = installation.db() + "Obchody.db";
        ASSERT_TRUE(QFile::rename(rounds, rounds + ".x"));
        TDM3 dm;
        dm.setReadOnly(true);
        installation.open(dm);
        EXPECT_EQ(archiveCheckSummary(checkArchive(dm).value()),
                  "Archiwum odczytów jest puste" + earlier);
        ASSERT_TRUE(QFile::rename(rounds + ".x", rounds));
    }
    installation.import(dumpOf("00012345", QDate(2004, 4, 29), {{"08:15", 1}, {"08:16", 1}}));
    const ArchiveCheck check = checked(installation);
    EXPECT_EQ(check.lastEarlierDownload, 3);
    EXPECT_EQ(archiveCheckSummary(check),
              "Archiwum odczytów nienaruszone: 1 odczyt, ostatni skrót: " + check.lastDigest +
                  earlier);
}

TEST(ArchiveCheckTest, SummaryCountsDownloadsInPolish) {
    for (const auto& [count, says] :
         {std::pair{12, "12 odczytów"}, {22, "22 odczyty"}, {105, "105 odczytów"}}) {
        ArchiveCheck check;
        check.downloads = count;
        EXPECT_TRUE(archiveCheckSummary(check).contains(QString::fromUtf8(says))) << says;
    }
}

} // namespace

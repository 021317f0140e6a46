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

struct Expected {
    Kind kind;
    qint32 download;
    const char* text;
};

ArchiveCheck checked(const ArchivedInstallation& installation) {
    TDM3 dm;
    installation.open(dm);
    auto check = checkArchive(dm);
    EXPECT_TRUE(check.has_value());
    return check.value_or(ArchiveCheck{});
}

TEST(ArchiveCheckTest, ACleanArchiveSaysSoWithItsLastDigest) {
    ArchivedInstallation installation;
    importFourDays(installation);
    TDM3 dm;
    installation.open(dm);
    QList<std::pair<qint64, qint64>> steps;
    const auto check = checkArchive(dm, [&](qint64 done, qint64 total) {
        steps.append({done, total});
        return true;
    });
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->clean());
    EXPECT_EQ(check->downloads, 4);
    EXPECT_EQ(check->earlierDownloads, 0);
    EXPECT_EQ(archiveCheckSummary(*check),
              "Archiwum odczytów nienaruszone: 4 odczyty, ostatni skrót: " + lastArchiveDigest(dm));
    EXPECT_EQ(steps, (QList<std::pair<qint64, qint64>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));

    EXPECT_FALSE(checkArchive(dm, [](qint64 done, qint64) { return done < 2; }))
        << "a check stopped halfway has no result";
}

// Each change on a fresh installation of four downloads (AutoNr 3n-2 to 3n of download n, at
// 08:15, 08:20, 08:25 on checkpoints 1, 2, 3).
TEST(ArchiveCheckTest, EveryChangeIsFoundAndNamed) {
    const struct {
        const char* change;
        const char* file;
        QStringList statements;
        QList<Expected> findings;
        qint64 earlierDownloads = 0;
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
          "Nrwewpkt = CASE AutoNr WHEN 7 THEN 2 ELSE 1 END WHERE AutoNr IN (7, 8)"},
         {{Kind::PunchesReordered, 3,
           "Odczyt nr 3: odbicia w innej kolejności niż odebrane (od AutoNr 7)"}}},
        {"a punch moved to a download without an archive row",
         "Odbicia.db",
         {"UPDATE Odbicia SET NrSczytania = 9 WHERE AutoNr = 12"},
         {{Kind::PunchMissing, 4, "Odczyt nr 4: brak odbicia 2004-04-29 08:25 pkt 3"},
          {Kind::ArchiveRowMissing, 9, "Odczyt nr 9: brak wiersza archiwum"}}},
        // The transmission read again holds the changed punch, the table the one received.
        {"a changed byte of an archived transmission",
         "Obchody.db",
         {"UPDATE Archiwum SET Tresc = CAST(replace(CAST(Tresc AS TEXT), '#2 08:20', "
          "'#2 08:29') AS BLOB) WHERE Nrodczytu = 1"},
         {{Kind::DigestMismatch, 1,
           "Odczyt nr 1: skrót wiersza archiwum nie zgadza się z jego treścią"},
          {Kind::PunchMissing, 1, "Odczyt nr 1: brak odbicia 2004-04-26 08:29 pkt 2"},
          {Kind::PunchAdded, 1,
           "Odczyt nr 1: odbicie spoza odczytu (AutoNr 2) 2004-04-26 08:20 pkt 2"}}},
        {"an archived transmission that no longer reads",
         "Obchody.db",
         {"UPDATE Archiwum SET Tresc = CAST(replace(CAST(Tresc AS TEXT), '##00012345##', "
          "'#00012345##') AS BLOB) WHERE Nrodczytu = 4"},
         {{Kind::DigestMismatch, 4,
           "Odczyt nr 4: skrót wiersza archiwum nie zgadza się z jego treścią"},
          {Kind::Unreadable, 4,
           "Odczyt nr 4: zapisanej transmisji nie da się odczytać (linia 2)"}}},
        {"a deleted archive row in the middle",
         "Obchody.db",
         {"DELETE FROM Archiwum WHERE Nrodczytu = 2"},
         {{Kind::ArchiveRowMissing, 2, "Odczyt nr 2: brak wiersza archiwum"},
          {Kind::ChainBroken, 3,
           "Odczyt nr 3: łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem odczytu "
           "nr 1)"}}},
        {"the chain's last row deleted",
         "Obchody.db",
         {"DELETE FROM Archiwum WHERE Nrodczytu = 4"},
         {{Kind::ArchiveRowMissing, 4, "Odczyt nr 4: brak wiersza archiwum"}}},
        // Download 1 now reads as one from before the archive; the chain shows it was not.
        {"the chain's first row deleted",
         "Obchody.db",
         {"DELETE FROM Archiwum WHERE Nrodczytu = 1"},
         {{Kind::ChainBroken, 2,
           "Odczyt nr 2: łańcuch archiwum przerwany (usunięto wiersze archiwum przed tym "
           "odczytem)"}},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ArchivedInstallation installation;
        importFourDays(installation);
        installation.tamper(c.file, c.statements);
        const ArchiveCheck check = checked(installation);
        QList<std::tuple<Kind, qint32, QString>> found, expected;
        for (const ArchiveFinding& finding : check.findings)
            found.append({finding.kind, finding.download, finding.text});
        for (const Expected& finding : c.findings)
            expected.append({finding.kind, finding.download, QString::fromUtf8(finding.text)});
        EXPECT_EQ(found, expected);
        EXPECT_EQ(check.earlierDownloads, c.earlierDownloads);
        EXPECT_EQ(archiveCheckSummary(check),
                  QStringLiteral("Niezgodności w archiwum odczytów: %1").arg(c.findings.size()) +
                      (c.earlierDownloads ? "\nOdczyty sprzed archiwum: 1 (do nr 1)" : ""));
    }
}

// Two archive rows that change places: neither digest holds its new number, and the chain breaks
// at both and at the row after them, which names the row that stood before it.
TEST(ArchiveCheckTest, SwappedArchiveRowsBreakTheChain) {
    ArchivedInstallation installation;
    importFourDays(installation);
    installation.tamper("Obchody.db", {"UPDATE Archiwum SET Nrodczytu = -3 WHERE Nrodczytu = 3",
                                       "UPDATE Archiwum SET Nrodczytu = 3 WHERE Nrodczytu = 2",
                                       "UPDATE Archiwum SET Nrodczytu = 2 WHERE Nrodczytu = -3"});
    QList<std::pair<Kind, qint32>> chain;
    for (const ArchiveFinding& finding : checked(installation).findings)
        if (finding.kind == Kind::ChainBroken || finding.kind == Kind::DigestMismatch)
            chain.append({finding.kind, finding.download});
    EXPECT_EQ(chain, (QList<std::pair<Kind, qint32>>{{Kind::DigestMismatch, 2},
                                                     {Kind::ChainBroken, 2},
                                                     {Kind::DigestMismatch, 3},
                                                     {Kind::ChainBroken, 3},
                                                     {Kind::ChainBroken, 4}}));
}

// Downloads imported before the archive existed: numbered below the first archived one, listed
// once as such and not as findings. A download row without punches counts as one.
TEST(ArchiveCheckTest, DownloadsFromBeforeTheArchiveAreCountedNotFound) {
    ArchivedInstallation installation;
    for (int day = 0; day < 2; ++day)
        installation.import(dumpOf("00012345", QDate(2004, 4, 26).addDays(day), {{"08:15", 1}}),
                            false);
    installation.tamper("NrOdc.DB", {"INSERT INTO NrOdc (Data) VALUES ('2004-04-28 07:00:00')"});
    {
        const ArchiveCheck check = checked(installation);
        EXPECT_TRUE(check.clean());
        EXPECT_EQ(archiveCheckSummary(check),
                  "Archiwum odczytów jest puste\nOdczyty sprzed archiwum: 3 (do nr 3)");
    }
    // A tool reading an installation that has never had Obchody.db.
    ASSERT_TRUE(QFile::copy(installation.db() + "Obchody.db", installation.db() + "kopia"));
    ASSERT_TRUE(QFile::remove(installation.db() + "Obchody.db"));
    {
        TDM3 dm;
        dm.setReadOnly(true);
        installation.open(dm);
        const auto check = checkArchive(dm);
        ASSERT_TRUE(check);
        EXPECT_EQ(archiveCheckSummary(*check),
                  "Archiwum odczytów jest puste\nOdczyty sprzed archiwum: 3 (do nr 3)");
    }
    ASSERT_TRUE(QFile::rename(installation.db() + "kopia", installation.db() + "Obchody.db"));

    installation.import(dumpOf("00012345", QDate(2004, 4, 29), {{"08:15", 1}, {"08:16", 1}}));
    const ArchiveCheck check = checked(installation);
    EXPECT_TRUE(check.clean());
    EXPECT_EQ(check.earlierDownloads, 3);
    EXPECT_EQ(check.lastEarlierDownload, 3);
    EXPECT_EQ(archiveCheckSummary(check),
              "Archiwum odczytów nienaruszone: 1 odczyt, ostatni skrót: " + check.lastDigest +
                  "\nOdczyty sprzed archiwum: 3 (do nr 3)");
}

TEST(ArchiveCheckTest, SummaryCountsDownloadsInPolish) {
    const struct {
        qint64 downloads;
        const char* says;
    } cases[] = {{5, "5 odczytów"},
                 {12, "12 odczytów"},
                 {22, "22 odczyty"},
                 {104, "104 odczyty"},
                 {113, "113 odczytów"}};
    for (const auto& c : cases) {
        ArchiveCheck check;
        check.downloads = c.downloads;
        check.lastDigest = "ab";
        EXPECT_EQ(archiveCheckSummary(check),
                  QStringLiteral("Archiwum odczytów nienaruszone: %1, ostatni skrót: ab")
                      .arg(QString::fromUtf8(c.says)));
    }
}

} // namespace

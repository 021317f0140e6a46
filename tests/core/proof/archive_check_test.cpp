// The archive check over real files: a clean archive, every kind of change made from outside
// found and named, and downloads from before the archive told apart from removed rows.
#include "core/proof/archive_check.h"

#include <QFile>
#include <QSqlQuery>
#include <functional>
#include <gtest/gtest.h>

#include "core/proof/archive_fixture.h"
#include "core/store/archive_beginning.h"
#include "core/store/archive_chain.h"
#include "support/test_tables.h"

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
    // Four downloads after the beginning: five rows of the chain.
    const auto check = checkArchive(dm, [&](qint64 count, qint64 total) {
        done.append(total == 5 ? count : -1);
        return true;
    });
    ASSERT_TRUE(check);
    EXPECT_EQ(check->findings.size(), 0);
    EXPECT_EQ(archiveCheckSummary(*check),
              "Archiwum odczytów nienaruszone: 4 odczyty, ostatni skrót: " + lastArchiveDigest(dm));
    EXPECT_EQ(done, (QList<qint64>{0, 1, 2, 3, 4, 5}));
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
         {{Kind::PunchChanged, 2,
           "Odczyt nr 2: wiersz zmieniony (AutoNr 5): odebrano 2004-04-27 08:20 pkt 2, w tabeli "
           "2004-04-27 08:21 pkt 2"}}},
        {"a punch given to another instrument",
         "Odbicia.db",
         {"UPDATE Odbicia SET Nrczyt = '0001234567' WHERE AutoNr = 1"},
         {{Kind::PunchChanged, 1,
           "Odczyt nr 1: wiersz zmieniony (AutoNr 1): odebrano 2004-04-26 08:15 pkt 1, w tabeli "
           "2004-04-26 08:15 pkt 1 czytnik 0001234567"}}},
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
          {Kind::PunchChanged, 1,
           "Odczyt nr 1: wiersz zmieniony (AutoNr 2): odebrano 2004-04-26 08:29 pkt 2, w tabeli "
           "2004-04-26 08:20 pkt 2"}}},
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
           "Odczyt nr 3: łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem wiersza: "
           "odczyt nr 1)"}}},
        {"the chain's last row deleted",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 4"},
         {{Kind::ArchiveRowMissing, 4, "Odczyt nr 4: brak wiersza archiwum"}}},
        // The beginning pinned no download: download 1 lost its row, and the chain shows it.
        {"the first download's row deleted",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 1"},
         {{Kind::ArchiveRowMissing, 1, "Odczyt nr 1: brak wiersza archiwum"},
          {Kind::ChainBroken, 2,
           "Odczyt nr 2: łańcuch archiwum przerwany (poprzedni skrót nie jest skrótem wiersza: "
           "zmiana nr 1 (poczatek))"}}},
        // Without the beginning, download 1 would read as one from before the archive.
        {"the chain's first rows deleted",
         archive,
         {"DELETE FROM Archiwum WHERE Nrodczytu = 1", "DELETE FROM ArchiwumZmian"},
         {{Kind::NoArchive, 0,
           "Archiwum odczytów nie ma początku, który przypina odczyty sprzed niego"},
          {Kind::ChainBroken, 2,
           "Odczyt nr 2: łańcuch archiwum przerwany (usunięto wiersze archiwum przed tym "
           "wierszem)"}}},
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

// Downloads imported before the archive existed, a download row without punches among them: an
// archive without the beginning that pins them is a finding, also read by a tool without
// Obchody.db or with one of the release before; the first writable opening pins them, and from
// then on they are counted once and found nowhere.
TEST(ArchiveCheckTest, DownloadsFromBeforeTheArchiveArePinnedByItsBeginning) {
    ArchivedInstallation installation;
    for (int day = 26; day < 28; ++day)
        installation.import(dumpOf("00012345", QDate(2004, 4, day), {{"08:15", 1}}), false);
    installation.tamper("NrOdc.DB", {"INSERT INTO NrOdc (Data) VALUES ('2004-04-28 07:00:00')"});
    installation.tamper("Obchody.db", {"DROP TABLE ArchiwumZmian"});
    const QString earlier = "\nOdczyty sprzed archiwum: 3 (do nr 3)";
    const auto readOnly = [&] {
        TDM3 dm;
        dm.setReadOnly(true);
        installation.open(dm);
        return checkArchive(dm).value();
    };
    const ArchiveCheck before = readOnly();
    ASSERT_EQ(before.findings.size(), 1);
    EXPECT_EQ(before.findings[0].text, "Archiwum odczytów jest puste, a tabele zawierają odczyty");
    EXPECT_EQ(archiveCheckSummary(before), "Niezgodności w archiwum odczytów: 1" + earlier);
    {
        const QString rounds = installation.db() + "Obchody.db";
        ASSERT_TRUE(QFile::rename(rounds, rounds + ".x"));
        const ArchiveCheck without = readOnly();
        ASSERT_EQ(without.findings.size(), 1);
        EXPECT_TRUE(without.findings[0].text.startsWith("Brak pliku "));
        EXPECT_EQ(archiveCheckSummary(without), "Niezgodności w archiwum odczytów: 1" + earlier);
        ASSERT_TRUE(QFile::rename(rounds + ".x", rounds));
    }
    EXPECT_EQ(archiveCheckSummary(checked(installation)), "Archiwum odczytów jest puste" + earlier);
    installation.import(dumpOf("00012345", QDate(2004, 4, 29), {{"08:15", 1}, {"08:16", 1}}));
    const ArchiveCheck check = readOnly();
    EXPECT_EQ(check.lastEarlierDownload, 3);
    EXPECT_EQ(archiveCheckSummary(check),
              "Archiwum odczytów nienaruszone: 1 odczyt, ostatni skrót: " + check.lastDigest +
                  earlier);
    // A pinned download's punch changed, one removed whole: each named against the beginning.
    for (const auto& [statement, says] :
         {std::pair{"UPDATE Odbicia SET Czas = '08:16:00' WHERE AutoNr = 1",
                    "przypiął 3 (do nr 3), tabele mają 3 (do nr 3), odbicia inne"},
          {"DELETE FROM Odbicia WHERE NrSczytania = 2", "odbicia inne"}}) {
        installation.tamper("Odbicia.db", {statement});
        const ArchiveCheck changed = readOnly();
        ASSERT_EQ(changed.findings.size(), 1) << statement;
        EXPECT_EQ(changed.findings[0].kind, Kind::BeginningChanged);
        EXPECT_TRUE(changed.findings[0].text.contains(QString::fromUtf8(says)))
            << changed.findings[0].text.toStdString();
    }
}

// An installation of the release before: its rows digested in the first layout, no table of
// changes. Opened by this one, it gets its beginning after the last row and checks clean; a
// stored text changed so that the first layout's values stay the same is still found.
TEST(ArchiveCheckTest, AChainOfTheFirstLayoutKeepsVerifying) {
    const struct {
        const char* change;
        const char* statement;
        qint32 download; // the row found changed; 0: none
    } cases[] = {
        {"nothing", nullptr, 0},
        {"an unknown clock made an empty text",
         "UPDATE Archiwum SET ZegarCzytnika = '' WHERE Nrodczytu = 4", 4},
        {"an unknown clock made an unreadable one",
         "UPDATE Archiwum SET ZegarCzytnika = 'xx' WHERE Nrodczytu = 4", 4},
        {"a clock given seconds",
         "UPDATE Archiwum SET ZegarCzytnika = ZegarCzytnika || ':00' WHERE Nrodczytu = 2", 2},
        {"the first row's Poprzedni made an empty text",
         "UPDATE Archiwum SET Poprzedni = '' WHERE Nrodczytu = 1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ArchivedInstallation installation;
        for (int day = 0; day < 4; ++day)
            installation.import(dumpOf("00012345", QDate(2004, 4, 26).addDays(day), {{"08:15", 1}}),
                                true, day == 3 ? std::nullopt : std::optional(QTime(7, 0)));
        {
            TDM3 dm;
            installation.open(dm);
            QList<ArchiveRow> rows;
            auto next = readArchive(dm);
            ArchiveRow row;
            while (next(row))
                rows << row;
            QString previous;
            QStringList statements{"DROP TABLE ArchiwumZmian"};
            for (ArchiveRow& old : rows) {
                old.previous = previous;
                previous = firstLayoutDigest(old);
                statements << QStringLiteral("UPDATE Archiwum SET Poprzedni = %1, Skrot = '%2' "
                                             "WHERE Nrodczytu = %3")
                                  .arg(old.previous.isEmpty() ? "NULL" : "'" + old.previous + "'",
                                       previous)
                                  .arg(old.download);
            }
            installation.tamper("Obchody.db", statements);
        }
        if (c.statement)
            installation.tamper("Obchody.db", {c.statement});
        const ArchiveCheck check = checked(installation);
        Findings found;
        for (const ArchiveFinding& f : check.findings)
            found.append({f.kind, f.download, QString()});
        Findings expected;
        if (c.download)
            expected.append({Kind::DigestMismatch, c.download, QString()});
        EXPECT_EQ(found, expected);
        EXPECT_TRUE(check.hasBeginning);
        EXPECT_EQ(check.downloads, 4);
    }
}

// On a server, whose driver takes a result whole, the chain is read a few rows at a time and a
// download's punches in pages: more rows than a page of either, checked clean, and a changed row
// in the second page of a download's punches named.
TEST(ArchiveCheckTest, OnAServerTheArchiveIsReadInPages) {
    QString error;
    const QString server = newServerTables(&error);
    ASSERT_FALSE(server.isEmpty()) << error.toStdString();
    TDM3 dm;
    dm.setServer(server);
    dm.openTables();
    for (int day = 0; day < 70; ++day)
        importInto(dm, dumpOf("00012345", QDate(2004, 1, 1).addDays(day), {{"08:15", day % 9}}));
    // One long download, a punch a minute over days: more rows than a page.
    QByteArray dump = dumpOf("00054321", QDate(2004, 3, 11), {});
    const qint64 punches = TDM3::serverPageRows + 500;
    for (qint64 minute = 0; minute < punches; ++minute) {
        if (minute > 0 && minute % 1440 == 0)
            dump += "-- " +
                    QDate(2004, 3, 11).addDays(minute / 1440).toString("yy-MM-dd").toLatin1() +
                    "\r\n";
        dump +=
            "#7 " + QTime(0, 0).addSecs(minute % 1440 * 60).toString("HH:mm").toLatin1() + "\r\n";
    }
    importInto(dm, dump);
    ArchiveCheck check = checkArchive(dm).value();
    EXPECT_TRUE(check.clean()) << archiveCheckSummary(check).toStdString();
    EXPECT_EQ(check.downloads, 71);
    EXPECT_EQ(check.lastDigest, lastArchiveDigest(dm));

    QSqlQuery change(dm.roundsDatabase());
    ASSERT_TRUE(change.exec(QStringLiteral("UPDATE main.Odbicia SET Czas = '23:59:30' WHERE "
                                           "AutoNr = (SELECT MIN(AutoNr) + %1 FROM main.Odbicia "
                                           "WHERE NrSczytania = 71)")
                                .arg(TDM3::serverPageRows + 10)));
    check = checkArchive(dm).value();
    ASSERT_EQ(check.findings.size(), 1);
    EXPECT_EQ(check.findings[0].kind, Kind::PunchChanged);
    EXPECT_TRUE(check.findings[0].text.contains("w tabeli 2004-03-17 23:59:30"))
        << check.findings[0].text.toStdString();
}

// Obchody.db deleted, or its chain emptied, in an installation whose tables hold downloads: the
// program makes the archive begin anew only in the open, with a message naming the file, and the
// new beginning says where it starts and why. A chain with rows but no beginning gets none.
TEST(ArchiveCheckTest, AnArchiveBegunAnewIsToldAndSaysWhereItStarts) {
    const struct {
        const char* change;
        std::function<void(const ArchivedInstallation&)> make;
        const char* notice; // empty: none
        const char* reason;
    } cases[] = {
        {"Obchody.db deleted",
         [](const ArchivedInstallation& installation) {
             ASSERT_TRUE(QFile::remove(installation.db() + "Obchody.db"));
         },
         "nie istniał, a tabele zawierają odczyty: utworzono go na nowo, pusty. Archiwum odczytów "
         "zaczyna się od nowa; odczyty zapisane wcześniej (4, do nr 4) nie mają w nim swoich "
         "wierszy.",
         "Obchody.db utworzono na nowo"},
        {"the chain emptied",
         [](const ArchivedInstallation& installation) {
             installation.tamper("Obchody.db",
                                 {"DELETE FROM Archiwum", "DELETE FROM ArchiwumZmian"});
         },
         "było puste, a tabele zawierają odczyty. Archiwum odczytów zaczyna się od nowa",
         "archiwum odczytów było puste"},
        {"the beginning deleted",
         [](const ArchivedInstallation& installation) {
             installation.tamper("Obchody.db", {"DELETE FROM ArchiwumZmian"});
         },
         "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ArchivedInstallation installation;
        importFourDays(installation);
        c.make(installation);
        TDM3 dm;
        installation.open(dm);
        const QString notice = dm.takeArchiveNotice();
        EXPECT_TRUE(notice.contains(QString::fromUtf8(c.notice))) << notice.toStdString();
        EXPECT_EQ(notice.isEmpty(), QByteArray(c.notice).isEmpty());
        const ArchiveCheck check = checkArchive(dm).value();
        if (!*c.reason) {
            EXPECT_FALSE(check.hasBeginning);
            EXPECT_FALSE(check.clean());
            continue;
        }
        EXPECT_TRUE(check.clean()) << archiveCheckSummary(check).toStdString();
        EXPECT_EQ(check.lastEarlierDownload, 4);
        ChainReader chain(dm, true);
        ChainRow beginning;
        ASSERT_TRUE(chain.next(beginning));
        const auto pinned = beginningFromContent(beginning.content());
        ASSERT_TRUE(pinned);
        EXPECT_TRUE(pinned->reason.endsWith(QString::fromUtf8(c.reason)))
            << pinned->reason.toStdString();
        EXPECT_EQ(pinned->count, 4);
    }
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

// The web benchmark's installation must be one the import could have left: otherwise the
// service's report and ronvalo-raport would both measure an archive full of findings, or a
// number of punches other than the one printed.
#include "web_installation.h"

#include "core/import/reader_dump.h"
#include "core/link/receive_buffer.h"
#include "core/proof/archive_check.h"
#include "core/store/data_module.h"
#include "core/store/sqlite_connection.h"
#include "support/temp_folder.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

namespace ronvalo::bench {
namespace {

qint64 storedPunches(TDM3& dm) {
    SqliteConnection file(dm.tbOdbicia.filePath());
    QSqlQuery count(file.database());
    count.exec(QStringLiteral("SELECT COUNT(*) FROM Odbicia"));
    return count.next() ? count.value(0).toLongLong() : -1;
}

TEST(WebBenchInstallation, SmallFillsHoldTheirPunchesDownloadsAndACleanArchive) {
    struct Case {
        const char* name;
        int instruments;
        int days;
        qint64 punches; // asked for
        bool exact;     // above what the rounds alone give, so reached exactly
    };
    for (const Case& c : {Case{"one day, rounds only", 1, 1, 0, false},
                          Case{"rounds pass the total", 2, 3, 50, false},
                          Case{"patrols fill up to the total", 3, 4, 2500, true},
                          Case{"across a month's end", 2, 5, 1200, true}}) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        WebFillPlan plan;
        plan.folder = folder.path();
        plan.instruments = c.instruments;
        plan.last = QDate(2026, 3, 2);
        plan.first = plan.last.addDays(1 - c.days);
        plan.punches = c.punches;
        const qint64 stored = fillWebInstallation(plan);

        TDM3 dm;
        dm.setDatabaseFolder(folder.path() + "/db/");
        dm.openTables();
        EXPECT_EQ(storedPunches(dm), stored);
        if (c.exact)
            EXPECT_EQ(stored, c.punches);
        else
            EXPECT_GE(stored, c.punches);
        QList<qint32> expected;
        for (qint32 n = 1; n <= c.instruments * c.days; ++n)
            expected << n;
        EXPECT_EQ(dm.downloads(), expected);
        const std::optional<ArchiveCheck> check = checkArchive(dm);
        ASSERT_TRUE(check);
        for (const ArchiveFinding& finding : check->findings)
            ADD_FAILURE() << finding.text.toStdString();
        EXPECT_TRUE(check->pinProblem.isEmpty()) << check->pinProblem.toStdString();
        EXPECT_EQ(check->downloads, c.instruments);
        EXPECT_EQ(check->earlierDownloads, qint64(c.instruments) * (c.days - 1));
    }
}

TEST(WebBenchInstallation, TransmissionsReadBackAsTheirPunches) {
    const QDate day(2025, 12, 31);
    struct Case {
        const char* name;
        std::vector<Generated> punches;
    };
    for (const Case& c :
         {Case{"no punch", {}},
          Case{"one day", {{day, 360, 1, 0}, {day, 364, 12, 0}, {day, 1439, 40, 0}}},
          Case{"past midnight into the new year", {{day, 1320, 20, 0}, {day, 1445, 27, 0}}},
          Case{"incident checkpoints", {{day, 0, 171, 0}, {day, 61, 174, 0}}},
          Case{"a checkpoint punched twice", {{day, 600, 5, 0}, {day, 600, 5, 0}}}}) {
        SCOPED_TRACE(c.name);
        const QDateTime clock(QDate(2026, 1, 1), QTime(6, 33));
        ReceiveBuffer received;
        received.append(transmission(QStringLiteral("004107"), clock, c.punches));
        const ReaderDump read = readWholeDump(received.lines());
        EXPECT_EQ(read.instrumentNumber, QByteArray("004107"));
        ASSERT_TRUE(read.instrumentClock);
        EXPECT_EQ(*read.instrumentClock, clock);
        ASSERT_EQ(read.punches.size(), qsizetype(c.punches.size()));
        for (std::size_t k = 0; k < c.punches.size(); ++k) {
            EXPECT_EQ(read.punches[qsizetype(k)].date, storedDay(c.punches[k])) << k;
            EXPECT_EQ(read.punches[qsizetype(k)].time, storedClock(c.punches[k])) << k;
            EXPECT_EQ(read.punches[qsizetype(k)].checkpoint, c.punches[k].checkpoint) << k;
        }
    }
}

TEST(WebBenchInstallation, PatrolsReachTheTotalOnTheLastDay) {
    struct Case {
        const char* name;
        qint64 total;
        int days;
        qint64 roundsEachDay;
        qint64 expected; // stored after the last day
    };
    for (const Case& c :
         {Case{"even split", 1000, 10, 40, 1000}, Case{"a remainder", 1003, 7, 10, 1003},
          Case{"rounds alone pass it", 100, 5, 30, 150},
          Case{"one day", 10000000, 1, 3500, 10000000}}) {
        SCOPED_TRACE(c.name);
        qint64 stored = 0;
        for (int d = 0; d < c.days; ++d) {
            const qint64 patrols = patrolsFor(c.total, d, c.days, stored, c.roundsEachDay);
            EXPECT_GE(patrols, 0);
            stored += c.roundsEachDay + patrols;
        }
        EXPECT_EQ(stored, c.expected);
    }
}

} // namespace
} // namespace ronvalo::bench

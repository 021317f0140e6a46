// The evidence file as written from real imports, on the local files and on a server: which
// downloads a period and a list of instruments choose, the chain's rows named before each, and
// a file that checks clean.
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/proof/evidence_fixture.h"
#include "core/store/archive.h"
#include "core/store/plan.h"
#include "core/store/rounds_tables.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// Four days, one download each (download n on 2004-04-25 + n); download 3 from an instrument
// whose number is longer than the punch table keeps; between downloads 2 and 3 the checkpoints'
// names were saved, a change row of the chain.
struct EvidenceWriterTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
        for (int day = 0; day < 4; ++day) {
            if (day == 2)
                saveCheckpoints(dm, {{1, "Brama", false}});
            importInto(dm, dumpOf(day == 2 ? "000123456789" : "00012345", firstDay.addDays(day),
                                  {{"08:15", 1}, {"08:20", 2}}));
        }
    }

    QList<qint64> downloadsIn(const QByteArray& file) {
        QList<qint64> downloads;
        for (const EvidenceRecord& record : readEvidence(file).records)
            downloads << record.row.place;
        return downloads;
    }
};

INSTANTIATE_TEST_SUITE_P(, EvidenceWriterTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

TEST_P(EvidenceWriterTest, APeriodAndInstrumentsChooseTheirDownloadsAndEachFileChecksClean) {
    const struct {
        const char* what;
        QDate from, to;
        std::optional<QStringList> instruments;
        QList<qint64> downloads;
    } cases[] = {
        {"every day, every instrument", firstDay, lastDay, std::nullopt, {1, 2, 3, 4}},
        {"one day, by its transfer date",
         firstDay.addDays(1),
         firstDay.addDays(1),
         std::nullopt,
         {2}},
        {"a period past the days", lastDay.addDays(1), lastDay.addDays(9), std::nullopt, {}},
        {"one instrument", firstDay, lastDay, QStringList{"00012345"}, {1, 2, 4}},
        {"the long number whole", firstDay, lastDay, QStringList{"000123456789"}, {3}},
        {"the long number cut is no instrument", firstDay, lastDay, QStringList{"0001234567"}, {}},
        {"two instruments, one unknown",
         firstDay,
         firstDay.addDays(2),
         QStringList{"000123456789", "x", "00012345"},
         {1, 2, 3}},
        {"no instrument", firstDay, lastDay, QStringList{}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray file = evidenceOf(dm, c.from, c.to, c.instruments);
        EXPECT_EQ(downloadsIn(file), c.downloads);
        const EvidenceCheck check = checkedEvidence(file);
        EXPECT_TRUE(check.clean()) << check.findings.value(0).text.toStdString();
        EXPECT_EQ(check.downloads, c.downloads.size());
        EXPECT_EQ(check.header.from, c.from);
        EXPECT_EQ(check.header.to, c.to);
        EXPECT_EQ(check.header.instruments, c.instruments);
    }
}

// The chain runs beginning, 1, 2, the names' change, 3, 4: each record names the row before it
// in the chain, and the header the last row with the archive's last digest.
TEST_P(EvidenceWriterTest, EachRecordNamesTheChainsRowBeforeIt) {
    const FakeClock clock(QDateTime(QDate(2005, 1, 2), QTime(3, 4, 5)));
    const ReadEvidence read = readEvidence(evidenceOf(dm));
    ASSERT_EQ(read.records.size(), 4u);
    const auto download = [](qint64 n) { return ChainRowId{ChainTable::Downloads, n}; };
    const auto change = [](qint64 lp) { return ChainRowId{ChainTable::Changes, lp}; };
    EXPECT_EQ(read.records[0].previousRow, change(1));
    EXPECT_EQ(read.records[1].previousRow, download(1));
    EXPECT_EQ(read.records[2].previousRow, change(2));
    EXPECT_EQ(read.records[3].previousRow, download(3));
    EXPECT_EQ(read.records[1].row.previousDigest(), read.records[0].row.digest);
    EXPECT_EQ(read.header.lastRow, download(4));
    EXPECT_EQ(read.header.lastDigest, lastArchiveDigest(dm));
    EXPECT_EQ(read.header.made, "2005-01-02 03:04:05");
    EXPECT_EQ(read.records[3].row.content(),
              dumpOf("00012345", lastDay, {{"08:15", 1}, {"08:20", 2}}));

    // A change after the last download is the chain's last row; the downloads stay as they were.
    saveCheckpoints(dm, {{1, "Brama główna", false}});
    const ReadEvidence later = readEvidence(evidenceOf(dm));
    EXPECT_EQ(later.header.lastRow, change(3));
    EXPECT_EQ(later.header.lastDigest, lastArchiveDigest(dm));
    EXPECT_EQ(later.records.size(), 4u);
}

TEST_P(EvidenceWriterTest, ATableThatCannotBeReadOrAPeriodWithoutDaysIsRaised) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_THROW(writeEvidence(dm, lastDay, firstDay, std::nullopt, out), EConvertError);
    EXPECT_THROW(writeEvidence(dm, QDate(), lastDay, std::nullopt, out), EConvertError);
    EXPECT_TRUE(out.data().isEmpty());
    QBuffer closed;
    EXPECT_THROW(writeEvidence(dm, firstDay, lastDay, std::nullopt, closed), EWriteError);
    QSqlQuery drop(dm.roundsDatabase());
    ASSERT_TRUE(drop.exec("DROP TABLE ob.Archiwum"));
    EXPECT_THROW(writeEvidence(dm, firstDay, lastDay, std::nullopt, out), EDatabaseError);
}

} // namespace

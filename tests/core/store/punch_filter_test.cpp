// The punch filter: the row test case by case, and the indexed query and paged reading checked
// against the row test over many random rows and criteria.
#include "core/store/punch_filter.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

#include "core/store/data_module.h"
#include "core/store/punch_pages.h"
#include "core/store/sqlite_connection.h"
#include "support/temp_folder.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QDate day(2004, 4, 26);

Punch punchOf(QDate date, const QString& instrument, qint32 download, qint32 checkpoint = 1) {
    Punch p;
    p.Data = date;
    p.Czas = QTime(8, 0);
    p.Nrwewpkt = checkpoint;
    p.Nrczyt = instrument;
    p.NrSczytania = download;
    return p;
}

PunchCriteria dates(QDate from, QDate to, std::optional<QString> instrument) {
    return {false, from, to, std::move(instrument), std::nullopt};
}

PunchCriteria downloadOf(std::optional<qint32> download) {
    return {true, day.addDays(5), day.addDays(-5), std::nullopt, download};
}

} // namespace

TEST(PunchFilter, RowTest) {
    struct Case {
        const char* what;
        PunchCriteria criteria;
        Punch row;
        bool accepted;
    } cases[] = {
        {"no instrument", dates(day, day, std::nullopt), punchOf(day, "12", 1), false},
        {"on the from-date", dates(day, day.addDays(3), "12"), punchOf(day, "12", 1), true},
        {"on the to-date", dates(day.addDays(-3), day, "12"), punchOf(day, "12", 1), true},
        {"one day", dates(day, day, "12"), punchOf(day, "12", 1), true},
        {"day before", dates(day, day, "12"), punchOf(day.addDays(-1), "12", 1), false},
        {"day after", dates(day, day, "12"), punchOf(day.addDays(1), "12", 1), false},
        {"from after to", dates(day, day.addDays(-1), "12"), punchOf(day, "12", 1), false},
        {"text, not number", dates(day, day, "12"), punchOf(day, "012", 1), false},
        {"case counts", dates(day, day, "ab"), punchOf(day, "AB", 1), false},
        {"no trimming", dates(day, day, "12"), punchOf(day, "12 ", 1), false},
        {"instrument 0", dates(day, day, "0"), punchOf(day, "0", 1), true},
        {"zero date", dates(QDate(1899, 12, 30), day, "0"), punchOf(QDate(1899, 12, 30), "0", 1),
         true},
        {"no download", downloadOf(std::nullopt), punchOf(day, "12", 1), false},
        {"download, any date", downloadOf(7), punchOf(day.addYears(-3), "12", 7), true},
        {"other download", downloadOf(7), punchOf(day, "12", 8), false},
        {"download 0 is a key", downloadOf(0), punchOf(day, "12", 0), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tbOdbiciaFilterRecord(c.criteria, c.row), c.accepted) << c.what;
}

namespace {

struct FilteredTableTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;
    PunchCriteria criteria;
    std::vector<Punch> everyRow; // in ixDiT order

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
    }

    // Rows over two months, instruments that differ only in ways the filter must notice, and
    // many rows sharing a date and time so that the arrival order counts.
    void fill(int rows, QRandomGenerator& random) {
        const QStringList instruments{"0", "12", "012", "A", "a", "1234567890", "12 "};
        Transaction transaction(dm);
        for (int k = 0; k < rows; ++k) {
            Punch p = punchOf(day.addDays(random.bounded(60)),
                              instruments[random.bounded(qsizetype(instruments.size()))],
                              random.bounded(10), 165 + random.bounded(12));
            p.Czas = QTime(random.bounded(3), 0);
            dm.insertPunch(p);
        }
        transaction.commit();
        dm.forEachPunch([this](const Punch& p) {
            everyRow.push_back(p);
            return true;
        });
    }

    PunchCriteria randomCriteria(QRandomGenerator& random) const {
        const QStringList keys{"0", "12", "012", "A", "a", "1234567890", "12 ", "missing"};
        PunchCriteria c;
        c.downloadMode = random.bounded(3) == 0;
        c.fromDate = day.addDays(random.bounded(-5, 65));
        c.toDate = c.fromDate.addDays(random.bounded(-3, 40));
        if (random.bounded(8) != 0)
            c.instrument = keys[random.bounded(qsizetype(keys.size()))];
        if (random.bounded(8) != 0)
            c.download = random.bounded(11);
        return c;
    }

    // The browser's settings as it hands them over at a change.
    void setCriteria(const PunchCriteria& chosen) {
        criteria = chosen;
        dm.setFilterCriteria(criteria);
    }
    std::vector<qint64> expected() const {
        std::vector<qint64> result;
        for (const Punch& p : everyRow)
            if (tbOdbiciaFilterRecord(criteria, p))
                result.push_back(p.AutoNr);
        return result;
    }
    std::vector<qint64> queried() {
        std::vector<qint64> result;
        dm.forEachPunch([&](const Punch& p) {
            result.push_back(p.AutoNr);
            return true;
        });
        return result;
    }
};

// What only the local files have: index files an operator's tool may have dropped.
struct FilteredFileTest : FilteredTableTest {};

INSTANTIATE_TEST_SUITE_P(, FilteredTableTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);
INSTANTIATE_TEST_SUITE_P(, FilteredFileTest, ::testing::Values(Engine::Files), engineName);

} // namespace

TEST_P(FilteredTableTest, QueryAndRowTestSelectTheSameRowsInTableOrder) {
    QRandomGenerator random(20040426);
    fill(4000, random);
    dm.setFiltered(true);
    PunchPages pages(dm, 16, 2);
    int nonEmpty = 0;
    for (int round = 0; round < 400; ++round) {
        setCriteria(randomCriteria(random));
        const std::vector<qint64> want = expected();
        ASSERT_EQ(queried(), want) << "round " << round;
        pages.reset();
        ASSERT_EQ(pages.count(), qint64(want.size())) << "round " << round;
        nonEmpty += !want.empty();
    }
    EXPECT_GT(nonEmpty, 150); // the criteria hit rows often enough to mean something
    dm.setFiltered(false);
    EXPECT_EQ(queried().size(), everyRow.size());
}

TEST_P(FilteredFileTest, ATableFileWithoutItsIndexesSelectsTheSameRows) {
    QRandomGenerator random(1105);
    fill(600, random);
    {
        SqliteConnection file(dm.tbOdbicia.filePath());
        QSqlQuery drop(file.database());
        for (const char* index : {"ixDiT", "ixCzytData", "ixSczytania"})
            ASSERT_TRUE(drop.exec(QStringLiteral("DROP INDEX %1").arg(index)));
    }
    dm.setFiltered(true);
    PunchPages pages(dm, 16, 2);
    for (int round = 0; round < 60; ++round) {
        setCriteria(randomCriteria(random));
        const std::vector<qint64> want = expected();
        ASSERT_EQ(queried(), want) << "round " << round;
        pages.reset();
        ASSERT_EQ(pages.count(), qint64(want.size())) << "round " << round;
        if (!want.empty()) {
            ASSERT_EQ(pages.at(qint64(want.size()) - 1).AutoNr, want.back());
        }
    }
}

TEST_P(FilteredTableTest, PagesGiveEveryPositionWhateverTheWayThere) {
    QRandomGenerator random(171);
    fill(3000, random);
    dm.setFiltered(true);
    setCriteria({true, day, day, std::nullopt, 3}); // one download: about 300 rows
    const std::vector<qint64> want = expected();
    ASSERT_GT(want.size(), 200u);
    const qint64 n = qint64(want.size());

    PunchPages pages(dm, 16, 2);
    pages.reset();
    ASSERT_EQ(pages.count(), n);
    std::vector<qint64> walks;
    for (qint64 k = 0; k < n; ++k) // down the grid
        walks.push_back(k);
    for (qint64 k = n - 1; k >= 0; --k) // and back up
        walks.push_back(k);
    for (int k = 0; k < 500; ++k) // jumps of the scroll bar
        walks.push_back(random.bounded(n));
    for (std::size_t step = 0; step < walks.size(); ++step) {
        if (step == walks.size() - 500)
            pages.reset(); // the jumps start with no key known
        ASSERT_EQ(pages.at(walks[step]).AutoNr, want[walks[step]])
            << "position " << walks[step] << " at step " << step;
    }
    EXPECT_LE(pages.keysKept(), std::size_t(2 * (n / 16 + 1)));
}

TEST_P(FilteredTableTest, NothingSelectedReadsNoRowAndAnOpenFilterWithoutCriteriaReadsAll) {
    QRandomGenerator random(5);
    fill(50, random);
    dm.setFiltered(true);
    setCriteria(dates(day, day.addDays(70), std::nullopt));
    EXPECT_TRUE(queried().empty());
    dm.setFilterCriteria(std::nullopt);
    EXPECT_EQ(queried().size(), everyRow.size());
}

// More rows than a server reads in one page, many of them sharing a date and a time: every row
// once, in the table's order, and a selection the same as the row test's.
TEST_P(FilteredTableTest, AReadingLongerThanAServerPageGivesEveryRowOnceInOrder) {
    QRandomGenerator random(2024);
    fill(int(2 * TDM3::serverPageRows + 500), random);
    std::set<qint64> numbers;
    for (const Punch& p : everyRow)
        numbers.insert(p.AutoNr);
    EXPECT_EQ(numbers.size(), everyRow.size());
    EXPECT_EQ(qint64(everyRow.size()), dm.punchCount());
    EXPECT_TRUE(
        std::is_sorted(everyRow.begin(), everyRow.end(), [](const Punch& a, const Punch& b) {
            return std::tuple(a.Data, a.Czas, a.AutoNr) < std::tuple(b.Data, b.Czas, b.AutoNr);
        }));
    dm.setFiltered(true);
    setCriteria(dates(day, day.addDays(70), "12"));
    EXPECT_EQ(queried(), expected());
}

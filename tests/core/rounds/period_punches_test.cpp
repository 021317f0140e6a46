// The punches of a period as the report reads them: the table's rows in any order give what the
// instrument by instrument reading in date order gave, whichever way they are read.
#include "core/rounds/period_punches.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "core/common/work_progress.h"
#include "core/rounds/exception_report_fixture.h"
#include "core/store/punch_filter.h"
#include "core/store/sqlite_connection.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// A punch as one line, every field in it.
QString text(const Punch& punch) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(punch.AutoNr)
        .arg(punch.Data.toString(Qt::ISODate), punch.Czas.toString(Qt::ISODate))
        .arg(punch.Nrwewpkt)
        .arg(punch.Nrczyt)
        .arg(punch.NrSczytania);
}

QStringList texts(const QList<Punch>& punches) {
    QStringList lines;
    for (const Punch& punch : punches)
        lines << text(punch);
    return lines;
}

// The reading as it was: instrument by instrument in number order, each through its index in
// date, time and AutoNr order.
QStringList byInstrumentIndex(TDM3& dm, const QDate& from, const QDate& to,
                              const QSet<QString>& instruments) {
    QStringList ordered(instruments.cbegin(), instruments.cend());
    ordered.sort();
    QStringList lines;
    for (const QString& instrument : ordered) {
        PunchCriteria criteria;
        criteria.fromDate = from;
        criteria.toDate = to;
        criteria.instrument = instrument;
        const auto next = dm.readPunches(PunchSelection::of(criteria));
        for (Punch punch; next(punch);)
            lines << text(punch);
    }
    return lines;
}

// Rows over a year and a half in no order, three instruments, moments shared by several rows,
// and times stored without the leading zero, as an older release or a hand may have left them.
void scatterPunches(const QString& punchFile, int count = 600) {
    SqliteConnection file(punchFile);
    QSqlQuery insert(file.database());
    ASSERT_TRUE(file.database().transaction());
    insert.prepare("INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                   "VALUES (?, ?, ?, ?, ?)");
    QRandomGenerator random(30);
    for (int i = 0; i < count; ++i) {
        const QDate day = QDate(2023, 6, 1).addDays(random.bounded(400));
        const int minute = random.bounded(24) * 60 + random.bounded(3) * 15;
        insert.addBindValue(day.toString(Qt::ISODate));
        insert.addBindValue(i % 97 == 0 ? QStringLiteral("%1:%2:00")
                                              .arg(minute / 60)
                                              .arg(minute % 60, 2, 10, QLatin1Char('0'))
                                        : QTime(0, 0).addSecs(minute * 60).toString(Qt::ISODate));
        insert.addBindValue(1 + random.bounded(5));
        insert.addBindValue(QStringList{"0001", "0002", "0003"}[random.bounded(3)]);
        insert.addBindValue(1 + i / 50);
        ASSERT_TRUE(insert.exec());
    }
    ASSERT_TRUE(file.database().commit());
}

TEST(PeriodPunchesTest, ReadInAnyOrderTheyAreThePunchesOfEachInstrumentInOrder) {
    ReportInstallation installation;
    {
        TDM3 dm;
        installation.open(dm);
        scatterPunches(dm.tbOdbicia.filePath());
    }
    const QSet<QString> every{"0001", "0002", "0003"};
    const struct {
        const char* name;
        QDate from, to;
        QSet<QString> instruments;
        bool withoutRoundsFile;
        bool none;
    } cases[] = {
        {"the whole table, walked through", QDate(2023, 1, 1), QDate(2025, 1, 1), every, false,
         false},
        {"a month of it, through the date index", QDate(2024, 3, 1), QDate(2024, 3, 31), every,
         false, false},
        {"one instrument", QDate(2023, 1, 1), QDate(2025, 1, 1), {"0002"}, false, false},
        {"two of three", QDate(2023, 9, 1), QDate(2024, 5, 1), {"0001", "0003"}, false, false},
        {"an unknown instrument", QDate(2023, 1, 1), QDate(2025, 1, 1), {"9999"}, false, true},
        {"no instrument", QDate(2023, 1, 1), QDate(2025, 1, 1), {}, false, true},
        {"a period with no punch", QDate(2020, 1, 1), QDate(2020, 12, 31), every, false, true},
        {"a reversed period", QDate(2024, 3, 31), QDate(2024, 3, 1), every, false, true},
        {"without Obchody.db", QDate(2023, 1, 1), QDate(2025, 1, 1), every, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.withoutRoundsFile) {
            ASSERT_TRUE(QFile::remove(installation.db() + "Obchody.db"));
        }
        TDM3 dm;
        dm.setReadOnly(true);
        installation.open(dm);
        ASSERT_EQ(dm.roundsFileMissing(), c.withoutRoundsFile);
        const QStringList expected = byInstrumentIndex(dm, c.from, c.to, c.instruments);
        const QStringList read = texts(loadPeriodPunches(dm, c.from, c.to, c.instruments));
        // The same rows; in the same order but for those of a time that is no time, which the
        // index puts by its text and the reading by its value, both among the day's rows.
        QStringList readSorted = read, expectedSorted = expected;
        readSorted.sort();
        expectedSorted.sort();
        EXPECT_TRUE(readSorted == expectedSorted);
        const auto wellFormed = [](QStringList lines) {
            lines.removeIf([](const QString& line) { return line.contains("  "); });
            return lines;
        };
        EXPECT_TRUE(wellFormed(read) == wellFormed(expected));
        EXPECT_EQ(read.isEmpty(), c.none);
    }
}

// A table long enough to be read in two halves on two connections gives the same punches in the
// same order, whatever the rows missing at the start, in the middle or at the end of the file.
TEST(PeriodPunchesTest, AReadingInTwoHalvesIsTheReadingInOne) {
    ReportInstallation installation;
    {
        TDM3 dm;
        installation.open(dm);
        scatterPunches(dm.tbOdbicia.filePath(), 30000);
        SqliteConnection file(dm.tbOdbicia.filePath());
        ASSERT_TRUE(QSqlQuery(file.database())
                        .exec("DELETE FROM Odbicia WHERE AutoNr < 40 OR AutoNr > 29900 OR "
                              "AutoNr BETWEEN 14000 AND 16000"));
    }
    const struct {
        const char* name;
        QDate from, to;
        QSet<QString> instruments;
    } cases[] = {
        {"every instrument, the whole table",
         QDate(2023, 1, 1),
         QDate(2025, 1, 1),
         {"0001", "0002", "0003"}},
        {"two of three, most of the table", QDate(2023, 7, 1), QDate(2024, 6, 1), {"0001", "0003"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDM3 dm;
        dm.setReadOnly(true);
        installation.open(dm);
        const QStringList expected = byInstrumentIndex(dm, c.from, c.to, c.instruments);
        const QStringList read = texts(loadPeriodPunches(dm, c.from, c.to, c.instruments));
        EXPECT_GT(read.size(), 10000);
        const auto wellFormed = [](QStringList lines) {
            lines.removeIf([](const QString& line) { return line.contains("  "); });
            return lines;
        };
        EXPECT_EQ(read.size(), expected.size());
        EXPECT_TRUE(wellFormed(read) == wellFormed(expected));
    }
}

// The reading tells how many of the period's days it has read and stops when told to.
TEST(PeriodPunchesTest, TheReadingTellsItsDaysAndStops) {
    ReportInstallation installation;
    TDM3 dm;
    installation.open(dm);
    {
        SqliteConnection file(dm.tbOdbicia.filePath());
        ASSERT_TRUE(QSqlQuery(file.database())
                        .exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                              "WHERE i < 19999) INSERT INTO Odbicia (Data, Czas, Nrwewpkt, "
                              "Nrczyt, NrSczytania) SELECT date('2024-01-01', '+' || (i / 60) || "
                              "' days'), '10:00:00', 1, '0001', 1 FROM n"));
    }
    qint64 lastDays = 0, total = 0;
    const QList<Punch> punches = loadPeriodPunches(dm, QDate(2024, 1, 1), QDate(2024, 12, 31),
                                                   {"0001", "0002"}, [&](qint64 days, qint64 of) {
                                                       EXPECT_GE(days, lastDays);
                                                       lastDays = days;
                                                       total = of;
                                                       return true;
                                                   });
    EXPECT_EQ(total, 366);
    EXPECT_EQ(lastDays, 366);
    EXPECT_GE(punches.size(), 20000);
    // Through the instrument's index, and through the two readings of the file at once.
    for (const QSet<QString>& instruments : {QSet<QString>{"0001"}, QSet<QString>{"0001", "0002"}})
        EXPECT_THROW(loadPeriodPunches(dm, QDate(2024, 1, 1), QDate(2024, 12, 31), instruments,
                                       [](qint64 days, qint64) { return days < 100; }),
                     WorkStopped);
}

} // namespace

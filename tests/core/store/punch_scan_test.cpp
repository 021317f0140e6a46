// The punch table read through SQLite's own interface: every row, odd ones included, as the SQL
// driver's reading made of it, and each failure named.
#include "core/store/punch_scan.h"

#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/sqlite_connection.h"
#include "core/store/stored_dates.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QString selectAll =
    QStringLiteral("SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM Odbicia");

// A punch as one line, every field in it, whether a date or time is valid too.
QString text(const Punch& punch) {
    return QStringLiteral("%1 %2/%3 %4/%5 %6 [%7] %8")
        .arg(punch.AutoNr)
        .arg(punch.Data.toString(Qt::ISODate))
        .arg(punch.Data.isValid())
        .arg(punch.Czas.toString(Qt::ISODate))
        .arg(punch.Czas.isValid())
        .arg(punch.Nrwewpkt)
        .arg(punch.Nrczyt)
        .arg(punch.NrSczytania);
}

// The rows as the data module reads them through the SQL driver.
QStringList readThroughDriver(const QString& file) {
    SqliteConnection connection(file);
    QSqlQuery query(connection.database());
    EXPECT_TRUE(query.exec(selectAll + QStringLiteral(" ORDER BY AutoNr")));
    QStringList lines;
    while (query.next())
        lines << text(TDM3::punchFromQuery(query));
    return lines;
}

QStringList readThroughScan(const QString& file, const PunchScanRows& rows) {
    QStringList lines;
    PunchScan scan(file, rows);
    for (Punch punch; scan.next(punch);)
        lines << text(punch);
    return lines;
}

// A punch file at `file` whose punch table has `columns` and the rows `rows`.
void makeTable(const QString& file, const QString& columns, const QStringList& rows) {
    SqliteConnection connection(file);
    QSqlQuery query(connection.database());
    ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE Odbicia (%1)").arg(columns)));
    for (const QString& row : rows)
        ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, "
                                              "NrSczytania) VALUES (%1)")
                                   .arg(row)))
            << qPrintable(row);
}

const PunchScanRows everyDay{QDate(1, 1, 1), QDate(9999, 12, 31), true, std::nullopt};

// Rows an older release, a hand or another tool may have left: texts not in the stored form,
// numbers stored as text or as fractions, values of no type at all, text beyond ASCII. The
// table's columns take any type, as a table made by hand may.
TEST(PunchScanTest, OddRowsReadAsTheDriverReadsThem) {
    TempFolder folder;
    const QString file = folder.file("Odbicia.db");
    makeTable(
        file, "AutoNr INTEGER PRIMARY KEY, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania",
        {"'2024-01-05', '08:15:00', 3, '004101', 7", "'2024-01-05', '8:15:00', 3, '004101', 7",
         "'2024-01-05', '08:15', '12abc', 'Ż01', ' 7'", "'2024-1-5', '08:15:00.5', 7.6, 4101, 7.5",
         "'2024-02-30', '24:00:00', NULL, NULL, NULL",
         "'2024-01-0x', ' 08:15:00', 5000000000, 41.5, -5000000000",
         "'2024-01-05 08:00', 815, X'3132', X'30303431', '0x10'",
         "'2024-01-05', 8.25, ' 7 ', '', '９'", "'2024-01-05', NULL, '+7', 'ab cd', '-3'",
         "'2024-01-０5', '０8:15:00', 1e3, 'Łódź', 2147483648",
         "'2024-13-01', '08:60:00', 0, '004102', 0"});
    const QStringList expected = readThroughDriver(file);
    ASSERT_EQ(expected.size(), 11);
    EXPECT_EQ(readThroughScan(file, everyDay), expected);
    PunchScanRows someRows = everyDay;
    someRows.walkTheFile = false;
    someRows.autoNrs = PunchScanRows::AutoNrs{3, 6};
    EXPECT_EQ(readThroughScan(file, someRows), expected.mid(2, 4));
}

// A period selects its days' rows by the stored text, both days included.
TEST(PunchScanTest, ThePeriodsDaysOnly) {
    TempFolder folder;
    const QString file = folder.file("Odbicia.db");
    makeTable(file,
              "AutoNr INTEGER PRIMARY KEY, Data TEXT, Czas TEXT, Nrwewpkt INTEGER, Nrczyt TEXT, "
              "NrSczytania INTEGER",
              {"'2024-02-29', '23:59:00', 1, '0001', 1", "'2024-03-01', '00:00:00', 2, '0001', 1",
               "'2024-03-31', '23:59:00', 3, '0002', 1", "'2024-04-01', '00:00:00', 4, '0002', 1"});
    for (const bool walked : {true, false}) {
        SCOPED_TRACE(walked);
        const QStringList read =
            readThroughScan(file, {QDate(2024, 3, 1), QDate(2024, 3, 31), walked, std::nullopt});
        ASSERT_EQ(read.size(), 2);
        EXPECT_TRUE(read[0].startsWith("2 2024-03-01/1 00:00:00/1 2 [0001] 1"))
            << qPrintable(read[0]);
        EXPECT_TRUE(read[1].startsWith("3 2024-03-31/1 23:59:00/1 3 [0002] 1"))
            << qPrintable(read[1]);
    }
}

// Whatever keeps the file from being read raises EDatabaseError naming the file.
TEST(PunchScanTest, AFileThatCannotBeReadIsNamed) {
    TempFolder folder;
    ASSERT_TRUE(
        writeFileBytes(folder.file("not a database.db"),
                       QByteArray("no SQLite file at all, only some text\n").repeated(200)));
    {
        SqliteConnection connection(folder.file("no punch table.db"));
        ASSERT_TRUE(QSqlQuery(connection.database()).exec("CREATE TABLE Other (x)"));
    }
    for (const char* name : {"missing.db", "not a database.db", "no punch table.db"}) {
        SCOPED_TRACE(name);
        const QString file = folder.file(QString::fromUtf8(name));
        try {
            PunchScan scan(file, everyDay);
            Punch punch;
            scan.next(punch);
            ADD_FAILURE() << "read";
        } catch (const EDatabaseError& error) {
            EXPECT_TRUE(error.message().startsWith(file + ": ")) << qPrintable(error.message());
            EXPECT_GT(error.message().size(), file.size() + 2);
        }
    }
}

} // namespace

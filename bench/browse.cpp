// Prints the refresh time of typical punch browser selections beside a full scan of the punch
// table with the row test, and the cost of scrolling through all rows, at 1M (and 10M) punches.
#include "browse/punch_table_model.h"
#include "store/data_module.h"
#include "store/punch_filter.h"
#include "store/punch_pages.h"
#include "store/sqlite_connection.h"

#include "resident_memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace ronvalo;

namespace {

const int instruments = 200;
const int days = 3650; // ten years from 2015
const QDate firstDay(2015, 1, 1);

void run(QSqlQuery& query, const QString& sql) {
    if (!query.exec(sql)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), qPrintable(query.lastError().text()));
        std::exit(1);
    }
}

// Fills the punch table in one statement: day after day, each day's punches spread over the
// instruments; an instrument's punches of one week form one download. The indexes are built
// after the rows, which is much faster than keeping them up to date row by row.
void fill(const QString& punchFile, qint64 count) {
    SqliteConnection file(punchFile);
    QSqlQuery query(file.database());
    run(query, "PRAGMA journal_mode = OFF");
    run(query, "PRAGMA synchronous = OFF");
    run(query, "PRAGMA cache_size = -200000");
    for (const char* index : {"ixDiT", "ixCzytData", "ixSczytania"})
        run(query, QStringLiteral("DROP INDEX %1").arg(index));
    const qint64 perDay = std::max<qint64>(1, count / days);
    run(query, QStringLiteral(
                   "INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                   "WITH RECURSIVE n(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM n WHERE k < %1) "
                   "SELECT date('2015-01-01', '+' || (k / %2) || ' days'), "
                   "printf('%02d:%02d:00', (k % %2) * 1440 / %2 / 60, (k % %2) * 1440 / %2 % 60), "
                   "160 + (k * 7) % 20, printf('%04d', (k * 37) % %3), "
                   "(k / %2 / 7) * %3 + (k * 37) % %3 + 1 FROM n")
                   .arg(count - 1)
                   .arg(perDay)
                   .arg(instruments));
    const QStringList& statements = punchSchema().createStatements;
    for (qsizetype k = 1; k < statements.size(); ++k)
        run(query, statements[k]);
    run(query, "ANALYZE");
}

struct Selection {
    const char* name;
    PunchCriteria criteria;
};

QList<Selection> typicalSelections() {
    const QDate middle = firstDay.addDays(days / 2);
    return {
        {"instrument, one day", {false, middle, middle, "0042", std::nullopt}},
        {"instrument, one month", {false, middle, middle.addMonths(1).addDays(-1), "0042", {}}},
        {"instrument, one year", {false, middle, middle.addYears(1).addDays(-1), "0137", {}}},
        {"instrument, all ten years", {false, firstDay, firstDay.addDays(days), "0007", {}}},
        {"instrument 12 (none)", {false, firstDay, firstDay.addDays(days), "12", {}}},
        {"one download", {true, middle, middle, std::nullopt, 261 * instruments + 43}},
        {"nothing selected", {false, middle, middle, std::nullopt, std::nullopt}},
    };
}

// A refresh as the grid sees it: the count, then the first screen of rows in all five columns.
double refreshMs(PunchTableModel& model, int* rows) {
    QElapsedTimer timer;
    timer.start();
    model.refresh();
    for (int row = 0; row < std::min(model.rowCount(), 20); ++row)
        for (int column = 0; column < 5; ++column)
            model.data(model.index(row, column), Qt::DisplayRole);
    *rows = model.rowCount();
    return timer.nsecsElapsed() / 1e6;
}

double fullScanMs(TDM3& dm, const PunchCriteria& criteria, qint64* accepted) {
    QElapsedTimer timer;
    timer.start();
    const bool was = dm.Filtered();
    dm.setFiltered(false);
    *accepted = 0;
    dm.forEachPunch([&](const Punch& p) {
        *accepted += tbOdbiciaFilterRecord(criteria, p);
        return true;
    });
    dm.setFiltered(was);
    return timer.nsecsElapsed() / 1e6;
}

// Scrolling with the filter off, every row of the table in the grid: page steps down from the
// top, jumps of the scroll bar, the end.
void benchScrolling(TDM3& dm) {
    dm.setFiltered(false);
    const long residentBefore = residentMegabytes();
    PunchPages pages(dm);
    QElapsedTimer timer;
    timer.start();
    pages.reset();
    const double countMs = timer.nsecsElapsed() / 1e6;
    const qint64 n = pages.count();
    timer.restart();
    for (qint64 row = 0; row < 100000 && row < n; ++row)
        pages.at(row);
    const double stepMs = timer.nsecsElapsed() / 1e6 / (std::min<qint64>(n, 100000) / 20.0);
    timer.restart();
    pages.at(n - 1);
    const double endMs = timer.nsecsElapsed() / 1e6;
    QRandomGenerator random(171);
    double worstJump = 0;
    timer.restart();
    for (int k = 0; k < 200; ++k) {
        QElapsedTimer one;
        one.start();
        pages.at(random.bounded(n));
        worstJump = std::max(worstJump, one.nsecsElapsed() / 1e6);
    }
    const double jumpMs = timer.nsecsElapsed() / 1e6 / 200;
    std::printf("  all %lld rows in the grid: count %.1f ms; a screen of 20 rows down %.3f ms; "
                "to the end %.1f ms; scroll-bar jumps %.1f ms on average, %.1f ms at worst; "
                "%zu keys kept; resident memory %ld MB before, %ld MB after\n",
                n, countMs, stepMs, endMs, jumpMs, worstJump, pages.keysKept(), residentBefore,
                residentMegabytes());
    dm.setFiltered(true);
}

void benchSize(qint64 count) {
    QTemporaryDir folder;
    if (!createEmptyDatabase(folder.path(), nullptr))
        std::exit(1);
    TDM3 dm;
    dm.setDatabaseFolder(folder.path() + "/db/");
    dm.openTables();
    QElapsedTimer timer;
    timer.start();
    fill(dm.tbOdbicia.filePath(), count);
    std::printf("%lld punches (%d instruments, %d days): filled in %.1f s\n", count, instruments,
                days, timer.elapsed() / 1000.0);

    PunchCriteria criteria;
    dm.setFiltered(true);
    PunchTableModel model(dm);
    // The cache of the fill is no part of browsing: start from a fresh connection.
    dm.tbOdbicia.Close();
    dm.tbOdbicia.Open();
    std::printf("  %-26s %9s %12s %14s %9s\n", "selection", "rows", "refresh ms", "full scan ms",
                "faster");
    for (const Selection& selection : typicalSelections()) {
        criteria = selection.criteria;
        dm.setFilterCriteria(criteria);
        int rows = 0;
        double best = 1e9;
        for (int k = 0; k < 5; ++k) // the best of five: the pages are in the cache by then
            best = std::min(best, refreshMs(model, &rows));
        qint64 accepted = 0;
        const double scan = fullScanMs(dm, criteria, &accepted);
        if (accepted != rows)
            std::printf("  MISMATCH: the scan accepted %lld rows\n", accepted);
        if (best < 0.001) // no query at all
            std::printf("  %-26s %9d %12.3f %14.1f %9s\n", selection.name, rows, best, scan, "-");
        else
            std::printf("  %-26s %9d %12.3f %14.1f %8.0fx\n", selection.name, rows, best, scan,
                        scan / best);
    }
    benchScrolling(dm);
    dm.setFilterCriteria(std::nullopt);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool tenMillion = false;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--10m") == 0) {
            tenMillion = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--10m]\n  --10m  also 10 million punches (about "
                         "2 GB of disk in the temporary folder)\n",
                         argv[0]);
            return 2;
        }
    }
    benchSize(1000000);
    if (tenMillion)
        benchSize(10000000);
    return 0;
}

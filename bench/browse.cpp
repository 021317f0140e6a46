// Prints the refresh time of typical punch browser selections beside a full scan of the punch
// table with the row test, and the cost of scrolling through all rows, at 1M (and 10M) punches:
// on the local files and, in the same run, on a PostgreSQL server holding the same rows.
#include "core/store/data_module.h"
#include "core/store/punch_filter.h"
#include "core/store/punch_pages.h"
#include "core/store/server_schema.h"
#include "core/store/sqlite_connection.h"
#include "desktop/browse/punch_table_model.h"

#include "resident_memory.h"
#include "support/postgres_server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

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

// The same rows on the server, made there by one statement as well.
void fillServer(TDM3& dm, qint64 count) {
    QSqlQuery query(dm.roundsDatabase());
    for (const char* index : {"ixDiT", "ixCzytData", "ixSczytania"})
        run(query, QStringLiteral("DROP INDEX main.%1").arg(index));
    const qint64 perDay = std::max<qint64>(1, count / days);
    run(query,
        QStringLiteral("INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                       "SELECT to_char(date '2015-01-01' + (k / %2)::int, 'YYYY-MM-DD'), "
                       "to_char((k % %2) * 1440 / %2 / 60, 'FM00') || ':' || "
                       "to_char((k % %2) * 1440 / %2 % 60, 'FM00') || ':00', "
                       "160 + (k * 7) % 20, to_char((k * 37) % %3, 'FM0000'), "
                       "(k / %2 / 7) * %3 + (k * 37) % %3 + 1 "
                       "FROM generate_series(0::bigint, %1) AS k")
            .arg(count - 1)
            .arg(perDay)
            .arg(instruments));
    for (const QString& statement : serverSchemaStatements())
        if (statement.startsWith(QStringLiteral("CREATE INDEX")))
            run(query, statement);
    // What autovacuum does on a server in use: the visibility map lets counts read the indexes
    // only.
    run(query, "VACUUM ANALYZE main.Odbicia");
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

// The refresh of every typical selection, the best of five (the pages are in the cache by
// then), with its row count checked against a full scan.
struct Refreshes {
    QList<double> best;
    QList<double> scan;
    QList<int> rows;
};

Refreshes measureRefreshes(TDM3& dm) {
    Refreshes figures;
    dm.setFiltered(true);
    PunchTableModel model(dm);
    for (const Selection& selection : typicalSelections()) {
        dm.setFilterCriteria(selection.criteria);
        int rows = 0;
        double best = 1e9;
        for (int k = 0; k < 5; ++k)
            best = std::min(best, refreshMs(model, &rows));
        qint64 accepted = 0;
        figures.scan << fullScanMs(dm, selection.criteria, &accepted);
        if (accepted != rows)
            std::printf("  MISMATCH in %s: the scan accepted %lld rows\n", selection.name,
                        accepted);
        figures.best << best;
        figures.rows << rows;
    }
    return figures;
}

void printRefreshes(const Refreshes& files, const std::optional<Refreshes>& server) {
    std::printf("  %-26s %9s %12s %14s %9s %12s %8s\n", "selection", "rows", "refresh ms",
                "full scan ms", "faster", "server ms", "ratio");
    const QList<Selection> selections = typicalSelections();
    for (qsizetype k = 0; k < selections.size(); ++k) {
        const double best = files.best[k];
        std::printf("  %-26s %9d %12.3f %14.1f ", selections[k].name, files.rows[k], best,
                    files.scan[k]);
        if (best < 0.001) // no query at all
            std::printf("%9s", "-");
        else
            std::printf("%8.0fx", files.scan[k] / best);
        if (server) {
            if (server->rows[k] != files.rows[k])
                std::printf(" MISMATCH: %d rows on the server", server->rows[k]);
            else if (best < 0.001)
                std::printf(" %12.3f %8s", server->best[k], "-");
            else
                std::printf(" %12.3f %7.2fx", server->best[k], server->best[k] / best);
        }
        std::printf("\n");
    }
}

void benchSize(qint64 count, const std::optional<QString>& server) {
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
    // The cache of the fill is no part of browsing: start from a fresh connection.
    dm.tbOdbicia.Close();
    dm.tbOdbicia.Open();

    std::optional<Refreshes> onServer;
    if (server) {
        TDM3 remote;
        remote.setServer(*server);
        remote.openTables();
        timer.restart();
        fillServer(remote, count);
        std::printf("  the same rows on the server: filled in %.1f s\n", timer.elapsed() / 1000.0);
        remote.tbOdbicia.Close();
        remote.tbOdbicia.Open();
        onServer = measureRefreshes(remote);
        std::printf("  on the server:");
        benchScrolling(remote);
    }
    printRefreshes(measureRefreshes(dm), onServer);
    std::printf("  on the files:");
    benchScrolling(dm);
    dm.setFilterCriteria(std::nullopt);
}

// A database of its own for every size, on the server given or on one started here.
std::optional<QString> serverDatabase(std::optional<ronvalo::test::PostgresServer>& own,
                                      const QString& given, int size) {
    if (!given.isEmpty())
        return size == 0 ? std::optional(given) : std::nullopt;
    if (!own)
        own.emplace();
    if (!own->ok()) {
        std::printf("no server: %s\n", qPrintable(own->problem()));
        return std::nullopt;
    }
    const QString conninfo = own->connectionString(own->createDatabase());
    QString error;
    if (!createServerDatabase(conninfo, &error)) {
        std::printf("no server tables: %s\n", qPrintable(error));
        return std::nullopt;
    }
    return conninfo;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool tenMillion = false;
    bool withServer = true;
    QString given;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--10m") == 0) {
            tenMillion = true;
        } else if (std::strcmp(argv[k], "--no-server") == 0) {
            withServer = false;
        } else if (std::strcmp(argv[k], "--server") == 0 && k + 1 < argc) {
            given = QString::fromLocal8Bit(argv[++k]);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--10m] [--no-server | --server CONNINFO]\n"
                         "  --10m         also 10 million punches (about 2 GB of disk in the "
                         "temporary folder, as much again for the server)\n"
                         "  --no-server   the local files only\n"
                         "  --server      an empty database made by ronvalo-newdb --server, used "
                         "for the first size only; without it a server is started here\n",
                         argv[0]);
            return 2;
        }
    }
    std::optional<ronvalo::test::PostgresServer> own;
    int size = 0;
    for (const qint64 count : {qint64(1000000), qint64(10000000)}) {
        if (count > 1000000 && !tenMillion)
            break;
        benchSize(count, withServer ? serverDatabase(own, given, size++) : std::nullopt);
    }
    return 0;
}

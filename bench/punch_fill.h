// Filling a benchmark's installation fast: the benchmarks' instruments and plans, a guard's walk
// of one round, and the punch table written in one transaction of many-row statements with its
// indexes built after the rows.
#pragma once

#include "core/rounds/evaluation.h"
#include "core/store/sqlite_connection.h"

#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QString>
#include <stdexcept>
#include <vector>

namespace ronvalo::bench {

// "004100", "004101", ...: the number of instrument `k`.
QString instrumentName(int k);

// Per instrument a day plan (12 checkpoints in a fixed order, every 4 hours from 06:00 to
// 18:00) and a night plan (8 checkpoints in any order at 22:00 and 02:00): 6 rounds a day.
// Instrument k's plans are 2k and 2k + 1 of the list.
QList<Plan> makePlans(int instruments, const QDate& validFrom);

// The minutes of a plan's day at which its rounds start; past 1440 runs into the next day.
QList<int> roundStarts(const Plan& plan);

struct Generated {
    QDate date;
    int minute; // of the day; past 1440 runs into the next day
    qint32 checkpoint;
    int instrument;
};

// The day and the time the punch is stored with.
QDate storedDay(const Generated& punch);
QTime storedClock(const Generated& punch);

// A guard's walk of one round starting at minute t0 of `date`: mostly on time and whole, some
// late, some missing a step, some out of order, some not walked; now and then a checkpoint
// punched twice.
void walk(const Plan& plan, const QDate& date, int t0, int instrument, QRandomGenerator& random,
          std::vector<Generated>& out);

// The checkpoint of a patrol between rounds: one of 40, or now and then an incident's (171-174).
qint32 patrolCheckpoint(QRandomGenerator& random);

// Ends the benchmark with `message` as a std::runtime_error, so that its service and temporary
// folder are cleaned up on the way out.
[[noreturn]] void fail(const QString& message);

// Runs `sql`; a failure ends the benchmark with the statement and the error.
void runSql(QSqlQuery& query, const QString& sql);

double msSince(const QElapsedTimer& timer);
// The processor time of this process, in milliseconds: other programs on the machine do not
// count.
double cpuMs();

// Writes punches into the empty punch table of `punchFile` without a journal, 500 rows a
// statement, in one transaction; finish() commits and builds the indexes.
class PunchWriter {
public:
    explicit PunchWriter(const QString& punchFile);
    void add(const Generated& punch, qint32 download);
    void finish();

private:
    struct Row {
        Generated punch;
        qint32 download;
    };
    void write(const std::vector<Row>& rows, QSqlQuery& insert);
    void prepare(QSqlQuery& insert, int rows);

    SqliteConnection file_;
    QSqlQuery many_;
    std::vector<Row> pending_;
};

} // namespace ronvalo::bench

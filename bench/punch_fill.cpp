// The benchmarks' shared filling of a punch table.
#include "punch_fill.h"

#include "core/store/schema.h"
#include "core/store/stored_dates.h"

#include <QSqlError>
#include <QStringList>
#include <algorithm>
#include <ctime>

namespace ronvalo::bench {

namespace {
constexpr int rowsPerStatement = 500;
}

QString instrumentName(int k) {
    return QStringLiteral("00%1").arg(4100 + k);
}

QList<Plan> makePlans(int instruments, const QDate& validFrom) {
    QList<Plan> plans;
    for (int k = 0; k < instruments; ++k) {
        Plan day;
        day.id = 2 * k + 1;
        day.name = QStringLiteral("Dzień %1").arg(k);
        day.instrument = instrumentName(k);
        day.firstStart = QTime(6, 0);
        day.lastStart = QTime(18, 0);
        day.interval = 240;
        day.tolerance = 15;
        day.duration = 60;
        day.validFrom = validFrom;
        for (int step = 1; step <= 12; ++step)
            day.steps.append({step, step == 7});
        Plan night = day;
        night.id = 2 * k + 2;
        night.name = QStringLiteral("Noc %1").arg(k);
        night.order = StepOrder::Any;
        night.firstStart = QTime(22, 0);
        night.lastStart = QTime(2, 0);
        night.steps.clear();
        for (int step = 20; step < 28; ++step)
            night.steps.append({step, false});
        plans << day << night;
    }
    return plans;
}

QList<int> roundStarts(const Plan& plan) {
    const int first = plan.firstStart.msecsSinceStartOfDay() / 60000;
    int last = plan.lastStart.msecsSinceStartOfDay() / 60000;
    if (last < first)
        last += 1440;
    QList<int> starts;
    for (int t0 = first; t0 <= last; t0 += plan.interval)
        starts.append(t0);
    return starts;
}

QDate storedDay(const Generated& punch) {
    return punch.date.addDays(punch.minute / 1440);
}

QTime storedClock(const Generated& punch) {
    return QTime(0, 0).addSecs(punch.minute % 1440 * 60);
}

void walk(const Plan& plan, const QDate& date, int t0, int instrument, QRandomGenerator& random,
          std::vector<Generated>& out) {
    const int fate = random.bounded(100);
    if (fate < 3)
        return;
    int minute = t0 - 10 + random.bounded(20) + (fate < 8 ? 25 : 0);
    QList<PlanStep> steps = plan.steps;
    if (fate >= 8 && fate < 11)
        std::swap(steps[2], steps[5]);
    if (plan.order == StepOrder::Any)
        std::shuffle(steps.begin() + 1, steps.end(), random);
    for (qsizetype s = 0; s < steps.size(); ++s) {
        if (fate >= 11 && fate < 15 && s == 4)
            continue;
        out.push_back({date, minute, steps[s].checkpoint, instrument});
        if (random.bounded(10) == 0)
            out.push_back({date, minute + 1, steps[s].checkpoint, instrument});
        minute += 2 + random.bounded(3);
    }
}

qint32 patrolCheckpoint(QRandomGenerator& random) {
    return random.bounded(40) == 0 ? 171 + random.bounded(4) : 1 + random.bounded(40);
}

void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

void runSql(QSqlQuery& query, const QString& sql) {
    if (!query.exec(sql))
        fail(sql + '\n' + query.lastError().text());
}

double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

PunchWriter::PunchWriter(const QString& punchFile) : file_(punchFile), many_(file_.database()) {
    QSqlQuery query(file_.database());
    runSql(query, "PRAGMA journal_mode = OFF");
    runSql(query, "PRAGMA synchronous = OFF");
    for (const char* index : {"ixDiT", "ixCzytData", "ixSczytania"})
        runSql(query, QStringLiteral("DROP INDEX %1").arg(index));
    prepare(many_, rowsPerStatement);
    file_.database().transaction();
    pending_.reserve(rowsPerStatement);
}

void PunchWriter::prepare(QSqlQuery& insert, int rows) {
    QStringList values(rows, QStringLiteral("(?, ?, ?, ?, ?)"));
    insert.prepare("INSERT INTO Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) VALUES " +
                   values.join(", "));
}

void PunchWriter::add(const Generated& punch, qint32 download) {
    pending_.push_back({punch, download});
    if (pending_.size() == rowsPerStatement) {
        write(pending_, many_);
        pending_.clear();
    }
}

void PunchWriter::write(const std::vector<Row>& rows, QSqlQuery& insert) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const Generated& punch = rows[row].punch;
        const int first = int(5 * row);
        insert.bindValue(first, storedDate(storedDay(punch)));
        insert.bindValue(first + 1, storedTime(storedClock(punch)));
        insert.bindValue(first + 2, punch.checkpoint);
        insert.bindValue(first + 3, instrumentName(punch.instrument));
        insert.bindValue(first + 4, rows[row].download);
    }
    if (!insert.exec())
        fail(insert.lastError().text());
}

void PunchWriter::finish() {
    if (!pending_.empty()) {
        QSqlQuery rest(file_.database());
        prepare(rest, int(pending_.size()));
        write(pending_, rest);
        pending_.clear();
    }
    file_.database().commit();
    QSqlQuery query(file_.database());
    const QStringList& statements = punchSchema().createStatements;
    for (qsizetype k = 1; k < statements.size(); ++k)
        runSql(query, statements[k]);
    runSql(query, "ANALYZE");
}

} // namespace ronvalo::bench

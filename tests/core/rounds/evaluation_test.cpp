// The evaluation of a period: one table of punches, plans and periods with the rounds, the
// punches outside the plan, the incidents and the counts each must yield.
#include "core/rounds/evaluation.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/common/ole_date.h"

using namespace ronvalo;

namespace {

// Day 0 of every case is a Monday.
const QDate monday(2024, 3, 4);

struct PlanRow {
    qint64 id = 1;
    const char* name = "Obchód";
    const char* steps = "1 2 3"; // checkpoints in Lp order; "2?" is an optional step
    bool anyOrder = false;
    const char* first = "08:00";
    const char* last = nullptr; // the first start when null
    int interval = 0;
    int tolerance = 10;
    int duration = 30;
    int weekdays = 0x7f;
    int from = -30;   // days from day 0
    int to = INT_MIN; // none
    const char* instrument = "A";
};

Plan planOf(const PlanRow& row) {
    Plan plan;
    plan.id = row.id;
    plan.name = QString::fromUtf8(row.name);
    plan.instrument = QString::fromLatin1(row.instrument);
    plan.order = row.anyOrder ? StepOrder::Any : StepOrder::Fixed;
    plan.weekdays = row.weekdays;
    plan.firstStart = QTime::fromString(QString::fromLatin1(row.first), "HH:mm");
    plan.lastStart =
        QTime::fromString(QString::fromLatin1(row.last ? row.last : row.first), "HH:mm");
    plan.interval = row.interval;
    plan.tolerance = row.tolerance;
    plan.duration = row.duration;
    plan.validFrom = monday.addDays(row.from);
    if (row.to != INT_MIN)
        plan.validTo = monday.addDays(row.to);
    for (const QString& step : QString::fromLatin1(row.steps).split(' '))
        plan.steps.append({QString(step).remove('?').toInt(), step.endsWith('?')});
    return plan;
}

// A punch on day `day` (INT_MIN: the zero date); AutoNr follows the list unless given, and then
// the rows show it.
struct P {
    int day;
    const char* time;
    qint32 checkpoint;
    qint64 autoNr = 0;
    const char* instrument = "A";
    qint32 download = 1;
};

struct Case {
    const char* name;
    std::vector<PlanRow> plans;
    std::vector<P> punches;
    int first = 0;
    int last = 0;
    // "day plan/id t0-day t0-time status: step punches +repeats"; "!" marks out of order.
    std::vector<const char*> rounds;
    std::vector<const char*> outside = {}; // "day time checkpoint instrument"
    std::vector<const char*> incidents = {};
    std::vector<const char*> counts = {}; // per plan, then "*": planned [by status] compliance
    // "instrument day time" of the last transfers; empty: every round is judged
    std::vector<const char*> transfers = {};
};

const std::vector<Case> cases = {
    {"on time; an optional step missed; a repeat; an incident claimed and one outside",
     {{.steps = "1 2? 171"}},
     {{0, "08:02", 1}, {0, "08:15", 171}, {0, "08:20", 171}, {0, "09:30", 172}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:02 - 08:15 +08:20"},
     {"0 09:30 172 A"},
     {"0 08:15 171 A", "0 08:20 171 A", "0 09:30 172 A"},
     {"Obchód 1 [0 0 0 0 1 0] 100,0%", "* 1 [0 0 0 0 1 0] 100,0%"}},
    {"night rounds across midnight belong to the evening; punches read past the period",
     {{.first = "23:30", .last = "03:30", .interval = 240, .duration = 60}},
     {{0, "23:35", 1}, {1, "00:05", 2}, {1, "00:20", 3}, {1, "03:31", 1}, {1, "03:40", 2}},
     0,
     0,
     {"0 Obchód/1 0 23:30 Wykonany: 23:35 00:05 00:20",
      "0 Obchód/1 1 03:30 Niepełny: 03:31 03:40 -"}},
    {"a late start: the steps are judged from it",
     {{}},
     {{0, "08:25", 1}, {0, "08:45", 2}, {0, "08:52", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Spóźniony: 08:25 08:45 08:52"}},
    {"rounds an interval apart share no punches",
     {{.last = "09:00", .interval = 60}},
     {{0, "08:05", 1},
      {0, "08:15", 2},
      {0, "08:25", 1},
      {0, "09:02", 1},
      {0, "09:10", 2},
      {0, "09:20", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Niepełny: 08:05 08:15 - +08:25",
      "0 Obchód/1 0 09:00 Wykonany: 09:02 09:10 09:20"}},
    {"a late round leaves the next round its start",
     {{.last = "09:00", .interval = 60}},
     {{0, "08:35", 1},
      {0, "08:50", 2},
      {0, "08:55", 3},
      {0, "09:02", 1},
      {0, "09:10", 2},
      {0, "09:20", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Spóźniony: 08:35 08:50 08:55",
      "0 Obchód/1 0 09:00 Wykonany: 09:02 09:10 09:20"}},
    {"a fixed round walked backwards",
     {{.steps = "1 2 3 4"}},
     {{0, "08:01", 1}, {0, "08:05", 4}, {0, "08:10", 3}, {0, "08:15", 2}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Poza kolejnością: 08:01 08:15 08:10! 08:05!"}},
    {"any order, the instrument matched on its first 10 characters",
     {{.steps = "1 2 3", .anyOrder = true, .instrument = "12345678901"}},
     {{0, "08:03", 3, 0, "1234567890"},
      {0, "08:06", 1, 0, "1234567890"},
      {0, "08:09", 2, 0, "1234567890"},
      {0, "08:09", 2, 0, "12345678"}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:06 08:09 08:03"},
     {"0 08:09 2 12345678"}},
    {"a punch stored twice is claimed once, its copy a repeat; undated punches are ignored",
     {{}},
     {{0, "08:02", 1, 9},
      {0, "08:02", 1, 4},
      {0, "08:10", 2},
      {INT_MIN, "08:11", 2},
      {0, "08:10", 2},
      {0, "08:20", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:02#4 08:10 08:20 +08:02#9 +08:10"}},
    {"a plan changed in the middle of the period",
     {{.id = 1, .to = 1}, {.id = 2, .steps = "1 4 3", .from = 2}},
     {{1, "08:01", 1},
      {1, "08:05", 2},
      {1, "08:09", 3},
      {2, "08:01", 1},
      {2, "08:05", 2},
      {2, "08:09", 3}},
     1,
     2,
     {"1 Obchód/1 1 08:00 Wykonany: 08:01 08:05 08:09",
      "2 Obchód/2 2 08:00 Niepełny: 08:01 - 08:09"},
     {"2 08:05 2 A"},
     {},
     {"Obchód 2 [0 1 0 0 1 0] 50,0%", "* 2 [0 1 0 0 1 0] 50,0%"}},
    {"weekdays; a day without punches; two plans of one instrument in t0 order",
     {{.name = "Brama", .steps = "1 2", .last = "10:00", .interval = 120, .weekdays = 0b101},
      {.id = 2, .name = "Płot", .steps = "1 3", .first = "08:20", .weekdays = 0b101}},
     {{0, "08:05", 1},
      {0, "08:10", 2},
      {0, "08:22", 1},
      {0, "08:25", 3},
      {0, "10:00", 1},
      {0, "10:01", 2},
      {1, "08:00", 1}},
     0,
     2,
     {"0 Brama/1 0 08:00 Wykonany: 08:05 08:10", "0 Płot/2 0 08:20 Wykonany: 08:22 08:25",
      "0 Brama/1 0 10:00 Wykonany: 10:00 10:01", "2 Brama/1 2 08:00 Nie wykonany: - -",
      "2 Płot/2 2 08:20 Nie wykonany: - -", "2 Brama/1 2 10:00 Nie wykonany: - -"},
     {"1 08:00 1 A"},
     {},
     {"Brama 4 [2 0 0 0 2 0] 50,0%", "Płot 2 [1 0 0 0 1 0] 50,0%", "* 6 [3 0 0 0 3 0] 50,0%"}},
    // Where a round reaches into the next one.
    {"a first checkpoint at the next round's t0 - tolerance is that round's on-time start",
     {{.steps = "1 2", .last = "09:00", .interval = 60, .duration = 90}},
     {{0, "08:02", 1}, {0, "08:20", 2}, {0, "08:50", 1}, {0, "09:10", 2}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:02 08:20", "0 Obchód/1 0 09:00 Wykonany: 08:50 09:10"}},
    {"a punch on time for two rounds whose windows touch starts the earlier one",
     {{.steps = "1", .last = "08:20", .interval = 20, .duration = 15}},
     {{0, "08:10", 1}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:10", "0 Obchód/1 0 08:20 Nie wykonany: -"}},
    {"a duration over the interval, walked twice in full",
     {{.last = "09:00", .interval = 60, .duration = 90}},
     {{0, "08:00", 1},
      {0, "08:30", 2},
      {0, "08:50", 3},
      {0, "09:00", 1},
      {0, "09:30", 2},
      {0, "09:50", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:00 08:30 08:50",
      "0 Obchód/1 0 09:00 Wykonany: 09:00 09:30 09:50"}},
    {"a last step forgotten and walked by the next round of the plan",
     {{.last = "09:00", .interval = 60, .duration = 120}},
     {{0, "08:00", 1}, {0, "08:30", 2}, {0, "09:00", 1}, {0, "09:30", 2}, {0, "09:50", 3}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Niepełny: 08:00 08:30 -",
      "0 Obchód/1 0 09:00 Wykonany: 09:00 09:30 09:50"}},
    {"a late start leaves the on-time start of the plan's next round to it",
     {{.steps = "1 2", .last = "09:00", .interval = 60, .duration = 60}},
     {{0, "08:55", 1}, {0, "09:05", 2}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Nie wykonany: - -", "0 Obchód/1 0 09:00 Wykonany: 08:55 09:05"}},
    {"a late start leaves another plan's on-time start to it",
     {{.name = "A", .steps = "1 2", .duration = 60},
      {.id = 2, .name = "B", .steps = "1 3", .first = "08:50", .tolerance = 5, .duration = 10}},
     {{0, "08:50", 1}, {0, "08:55", 3}},
     0,
     0,
     {"0 A/1 0 08:00 Nie wykonany: - -", "0 B/2 0 08:50 Wykonany: 08:50 08:55"}},
    {"two later rounds sharing one t0 both keep their starts",
     {{.name = "A", .steps = "1 4", .last = "09:00", .interval = 60, .duration = 90},
      {.id = 2, .name = "B", .steps = "4 3", .first = "09:00"}},
     {{0, "08:05", 1}, {0, "08:55", 1}, {0, "08:57", 4}, {0, "09:05", 4}, {0, "09:10", 3}},
     0,
     0,
     {"0 A/1 0 08:00 Niepełny: 08:05 -", "0 A/1 0 09:00 Wykonany: 08:55 09:05",
      "0 B/2 0 09:00 Wykonany: 08:57 09:10"}},
    {"an out-of-order step never takes another round's on-time start",
     {{.name = "P", .steps = "2 5 8", .first = "10:00", .tolerance = 5, .duration = 60},
      {.id = 2, .name = "Q", .steps = "8", .first = "10:20", .tolerance = 5, .duration = 10}},
     {{0, "10:00", 2}, {0, "10:21", 8}, {0, "10:30", 5}},
     0,
     0,
     {"0 P/1 0 10:00 Niepełny: 10:00 10:30 -", "0 Q/2 0 10:20 Wykonany: 10:21"}},
    {"the first minute of a round's on-time window is its own, not the last round's repeat",
     {{.steps = "10",
       .first = "18:18",
       .last = "20:18",
       .interval = 60,
       .tolerance = 30,
       .duration = 90}},
     {{0, "19:05", 10}, {0, "19:48", 10}},
     0,
     0,
     {"0 Obchód/1 0 18:18 Nie wykonany: -", "0 Obchód/1 0 19:18 Wykonany: 19:05",
      "0 Obchód/1 0 20:18 Wykonany: 19:48"}},
    {"a night round on time to the minute keeps its start from an earlier late one",
     {{.name = "A",
       .steps = "9",
       .first = "21:51",
       .last = "03:51",
       .interval = 120,
       .tolerance = 5,
       .duration = 180},
      {.id = 2, .name = "B", .steps = "7", .first = "02:56"}},
     {{1, "03:51", 9}},
     0,
     0,
     {"0 B/2 0 02:56 Nie wykonany: -", "0 A/1 0 21:51 Nie wykonany: -",
      "0 A/1 0 23:51 Nie wykonany: -", "0 A/1 1 01:51 Nie wykonany: -",
      "0 A/1 1 03:51 Wykonany: 03:51"}},
    {"a round of a plan walked after the next one started on time",
     {{.steps = "1 2", .first = "10:00", .last = "11:00", .interval = 60, .duration = 90}},
     {{0, "10:00", 1}, {0, "10:30", 2}, {0, "11:02", 1}, {0, "11:20", 2}},
     0,
     0,
     {"0 Obchód/1 0 10:00 Wykonany: 10:00 10:30", "0 Obchód/1 0 11:00 Wykonany: 11:02 11:20"}},
    {"fixed order after a step without a punch: from the latest punch taken",
     {{.steps = "1 2 3 4 5"}},
     {{0, "08:01", 1}, {0, "08:03", 3}, {0, "08:04", 5}, {0, "08:06", 2}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Niepełny: 08:01 08:06 08:03! - 08:04!"}},
    {"a round begun more than a day before the period keeps its step within it",
     {{.steps = "1 2", .first = "23:00", .duration = 1000}},
     {{-1, "15:00", 1}, {0, "07:00", 2}},
     0,
     0,
     {"0 Obchód/1 0 23:00 Nie wykonany: - -"}},
    {"a copy from another download follows its original, even one outside the plan",
     {{}},
     {{0, "08:02", 1, 1, "A", 1},
      {0, "08:10", 2, 2, "A", 1},
      {0, "08:02", 1, 3, "A", 2},
      {0, "08:10", 2, 4, "A", 2},
      {0, "08:20", 3, 5, "A", 1},
      {0, "09:30", 7, 6, "A", 1},
      {0, "09:30", 7, 7, "A", 2}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:02#1 08:10#2 08:20#5 +08:02#3 +08:10#4"},
     {"0 09:30 7 A", "0 09:30 7 A"}},
    {"a copy is never a start: the round it would start late is not walked",
     {{.name = "A", .steps = "1", .duration = 60},
      {.id = 2, .name = "B", .steps = "1", .first = "09:00"}},
     {{0, "08:55", 1, 1, "A", 1}, {0, "08:55", 1, 2, "A", 2}},
     0,
     0,
     {"0 A/1 0 08:00 Nie wykonany: -", "0 B/2 0 09:00 Wykonany: 08:55#1 +08:55#2"}},
    {"rounds due after the last transfer are not judged, nor any of an instrument never read",
     {{.steps = "1 2", .last = "10:00", .interval = 60},
      {.id = 2, .name = "Płot", .steps = "5", .first = "09:00", .instrument = "B"}},
     {{0, "08:02", 1}, {0, "08:05", 2}, {0, "10:02", 1}, {0, "09:01", 5, 0, "B"}},
     0,
     0,
     {"0 Obchód/1 0 08:00 Wykonany: 08:02 08:05", "0 Obchód/1 0 09:00 Nie wykonany: - -",
      "0 Płot/2 0 09:00 Brak odczytu: 09:01", "0 Obchód/1 0 10:00 Brak odczytu: 10:02 -"},
     {},
     {},
     {"Obchód 2 [1 0 0 0 1 1] 50,0%", "Płot 0 [0 0 0 0 0 1] –", "* 2 [1 0 0 0 1 2] 50,0%"},
     {"A 0 10:05"}},
};

QString dayOf(const QDate& date) {
    return QString::number(monday.daysTo(date));
}

QString punchText(const Case& c, const std::vector<Punch>& punches, int index) {
    QString text = punches[index].Czas.toString("HH:mm");
    if (c.punches[index].autoNr)
        text += '#' + QString::number(punches[index].AutoNr);
    return text;
}

QString roundText(const Case& c, const std::vector<Punch>& punches, const RoundRow& row) {
    QStringList parts{dayOf(row.day), row.planName + '/' + QString::number(row.planId),
                      dayOf(row.plannedStart.date()), row.plannedStart.time().toString("HH:mm"),
                      roundStatusText(row.status) + ':'};
    for (const StepResult& step : row.steps)
        parts << (step.punch < 0
                      ? QStringLiteral("-")
                      : punchText(c, punches, step.punch) + (step.outOfOrder ? "!" : ""));
    for (int repeat : row.repeats)
        parts << '+' + punchText(c, punches, repeat);
    return parts.join(' ');
}

QStringList punchList(const std::vector<Punch>& punches, const QList<int>& indices) {
    QStringList texts;
    for (int index : indices) {
        const Punch& punch = punches[index];
        texts << QStringLiteral("%1 %2 %3 %4")
                     .arg(dayOf(punch.Data), punch.Czas.toString("HH:mm"))
                     .arg(punch.Nrwewpkt)
                     .arg(punch.Nrczyt);
    }
    return texts;
}

QString countsText(const RoundCounts& counts) {
    QStringList byStatus;
    for (int n : counts.byStatus)
        byStatus << QString::number(n);
    return QStringLiteral("%1 %2 [%3] %4")
        .arg(counts.plan.isEmpty() ? QStringLiteral("*") : counts.plan)
        .arg(counts.planned)
        .arg(byStatus.join(' '), complianceText(counts));
}

// As standard strings, which a failing expectation prints readably.
std::vector<std::string> texts(const std::vector<const char*>& items) {
    return {items.begin(), items.end()};
}

std::vector<std::string> texts(const QStringList& items) {
    std::vector<std::string> result;
    for (const QString& item : items)
        result.push_back(item.toStdString());
    return result;
}

// No punch is claimed twice, and no claimed punch is outside the plan.
void expectClaimedOnce(const Evaluation& result, std::size_t punchCount) {
    std::vector<int> claims(punchCount);
    for (const RoundRow& row : result.rounds) {
        for (const StepResult& step : row.steps)
            if (step.punch >= 0)
                ++claims[step.punch];
        for (int repeat : row.repeats)
            ++claims[repeat];
    }
    for (int index : result.outside)
        ++claims[index];
    for (std::size_t i = 0; i < punchCount; ++i)
        EXPECT_LE(claims[i], 1) << "punch " << i;
}

TEST(Evaluation, JudgesThePeriod) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EvaluationInput input;
        for (const PlanRow& row : c.plans)
            input.plans.append(planOf(row));
        std::vector<Punch> punches;
        for (std::size_t k = 0; k < c.punches.size(); ++k) {
            const P& p = c.punches[k];
            punches.push_back({p.autoNr ? p.autoNr : qint64(k + 100),
                               p.day == INT_MIN ? zeroDate() : monday.addDays(p.day),
                               QTime::fromString(QString::fromLatin1(p.time), "HH:mm"),
                               p.checkpoint, QString::fromLatin1(p.instrument), p.download});
        }
        if (!c.transfers.empty()) {
            input.lastTransfers.emplace();
            for (const char* transfer : c.transfers) {
                const QStringList parts = QString::fromLatin1(transfer).split(' ');
                input.lastTransfers->insert(
                    parts[0], QDateTime(monday.addDays(parts[1].toInt()),
                                        QTime::fromString(parts[2], "HH:mm"), Qt::UTC));
            }
        }
        input.punches = punches;
        input.first = monday.addDays(c.first);
        input.last = monday.addDays(c.last);
        input.incidentCheckpoints = {171, 172, 173, 174};

        const Evaluation result = evaluate(input);

        QStringList rounds;
        for (const RoundRow& row : result.rounds)
            rounds << roundText(c, punches, row);
        EXPECT_EQ(texts(rounds), texts(c.rounds));
        EXPECT_EQ(texts(punchList(punches, result.outside)), texts(c.outside));
        EXPECT_EQ(texts(punchList(punches, result.incidents)), texts(c.incidents));
        if (!c.counts.empty()) {
            QStringList counts;
            for (const RoundCounts& plan : result.perPlan)
                counts << countsText(plan);
            counts << countsText(result.total);
            EXPECT_EQ(texts(counts), texts(c.counts));
        }
        expectClaimedOnce(result, punches.size());
    }
}

// What a period's rows, outside punches and incidents are, by AutoNr, whatever the input order.
std::vector<std::string> outcome(const Evaluation& result, std::span<const Punch> punches) {
    std::vector<std::string> lines;
    for (const RoundRow& row : result.rounds) {
        QString line = row.plannedStart.toString(Qt::ISODate) + ' ' + roundStatusText(row.status);
        for (const StepResult& step : row.steps)
            line += ' ' + (step.punch < 0 ? QStringLiteral("-")
                                          : QString::number(punches[step.punch].AutoNr));
        for (int repeat : row.repeats)
            line += " +" + QString::number(punches[repeat].AutoNr);
        lines.push_back(line.toStdString());
    }
    for (const QList<int>* list : {&result.outside, &result.incidents}) {
        QString line;
        for (int index : *list)
            line += ' ' + QString::number(punches[index].AutoNr);
        lines.push_back(line.toStdString());
    }
    return lines;
}

// Loading only the dates punchDatesToLoad() names judges a period as loading every punch does,
// night rounds and late starts included.
TEST(Evaluation, LoadingRangeHoldsWhatThePeriodNeeds) {
    QRandomGenerator random(171);
    std::vector<Punch> all;
    for (int k = 0; k < 600; ++k)
        all.push_back({k + 1, monday.addDays(random.bounded(20)),
                       QTime(0, 0).addSecs(60 * random.bounded(1440)), 171 + random.bounded(3),
                       QStringLiteral("A"), 1});
    EvaluationInput input;
    input.plans = {planOf({.steps = "171 172 173",
                           .first = "22:00",
                           .last = "04:00",
                           .interval = 180,
                           .tolerance = 30,
                           .duration = 700})};
    input.first = monday.addDays(8);
    input.last = monday.addDays(10);
    input.incidentCheckpoints = {171};
    const PunchDates dates = punchDatesToLoad(input.plans, input.first, input.last);
    std::vector<Punch> loaded;
    std::copy_if(all.begin(), all.end(), std::back_inserter(loaded), [&](const Punch& punch) {
        return punch.Data >= dates.from && punch.Data <= dates.to;
    });
    ASSERT_LT(loaded.size(), all.size());

    input.punches = all;
    const std::vector<std::string> expected = outcome(evaluate(input), all);
    input.punches = loaded;
    EXPECT_EQ(outcome(evaluate(input), loaded), expected);
}

// What a report is refused by before any round is made: the rounds of the period and of the
// days judged unseen around it, never the days back to a plan's Od.
TEST(Evaluation, PlannedRoundsAtMostCountsTheJudgedDaysOnly) {
    const struct {
        const char* what;
        PlanRow plan;
        qint64 expected;
    } cases[] = {
        // 9 starts a day on the 3 days, 2 days before them and 1 after.
        {"every hour 8 to 16", {.last = "16:00", .interval = 60}, 9 * 6},
        {"valid since the year 1000", {.last = "16:00", .interval = 60, .from = -373000}, 9 * 6},
        {"a round every minute", {.first = "00:00", .last = "23:59", .interval = 1}, 1440 * 6},
        {"ended before the period", {.from = -30, .to = -10}, 0},
        {"begins on the period's last day", {.from = 2}, 2},
        {"one round a day", {}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EvaluationInput input;
        input.plans = {planOf(c.plan)};
        input.first = monday;
        input.last = monday.addDays(2);
        EXPECT_EQ(plannedRoundsAtMost(input.plans, input.first, input.last), c.expected);
        EXPECT_LE(evaluate(input).rounds.size(), c.expected);
    }
}

TEST(Evaluation, ComplianceRoundsHalfUp) {
    RoundCounts counts;
    counts.planned = 8;
    counts.complete = 7;
    EXPECT_EQ(complianceText(counts), QStringLiteral("87,5%"));
    EXPECT_EQ(compliancePercent(counts), 87.5);
    counts.planned = 3;
    counts.complete = 2;
    EXPECT_EQ(complianceText(counts), QStringLiteral("66,7%"));
    counts.planned = 0;
    EXPECT_EQ(complianceText(counts), QStringLiteral("–"));
    EXPECT_EQ(compliancePercent(counts), std::nullopt);
}

} // namespace

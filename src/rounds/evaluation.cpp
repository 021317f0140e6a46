// The evaluation of a period: planned rounds, the punches they claim, and the counts.
#include "rounds/evaluation.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>
#include <vector>

#include "common/ole_date.h"
#include "rounds/instrument_punches.h"

namespace ronvalo {

QString roundStatusText(RoundStatus status) {
    switch (status) {
    case RoundStatus::NotWalked:
        return QStringLiteral("Nie wykonany");
    case RoundStatus::Incomplete:
        return QStringLiteral("Niepełny");
    case RoundStatus::OutOfOrder:
        return QStringLiteral("Poza kolejnością");
    case RoundStatus::Late:
        return QStringLiteral("Spóźniony");
    case RoundStatus::Done:
        return QStringLiteral("Wykonany");
    }
    return {};
}

QList<qint32> missingCheckpoints(const RoundRow& round) {
    QList<qint32> missing;
    for (const StepResult& step : round.steps)
        if (!step.optional && step.punch < 0)
            missing.append(step.checkpoint);
    return missing;
}

namespace {

// Compliance in tenths of a percent, rounded half up in integers so that the text never depends
// on how a double rounds.
qint64 complianceTenths(const RoundCounts& counts) {
    return (counts.complete * 2000LL / counts.planned + 1) / 2;
}

} // namespace

std::optional<double> compliancePercent(const RoundCounts& counts) {
    if (counts.planned <= 0)
        return std::nullopt;
    return complianceTenths(counts) / 10.0;
}

QString complianceText(const RoundCounts& counts) {
    if (counts.planned <= 0)
        return QStringLiteral("–");
    const qint64 tenths = complianceTenths(counts);
    return QStringLiteral("%1,%2%").arg(tenths / 10).arg(tenths % 10);
}

namespace {

constexpr Minute minutesPerDay = 1440;

qint64 dayNumber(const QDate& day) {
    return day.toJulianDay() - zeroDate().toJulianDay();
}

Minute minuteOf(const QTime& time) {
    return time.isValid() ? time.msecsSinceStartOfDay() / 60000 : 0;
}

QDateTime momentOf(Minute minute) {
    const Minute day = minute >= 0 ? minute / minutesPerDay : (minute + 1) / minutesPerDay - 1;
    return QDateTime(zeroDate().addDays(day),
                     QTime::fromMSecsSinceStartOfDay(int(minute - day * minutesPerDay) * 60000),
                     Qt::UTC);
}

// How many days before a day its rounds may still claim punches: a night round starts up to a
// day later, and a late start plus its duration adds tolerance and twice the duration.
int reachDays(const Plan& plan) {
    // Bounded, so that a plan the rules never passed cannot make the days run to millions: no
    // plan they pass comes near.
    constexpr Minute most = 7 * minutesPerDay;
    const Minute reach = std::clamp<Minute>(plan.tolerance, 0, most) +
                         2 * std::clamp<Minute>(plan.duration, 0, most);
    return 1 + int((reach + minutesPerDay - 1) / minutesPerDay);
}

int reachDays(const QList<Plan>& plans) {
    int days = 1;
    for (const Plan& plan : plans)
        days = qMax(days, reachDays(plan));
    return days;
}

bool isDated(const Punch& punch) {
    return punch.Data.isValid() && punch.Data != zeroDate();
}

// One planned round while it is judged.
struct Planned {
    Minute t0 = 0;
    qint64 day = 0;
    int plan = 0;
    int instrument = -1; // group of the plan's instrument; -1: no punches of it
    // From this minute on, punches at the start checkpoints of plan `capPlan` are left to the
    // instrument's next round.
    Minute cap = std::numeric_limits<Minute>::max();
    int capPlan = -1;
    RoundRow* row = nullptr; // null for a round of a day just outside the period
};

// The minutes of a plan's first and last start of a day (the last past midnight for a night
// shift), and the minutes between starts.
struct DaySchedule {
    Minute first = 0;
    Minute last = 0;
    Minute step = 1;
};

DaySchedule daySchedule(const Plan& plan) {
    DaySchedule schedule;
    schedule.first = minuteOf(plan.firstStart);
    schedule.last = plan.lastStart.isValid() ? minuteOf(plan.lastStart) : schedule.first;
    if (schedule.last < schedule.first)
        schedule.last += minutesPerDay; // a night shift ends on the next day
    schedule.step = plan.interval > 0 ? plan.interval : schedule.last - schedule.first + 1;
    return schedule;
}

// Every planned round of the days from `firstDay` to `lastDay` (day numbers).
std::vector<Planned> plannedRounds(const QList<Plan>& plans, const std::vector<int>& groups,
                                   qint64 firstDay, qint64 lastDay) {
    std::vector<Planned> rounds;
    for (int p = 0; p < plans.size(); ++p) {
        const Plan& plan = plans[p];
        if (!plan.firstStart.isValid() || plan.steps.isEmpty())
            continue;
        const auto [first, last, step] = daySchedule(plan);
        for (qint64 day = firstDay; day <= lastDay; ++day) {
            if (!plan.startsOn(zeroDate().addDays(day)))
                continue;
            for (Minute start = first; start <= last; start += step)
                rounds.push_back({day * minutesPerDay + start, day, p, groups[p]});
        }
    }
    return rounds;
}

// The first checkpoint of a fixed-order plan, any of an any-order plan's: where its rounds start.
bool startsAt(const Plan& plan, qint32 checkpoint) {
    if (plan.order == StepOrder::Fixed)
        return !plan.steps.isEmpty() && plan.steps.first().checkpoint == checkpoint;
    return std::any_of(plan.steps.begin(), plan.steps.end(),
                       [&](const PlanStep& step) { return step.checkpoint == checkpoint; });
}

// A round leaves to the instrument's next round the punches that could start it on time: from
// that round's t0 - tolerance on, punches at its start checkpoint are neither a late start nor a
// repeat of the round before. Otherwise a late round, or one whose duration exceeds the interval,
// takes the next start as a repeat and the next round counts as not walked though it was.
// `order` holds the rounds of each instrument together, by t0.
void capAtNextRounds(std::vector<Planned>& rounds, const std::vector<int>& order,
                     const QList<Plan>& plans) {
    std::size_t next = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        Planned& round = rounds[order[k]];
        next = std::max(next, k + 1);
        while (next < order.size() && rounds[order[next]].instrument == round.instrument &&
               rounds[order[next]].t0 == round.t0)
            ++next;
        if (next == order.size() || rounds[order[next]].instrument != round.instrument)
            continue;
        const Planned& following = rounds[order[next]];
        // The round's own on-time window stays whole even where a plan's tolerance is too wide.
        round.cap = qMax(following.t0 - qMax<Minute>(0, plans[following.plan].tolerance),
                         round.t0 + qMax<Minute>(0, plans[round.plan].tolerance) + 1);
        round.capPlan = following.plan;
    }
}

// Judges one round against its instrument's punches, claiming what it takes.
void judge(const Planned& round, const QList<Plan>& plans, InstrumentPunches& punches,
           RoundRow& row) {
    const Plan& plan = plans[round.plan];
    const int count = int(plan.steps.size());
    const Minute tolerance = qMax<Minute>(0, plan.tolerance);
    const Minute duration = qMax<Minute>(0, plan.duration);
    const bool anyOrder = plan.order == StepOrder::Any;
    std::vector<InstrumentPunches::Range> ranges(count);
    std::vector<Minute> cap(count, std::numeric_limits<Minute>::max());
    for (int s = 0; s < count; ++s) {
        ranges[s] = punches.checkpoint(plan.steps[s].checkpoint);
        if (round.capPlan >= 0 && startsAt(plans[round.capPlan], plan.steps[s].checkpoint))
            cap[s] = round.cap - 1;
    }

    // Start: the earliest unclaimed punch at the first step (any order: at any step) from
    // t0 - tolerance to t0 + tolerance + duration; after t0 + tolerance it is late.
    int startStep = -1;
    int startEntry = -1;
    for (int s = 0; s < (anyOrder ? count : 1); ++s) {
        const int entry = punches.firstFreeFrom(ranges[s], round.t0 - tolerance);
        if (entry < ranges[s].end &&
            punches.minute(entry) <= qMin(round.t0 + tolerance + duration, cap[s]) &&
            (startEntry < 0 || punches.position(entry) < punches.position(startEntry))) {
            startStep = s;
            startEntry = entry;
        }
    }
    if (startEntry < 0)
        return;
    std::vector<int> taken(count, -1);
    auto take = [&](int s, int entry, bool outOfOrder) {
        punches.claim(entry);
        taken[s] = entry;
        row.steps[s].punch = punches.punchIndex(entry);
        row.steps[s].outOfOrder = outOfOrder;
    };
    take(startStep, startEntry, false);
    const int startPosition = punches.position(startEntry);
    row.start = row.steps[startStep].punch;
    row.late = punches.minute(startEntry) > round.t0 + tolerance;
    const Minute deadline = punches.minute(startEntry) + duration;

    // Steps: in order after the previous step's punch, else (fixed order) out of order from
    // between the start and it; any order: the earliest from the start on.
    int previous = startPosition;
    for (int s = 0; s < count; ++s) {
        if (s == startStep)
            continue;
        int entry = punches.firstFreeAfter(ranges[s], anyOrder ? startPosition : previous);
        if (entry < ranges[s].end && punches.minute(entry) <= qMin(deadline, cap[s])) {
            take(s, entry, false);
            previous = punches.position(entry);
            continue;
        }
        if (anyOrder)
            continue;
        entry = punches.firstFreeAfter(ranges[s], startPosition);
        if (entry < ranges[s].end && punches.position(entry) < previous) {
            take(s, entry, true);
            previous = punches.position(entry);
        }
    }

    // Repeats: the other punches at the taken checkpoints within the round's time.
    std::vector<std::pair<int, int>> repeats; // position in punch order, punch index
    for (int s = 0; s < count; ++s) {
        if (taken[s] < 0)
            continue;
        for (int entry = punches.firstFreeAfter(ranges[s], startPosition);
             entry < ranges[s].end && punches.minute(entry) <= qMin(deadline, cap[s]);
             entry = punches.firstFreeAfter(ranges[s], punches.position(entry))) {
            punches.claim(entry);
            repeats.emplace_back(punches.position(entry), punches.punchIndex(entry));
        }
    }
    std::sort(repeats.begin(), repeats.end());
    for (const auto& repeat : repeats)
        row.repeats.append(repeat.second);
}

RoundStatus statusOf(const RoundRow& row) {
    if (!row.walked())
        return RoundStatus::NotWalked;
    if (!missingCheckpoints(row).isEmpty())
        return RoundStatus::Incomplete;
    for (const StepResult& step : row.steps)
        if (step.outOfOrder)
            return RoundStatus::OutOfOrder;
    return row.late ? RoundStatus::Late : RoundStatus::Done;
}

} // namespace

namespace {

// Numbers for the distinct values of `key` over the plans, in order of first occurrence.
template <typename Key>
std::vector<int> numbered(const QList<Plan>& plans, Key key, QList<QString>* values = nullptr) {
    QHash<QString, int> numbers;
    std::vector<int> result;
    for (const Plan& plan : plans) {
        const QString value = key(plan);
        const auto found = numbers.constFind(value);
        if (found != numbers.constEnd()) {
            result.push_back(*found);
            continue;
        }
        result.push_back(int(numbers.size()));
        numbers.insert(value, int(numbers.size()));
        if (values)
            values->append(value);
    }
    return result;
}

// The dated punches of the plans' instruments, one index per instrument.
std::vector<InstrumentPunches> indexPunches(const EvaluationInput& input,
                                            const std::vector<int>& planInstrument) {
    QHash<QString, int> groups;
    for (int p = 0; p < input.plans.size(); ++p)
        groups.insert(punchInstrument(input.plans[p].instrument), planInstrument[p]);
    std::vector<std::vector<IndexedPunch>> keys(groups.size());
    const qint64 zeroDay = zeroDate().toJulianDay();
    for (std::size_t i = 0; i < input.punches.size(); ++i) {
        const Punch& punch = input.punches[i];
        if (!isDated(punch))
            continue;
        const auto group =
            groups.constFind(punch.Nrczyt.size() <= 10 ? punch.Nrczyt : punch.Nrczyt.left(10));
        if (group == groups.constEnd())
            continue;
        const qint64 msecs = (punch.Data.toJulianDay() - zeroDay) * 86400000 +
                             (punch.Czas.isValid() ? punch.Czas.msecsSinceStartOfDay() : 0);
        keys[*group].push_back({msecs, punch.AutoNr, punch.Nrwewpkt, int(i)});
    }
    std::vector<InstrumentPunches> index;
    index.reserve(keys.size());
    for (auto& group : keys)
        index.emplace_back(std::move(group));
    return index;
}

RoundRow emptyRow(const Plan& plan, int p, const Planned& round) {
    RoundRow row;
    row.day = zeroDate().addDays(round.day);
    row.plan = p;
    row.planId = plan.id;
    row.planName = plan.name;
    row.instrument = plan.instrument;
    row.plannedStart = momentOf(round.t0);
    row.steps.reserve(plan.steps.size());
    for (const PlanStep& step : plan.steps)
        row.steps.append({step.checkpoint, step.optional});
    return row;
}

void markClaimed(const RoundRow& row, std::vector<char>& claimed) {
    for (const StepResult& step : row.steps)
        if (step.punch >= 0)
            claimed[step.punch] = 1;
    for (int repeat : row.repeats)
        claimed[repeat] = 1;
}

void count(RoundCounts& counts, const RoundRow& row) {
    ++counts.planned;
    ++counts.byStatus[static_cast<int>(row.status)];
    if (row.status != RoundStatus::NotWalked && row.status != RoundStatus::Incomplete)
        ++counts.complete;
}

bool punchBefore(const Punch& a, const Punch& b) {
    if (a.Data != b.Data)
        return a.Data < b.Data;
    if (a.Czas != b.Czas)
        return a.Czas < b.Czas;
    return a.AutoNr < b.AutoNr;
}

// The unclaimed punches and the incidents dated within the period, in punch order.
void listPeriodPunches(const EvaluationInput& input, const std::vector<char>& claimed,
                       Evaluation& result) {
    std::vector<int> outside, incidents;
    for (std::size_t i = 0; i < input.punches.size(); ++i) {
        const Punch& punch = input.punches[i];
        if (!isDated(punch) || punch.Data < input.first || punch.Data > input.last)
            continue;
        if (!claimed[i])
            outside.push_back(int(i));
        if (input.incidentCheckpoints.contains(punch.Nrwewpkt))
            incidents.push_back(int(i));
    }
    // Punches read in the table's date order are in order already; others pay for a sort.
    auto before = [&](int a, int b) { return punchBefore(input.punches[a], input.punches[b]); };
    for (std::vector<int>* list : {&outside, &incidents})
        if (!std::is_sorted(list->begin(), list->end(), before))
            std::sort(list->begin(), list->end(), before);
    result.outside = QList<int>(outside.begin(), outside.end());
    result.incidents = QList<int>(incidents.begin(), incidents.end());
}

} // namespace

QSet<qint32> incidentCheckpoints(const QList<Checkpoint>& checkpoints) {
    QSet<qint32> incidents;
    for (const Checkpoint& checkpoint : checkpoints)
        if (checkpoint.incident)
            incidents.insert(checkpoint.number);
    return incidents;
}

Evaluation evaluate(const EvaluationInput& input) {
    const QList<Plan>& plans = input.plans;
    const std::vector<int> planInstrument =
        numbered(plans, [](const Plan& plan) { return punchInstrument(plan.instrument); });
    QList<QString> names;
    const std::vector<int> planName = numbered(
        plans, [](const Plan& plan) { return plan.name; }, &names);
    std::vector<InstrumentPunches> punches = indexPunches(input, planInstrument);

    // The rounds of the days around the period are judged too, unseen, so that they claim what
    // is theirs: the last night's round its punches after midnight, the next morning's round its
    // start a few minutes early.
    const qint64 firstDay = dayNumber(input.first);
    const qint64 lastDay = dayNumber(input.last);
    std::vector<Planned> rounds =
        plannedRounds(plans, planInstrument, firstDay - reachDays(plans), lastDay + 1);
    std::sort(rounds.begin(), rounds.end(), [](const Planned& a, const Planned& b) {
        return std::tuple(a.day, a.t0, a.plan) < std::tuple(b.day, b.t0, b.plan);
    });

    Evaluation result;
    std::vector<int> rowOf(rounds.size(), -1);
    for (std::size_t r = 0; r < rounds.size(); ++r) {
        if (rounds[r].day < firstDay || rounds[r].day > lastDay)
            continue;
        rowOf[r] = int(result.rounds.size());
        result.rounds.append(emptyRow(plans[rounds[r].plan], rounds[r].plan, rounds[r]));
    }

    std::vector<int> order(rounds.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return std::pair(rounds[a].instrument, rounds[a].t0) <
               std::pair(rounds[b].instrument, rounds[b].t0);
    });
    capAtNextRounds(rounds, order, plans);
    std::vector<char> claimed(input.punches.size());
    for (int r : order) {
        const Planned& round = rounds[r];
        RoundRow unseen;
        RoundRow& row = rowOf[r] >= 0 ? result.rounds[rowOf[r]]
                                      : (unseen = emptyRow(plans[round.plan], round.plan, round));
        judge(round, plans, punches[round.instrument], row);
        row.status = statusOf(row);
        markClaimed(row, claimed);
    }

    result.perPlan.resize(names.size());
    for (int n = 0; n < names.size(); ++n)
        result.perPlan[n].plan = names[n];
    for (const RoundRow& row : std::as_const(result.rounds)) {
        count(result.perPlan[planName[row.plan]], row);
        count(result.total, row);
    }
    result.perPlan.removeIf([](const RoundCounts& counts) { return counts.planned == 0; });
    listPeriodPunches(input, claimed, result);
    return result;
}

qint64 plannedRoundsAtMost(const QList<Plan>& plans, const QDate& first, const QDate& last) {
    const qint64 firstDay = dayNumber(first) - reachDays(plans);
    const qint64 lastDay = dayNumber(last) + 1;
    qint64 rounds = 0;
    for (const Plan& plan : plans) {
        if (!plan.firstStart.isValid() || plan.steps.isEmpty())
            continue;
        const qint64 from =
            plan.validFrom.isValid() ? std::max(firstDay, dayNumber(plan.validFrom)) : firstDay;
        const qint64 to =
            plan.validTo.isValid() ? std::min(lastDay, dayNumber(plan.validTo)) : lastDay;
        if (from > to)
            continue;
        const auto [start, end, step] = daySchedule(plan);
        rounds += (to - from + 1) * ((end - start) / step + 1);
    }
    return rounds;
}

PunchDates punchDatesToLoad(const QList<Plan>& plans, const QDate& first, const QDate& last) {
    // The unseen rounds before the period reach back to their own early starts (a day at most
    // before their day); the period's last night rounds start on the next day, and the unseen
    // rounds of that day read as far as any round.
    const int reach = reachDays(plans);
    return {first.addDays(-reach - 1), last.addDays(1 + reach)};
}

} // namespace ronvalo

// The evaluation of a period: planned rounds, the punches they claim, and the counts.
#include "core/rounds/evaluation.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <tuple>
#include <vector>

#include "core/common/ole_date.h"
#include "core/rounds/instrument_punches.h"
#include "core/rounds/round_claims.h"
#include "core/rounds/two_threads.h"

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
    case RoundStatus::NoReading:
        return QStringLiteral("Brak odczytu");
    }
    return {};
}

QList<qint32> missingCheckpoints(const RoundRow& round) {
    QList<qint32> missing;
    if (round.status == RoundStatus::NoReading)
        return missing;
    for (const StepResult& step : round.steps)
        if (!step.optional && step.punch < 0)
            missing.append(step.checkpoint);
    return missing;
}

QList<qint32> outOfOrderCheckpoints(const RoundRow& round) {
    QList<qint32> steps;
    if (round.status == RoundStatus::NoReading)
        return steps;
    for (const StepResult& step : round.steps)
        if (step.outOfOrder)
            steps.append(step.checkpoint);
    return steps;
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

Minute minuteOf(const QDateTime& moment) {
    return dayNumber(moment.date()) * minutesPerDay + minuteOf(moment.time());
}

QDateTime momentOf(Minute minute) {
    const Minute day = minute >= 0 ? minute / minutesPerDay : (minute + 1) / minutesPerDay - 1;
    return QDateTime(zeroDate().addDays(day),
                     QTime::fromMSecsSinceStartOfDay(int(minute - day * minutesPerDay) * 60000),
                     Qt::UTC);
}

// Bounded, so that a plan the rules never passed cannot make the days run to millions: no plan
// they pass comes near.
Minute bounded(qint64 minutes) {
    return std::clamp<Minute>(minutes, 0, 7 * minutesPerDay);
}

// How far around the period an instrument's rounds are judged unseen: a day, or the longest
// tolerance plus twice the duration among its plans (a late start and its whole round).
Minute reachOf(const Plan& plan) {
    return std::max(minutesPerDay, bounded(plan.tolerance) + 2 * bounded(plan.duration));
}

// The same in whole days, over every plan.
int reachDays(const QList<Plan>& plans) {
    Minute reach = minutesPerDay;
    for (const Plan& plan : plans)
        reach = std::max(reach, reachOf(plan));
    return int((reach + minutesPerDay - 1) / minutesPerDay);
}

bool isDated(const Punch& punch) {
    return punch.Data.isValid() && punch.Data != zeroDate();
}

// One planned round while it is judged.
struct Planned {
    Minute t0 = 0;
    qint64 day = 0;
    int plan = 0;
    int instrument = 0; // the group of the plan's instrument
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

bool judgeable(const Plan& plan) {
    return plan.firstStart.isValid() && !plan.steps.isEmpty();
}

// The days whose schedules may make a judged round: the period, and the days before and after it
// whose rounds' t0 can lie within the reach (a night shift's rounds start up to a day later).
struct DayRange {
    qint64 first = 0;
    qint64 last = 0;
};

DayRange judgedDays(const QList<Plan>& plans, const QDate& first, const QDate& last) {
    const int reach = reachDays(plans);
    return {dayNumber(first) - reach - 1, dayNumber(last) + reach};
}

// Every round of the period, and every round whose t0 lies within its instrument's reach around
// the period (from the first day's midnight to the midnight after the last day), the reach
// before it included and the reach after it not.
std::vector<Planned> plannedRounds(const QList<Plan>& plans, const std::vector<int>& groups,
                                   const std::vector<Minute>& reach, qint64 firstDay,
                                   qint64 lastDay) {
    const DayRange days =
        judgedDays(plans, zeroDate().addDays(firstDay), zeroDate().addDays(lastDay));
    std::vector<Planned> rounds;
    for (int p = 0; p < plans.size(); ++p) {
        const Plan& plan = plans[p];
        if (!judgeable(plan))
            continue;
        const auto [first, last, step] = daySchedule(plan);
        const Minute from = firstDay * minutesPerDay - reach[groups[p]];
        const Minute to = (lastDay + 1) * minutesPerDay + reach[groups[p]];
        for (qint64 day = days.first; day <= days.last; ++day) {
            if (!plan.startsOn(zeroDate().addDays(day)))
                continue;
            const bool shown = day >= firstDay && day <= lastDay;
            for (Minute start = first; start <= last; start += step) {
                const Minute t0 = day * minutesPerDay + start;
                if (shown || (t0 >= from && t0 < to))
                    rounds.push_back({t0, day, p, groups[p]});
            }
        }
    }
    return rounds;
}

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

// Each plan's name as a rank in character code order, which the claims compare as numbers.
std::vector<int> nameRanks(const QList<Plan>& plans) {
    QList<QString> names;
    const std::vector<int> numbers = numbered(
        plans, [](const Plan& plan) { return plan.name; }, &names);
    std::vector<int> byName(names.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::sort(byName.begin(), byName.end(), [&](int a, int b) { return names[a] < names[b]; });
    std::vector<int> rank(names.size());
    for (std::size_t k = 0; k < byName.size(); ++k)
        rank[byName[k]] = int(k);
    std::vector<int> result;
    for (const int number : numbers)
        result.push_back(rank[number]);
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
    // The punches come an instrument's together: its group is looked up once a run, not a row.
    QString lastInstrument;
    std::vector<IndexedPunch>* lastGroup = nullptr;
    for (std::size_t i = 0; i < input.punches.size(); ++i) {
        const Punch& punch = input.punches[i];
        if (!isDated(punch))
            continue;
        if (!lastGroup || punch.Nrczyt != lastInstrument) {
            const auto group =
                groups.constFind(punch.Nrczyt.size() <= 10 ? punch.Nrczyt : punch.Nrczyt.left(10));
            lastInstrument = punch.Nrczyt;
            lastGroup = group == groups.constEnd() ? nullptr : &keys[*group];
            if (!lastGroup)
                continue;
        }
        const qint64 msecs = (punch.Data.toJulianDay() - zeroDay) * 86400000 +
                             (punch.Czas.isValid() ? punch.Czas.msecsSinceStartOfDay() : 0);
        lastGroup->push_back({msecs, punch.AutoNr, punch.Nrwewpkt, int(i), punch.NrSczytania});
    }
    std::vector<std::optional<InstrumentPunches>> built(keys.size());
    onTwoThreads(keys.size(), [&](std::size_t k) { built[k].emplace(std::move(keys[k])); });
    std::vector<InstrumentPunches> index;
    index.reserve(keys.size());
    for (auto& group : built)
        index.push_back(std::move(*group));
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

RoundStatus statusOf(const RoundRow& row) {
    if (!row.walked())
        return RoundStatus::NotWalked;
    if (!missingCheckpoints(row).isEmpty())
        return RoundStatus::Incomplete;
    if (!outOfOrderCheckpoints(row).isEmpty())
        return RoundStatus::OutOfOrder;
    return row.late ? RoundStatus::Late : RoundStatus::Done;
}

// The last transfer of each instrument group as a minute; none: every round is covered.
std::vector<Minute> coverOf(const EvaluationInput& input, const std::vector<int>& planInstrument,
                            int groups) {
    std::vector<Minute> cover(groups, std::numeric_limits<Minute>::max());
    if (!input.lastTransfers)
        return cover;
    for (int p = 0; p < input.plans.size(); ++p) {
        const auto found =
            input.lastTransfers->constFind(punchInstrument(input.plans[p].instrument));
        cover[planInstrument[p]] = found == input.lastTransfers->constEnd() || !found->isValid()
                                       ? std::numeric_limits<Minute>::min()
                                       : minuteOf(*found);
    }
    return cover;
}

void markClaimed(const RoundRow& row, std::vector<char>& claimed) {
    for (const StepResult& step : row.steps)
        if (step.punch >= 0)
            claimed[step.punch] = 1;
    for (int repeat : row.repeats)
        claimed[repeat] = 1;
}

void count(RoundCounts& counts, const RoundRow& row) {
    ++counts.byStatus[static_cast<int>(row.status)];
    if (row.status == RoundStatus::NoReading)
        return;
    ++counts.planned;
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

// Sorts `list`, indexes of dated `punches`, in punch order.
void sortInPunchOrder(std::span<const Punch> punches, std::vector<int>& list) {
    struct Key {
        qint64 day;
        int msecs;
        qint64 autoNr;
        int index;
        bool operator<(const Key& other) const {
            return std::tie(day, msecs, autoNr) < std::tie(other.day, other.msecs, other.autoNr);
        }
    };
    std::vector<Key> keys;
    keys.reserve(list.size());
    for (const int i : list) {
        const Punch& punch = punches[i];
        // An invalid time sorts first, as QTime's own order has it.
        keys.push_back({punch.Data.toJulianDay(),
                        punch.Czas.isValid() ? punch.Czas.msecsSinceStartOfDay() : -1, punch.AutoNr,
                        i});
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t k = 0; k < keys.size(); ++k)
        list[k] = keys[k].index;
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
    // Punches read in the table's date order are in order already; others pay for a sort, of
    // plain numbers rather than of dates and times.
    auto before = [&](int a, int b) { return punchBefore(input.punches[a], input.punches[b]); };
    for (std::vector<int>* list : {&outside, &incidents})
        if (!std::is_sorted(list->begin(), list->end(), before))
            sortInPunchOrder(input.punches, *list);
    result.outside = QList<int>(outside.begin(), outside.end());
    result.incidents = QList<int>(incidents.begin(), incidents.end());
}

} // namespace

RoundTotals countRounds(const QList<RoundRow>& rounds) {
    // Plan names in the order of their first plan index among the rows.
    QHash<QString, int> firstPlan;
    for (const RoundRow& row : rounds) {
        const auto found = firstPlan.find(row.planName);
        if (found == firstPlan.end())
            firstPlan.insert(row.planName, row.plan);
        else
            *found = std::min(*found, row.plan);
    }
    QList<QString> names = firstPlan.keys();
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return firstPlan[a] != firstPlan[b] ? firstPlan[a] < firstPlan[b] : a < b;
    });
    QHash<QString, qsizetype> slot;
    RoundTotals totals;
    for (const QString& name : names) {
        slot.insert(name, totals.perPlan.size());
        totals.perPlan.append(RoundCounts{name});
    }
    for (const RoundRow& row : rounds) {
        count(totals.perPlan[slot[row.planName]], row);
        count(totals.total, row);
    }
    return totals;
}

QSet<qint32> incidentCheckpoints(const QList<Checkpoint>& checkpoints) {
    QSet<qint32> incidents;
    for (const Checkpoint& checkpoint : checkpoints)
        if (checkpoint.incident)
            incidents.insert(checkpoint.number);
    return incidents;
}

Evaluation evaluate(const EvaluationInput& input) {
    const QList<Plan>& plans = input.plans;
    QList<QString> instruments;
    const std::vector<int> planInstrument = numbered(
        plans, [](const Plan& plan) { return punchInstrument(plan.instrument); }, &instruments);
    const std::vector<int> planName = nameRanks(plans);
    std::vector<InstrumentPunches> punches = indexPunches(input, planInstrument);
    std::vector<Minute> reach(instruments.size(), minutesPerDay);
    for (int p = 0; p < plans.size(); ++p)
        reach[planInstrument[p]] = std::max(reach[planInstrument[p]], reachOf(plans[p]));

    const qint64 firstDay = dayNumber(input.first);
    const qint64 lastDay = dayNumber(input.last);
    std::vector<Planned> rounds = plannedRounds(plans, planInstrument, reach, firstDay, lastDay);

    // The rows: the period's rounds by day, planned start and the plans' input order; the unseen
    // ones around it after them.
    std::sort(rounds.begin(), rounds.end(), [](const Planned& a, const Planned& b) {
        return std::tuple(a.day, a.t0, a.plan) < std::tuple(b.day, b.t0, b.plan);
    });
    std::vector<RoundRow> unseen;
    Evaluation result;
    for (const Planned& round : rounds) {
        RoundRow row = emptyRow(plans[round.plan], round.plan, round);
        if (round.day >= firstDay && round.day <= lastDay)
            result.rounds.append(std::move(row));
        else
            unseen.push_back(std::move(row));
    }

    // The claims: per instrument, in the order t0, plan name, day, IdPlanu.
    std::vector<ClaimedRound> claimed(rounds.size());
    {
        qsizetype shown = 0;
        std::size_t other = 0;
        for (std::size_t r = 0; r < rounds.size(); ++r) {
            const Planned& round = rounds[r];
            const bool inPeriod = round.day >= firstDay && round.day <= lastDay;
            claimed[r] = {round.t0, &plans[round.plan], planName[round.plan],
                          inPeriod ? &result.rounds[shown++] : &unseen[other++]};
        }
    }
    std::vector<int> order(rounds.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Planned& x = rounds[a];
        const Planned& y = rounds[b];
        return std::tuple(x.instrument, x.t0, planName[x.plan], x.day, plans[x.plan].id, x.plan) <
               std::tuple(y.instrument, y.t0, planName[y.plan], y.day, plans[y.plan].id, y.plan);
    });
    const std::vector<Minute> cover = coverOf(input, planInstrument, int(instruments.size()));
    // Each instrument's rounds claim its own punches and fill rows of their own: the instruments
    // are judged two at a time.
    std::vector<std::vector<ClaimedRound>> groups;
    std::vector<int> groupInstrument;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int instrument = rounds[order[k]].instrument;
        if (groupInstrument.empty() || groupInstrument.back() != instrument) {
            groups.emplace_back();
            groupInstrument.push_back(instrument);
        }
        groups.back().push_back(claimed[order[k]]);
    }
    onTwoThreads(groups.size(), [&](std::size_t g) {
        const int instrument = groupInstrument[g];
        claimPunches(groups[g], punches[instrument]);
        for (const ClaimedRound& round : groups[g]) {
            const Minute deadline =
                round.t0 + bounded(round.plan->tolerance) + bounded(round.plan->duration);
            round.row->status =
                deadline > cover[instrument] ? RoundStatus::NoReading : statusOf(*round.row);
        }
    });

    std::vector<char> taken(input.punches.size());
    for (const RoundRow& row : std::as_const(result.rounds))
        markClaimed(row, taken);
    for (const RoundRow& row : unseen)
        markClaimed(row, taken);
    const RoundTotals totals = countRounds(result.rounds);
    result.perPlan = totals.perPlan;
    result.total = totals.total;
    listPeriodPunches(input, taken, result);
    return result;
}

qint64 plannedRoundsAtMost(const QList<Plan>& plans, const QDate& first, const QDate& last) {
    const DayRange days = judgedDays(plans, first, last);
    qint64 rounds = 0;
    for (const Plan& plan : plans) {
        if (!judgeable(plan))
            continue;
        const qint64 from =
            plan.validFrom.isValid() ? std::max(days.first, dayNumber(plan.validFrom)) : days.first;
        const qint64 to =
            plan.validTo.isValid() ? std::min(days.last, dayNumber(plan.validTo)) : days.last;
        if (from > to)
            continue;
        const auto [start, end, step] = daySchedule(plan);
        rounds += (to - from + 1) * ((end - start) / step + 1);
    }
    return rounds;
}

PunchDates punchDatesToLoad(const QList<Plan>& plans, const QDate& first, const QDate& last) {
    // The earliest round judged starts the reach before the period and may be started a
    // tolerance earlier; the latest (a night round of the last day, or an unseen one the reach
    // after the period) reads to its late start's deadline, within another reach.
    const int reach = reachDays(plans);
    return {first.addDays(-2 * reach), last.addDays(1 + 2 * reach)};
}

} // namespace ronvalo

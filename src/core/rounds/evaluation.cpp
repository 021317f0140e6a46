// The evaluation of a period: the planned rounds' rows, the punches they claim, and the outcome.
#include "core/rounds/evaluation.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>
#include <vector>

#include "core/common/ole_date.h"
#include "core/rounds/evaluation_punches.h"
#include "core/rounds/evaluation_schedule.h"
#include "core/rounds/instrument_punches.h"
#include "core/rounds/round_claims.h"
#include "core/rounds/two_threads.h"

namespace ronvalo {

using namespace detail;

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

} // namespace

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

} // namespace ronvalo

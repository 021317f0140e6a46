// The planned rounds of a period in minutes: the days' schedules, the reach around the period,
// and what the rounds of a period come to before any is made.
#include "core/rounds/evaluation_schedule.h"

#include "core/rounds/evaluation.h"

namespace ronvalo::detail {

QDateTime momentOf(Minute minute) {
    const Minute day = minute >= 0 ? minute / minutesPerDay : (minute + 1) / minutesPerDay - 1;
    return QDateTime(zeroDate().addDays(day),
                     QTime::fromMSecsSinceStartOfDay(int(minute - day * minutesPerDay) * 60000),
                     Qt::UTC);
}

Minute reachOf(const Plan& plan) {
    return std::max(minutesPerDay, bounded(plan.tolerance) + 2 * bounded(plan.duration));
}

namespace {

// The same in whole days, over every plan.
int reachDays(const QList<Plan>& plans) {
    Minute reach = minutesPerDay;
    for (const Plan& plan : plans)
        reach = std::max(reach, reachOf(plan));
    return int((reach + minutesPerDay - 1) / minutesPerDay);
}

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

} // namespace

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

} // namespace ronvalo::detail

namespace ronvalo {

using namespace detail;

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

// The planned rounds of a period in minutes: the days' schedules, and how far around the period
// an instrument's rounds are judged unseen.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTime>
#include <algorithm>
#include <vector>

#include "core/common/ole_date.h"
#include "core/rounds/instrument_punches.h"
#include "core/store/plan.h"

namespace ronvalo::detail {

inline constexpr Minute minutesPerDay = 1440;

inline qint64 dayNumber(const QDate& day) {
    return day.toJulianDay() - zeroDate().toJulianDay();
}

inline Minute minuteOf(const QTime& time) {
    return time.isValid() ? time.msecsSinceStartOfDay() / 60000 : 0;
}

inline Minute minuteOf(const QDateTime& moment) {
    return dayNumber(moment.date()) * minutesPerDay + minuteOf(moment.time());
}

// The wall-clock date and time of a minute, as RoundRow::plannedStart holds it.
QDateTime momentOf(Minute minute);

// Bounded, so that a plan the rules never passed cannot make the days run to millions: no plan
// they pass comes near.
inline Minute bounded(qint64 minutes) {
    return std::clamp<Minute>(minutes, 0, 7 * minutesPerDay);
}

// How far around the period an instrument's rounds are judged unseen: a day, or the longest
// tolerance plus twice the duration among its plans (a late start and its whole round).
Minute reachOf(const Plan& plan);

// One planned round while it is judged.
struct Planned {
    Minute t0 = 0;
    qint64 day = 0;
    int plan = 0;
    int instrument = 0; // the group of the plan's instrument
};

// Every round of the period, and every round whose t0 lies within its instrument's reach around
// the period (from the first day's midnight to the midnight after the last day), the reach
// before it included and the reach after it not. `groups` numbers each plan's instrument,
// `reach` is indexed by those numbers; the days count from the zero date.
std::vector<Planned> plannedRounds(const QList<Plan>& plans, const std::vector<int>& groups,
                                   const std::vector<Minute>& reach, qint64 firstDay,
                                   qint64 lastDay);

} // namespace ronvalo::detail

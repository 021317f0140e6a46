// The past days a plan change judges anew and the overlaps between plans' rounds.
#include "core/rounds/plan_changes.h"

#include <QMap>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "core/common/regional.h"

namespace ronvalo {

namespace {

// The plan that holds on `day` among `periods`, or none.
const Plan* periodOn(const QList<Plan>& periods, const QDate& day) {
    for (const Plan& period : periods)
        if (period.validOn(day))
            return &period;
    return nullptr;
}

} // namespace

QDate firstPastDayChanged(const QList<Plan>& before, const QList<Plan>& after, const QDate& today) {
    // Most plans of a save are left as they were: no need to walk their days.
    if (std::equal(before.cbegin(), before.cend(), after.cbegin(), after.cend(),
                   [](const Plan& a, const Plan& b) { return samePlan(a, b); }))
        return {};
    QDate first = today;
    for (const QList<Plan>* periods : {&before, &after})
        for (const Plan& period : *periods)
            first = std::min(first, period.validFrom);
    // A day at a time: the periods of one plan are few, the days back to its first period a few
    // thousand at most.
    for (QDate day = first; day.isValid() && day < today; day = day.addDays(1)) {
        const Plan* was = periodOn(before, day);
        const Plan* becomes = periodOn(after, day);
        if ((was == nullptr) != (becomes == nullptr) || (was && !sameRounds(*was, *becomes)))
            return day;
    }
    return {};
}

namespace {

// A round's span relative to the midnight of the day that made it, in minutes: from the first
// on-time start to the last round's deadline.
struct DailySpan {
    qint64 begin = 0;
    qint64 end = 0; // exclusive
};

DailySpan dailySpan(const Plan& plan) {
    const qint64 first = plan.firstStart.msecsSinceStartOfDay() / 60000;
    qint64 last = plan.lastStart.msecsSinceStartOfDay() / 60000;
    if (last < first)
        last += minutesPerDay;
    // The last planned start is the last step of the interval not past the last start.
    const qint64 lastPlanned =
        plan.interval > 0 ? first + (last - first) / plan.interval * plan.interval : first;
    return {first - plan.tolerance, lastPlanned + plan.tolerance + plan.duration + 1};
}

// A checkpoint of both plans, or nothing.
std::optional<qint32> sharedCheckpoint(const Plan& a, const Plan& b) {
    for (const PlanStep& step : a.steps)
        for (const PlanStep& other : b.steps)
            if (step.checkpoint == other.checkpoint)
                return step.checkpoint;
    return std::nullopt;
}

// The first day `a` starts rounds on that `b` starts rounds on `offset` days later, or null.
// The weekdays repeat every seven days, so seven days of the common validity decide.
QDate firstCommonDay(const Plan& a, const Plan& b, int offset) {
    QDate day = std::max(a.validFrom, b.validFrom.addDays(-offset));
    for (int i = 0; i < 7 && day.isValid(); ++i, day = day.addDays(1)) {
        const QDate other = day.addDays(offset);
        if ((a.validTo.isValid() && day > a.validTo) || (b.validTo.isValid() && other > b.validTo))
            return {};
        if (a.startsOn(day) && b.startsOn(other))
            return day;
    }
    return {};
}

} // namespace

std::optional<QDate> firstOverlap(const Plan& a, const Plan& b) {
    if (a.instrument != b.instrument || !sharedCheckpoint(a, b))
        return std::nullopt;
    const DailySpan spanA = dailySpan(a);
    const DailySpan spanB = dailySpan(b);
    // A span is under four days long, so rounds made more than four days apart never meet.
    std::optional<QDate> first;
    for (int offset = -4; offset <= 4; ++offset) {
        const qint64 shift = offset * minutesPerDay;
        if (std::max(spanA.begin, spanB.begin + shift) >= std::min(spanA.end, spanB.end + shift))
            continue;
        const QDate day = firstCommonDay(a, b, offset);
        if (day.isValid() && (!first || day < *first))
            first = day;
    }
    return first;
}

namespace {

bool within(const Plan& inner, const Plan& outer) {
    return inner.validFrom >= outer.validFrom &&
           (outer.validTo.isNull() || (inner.validTo.isValid() && inner.validTo <= outer.validTo));
}

// The periods `after` of a plan that judge days its stored periods did not, or judged by other
// rounds: a stored period only cut short, or renamed, overlaps nothing it did not before.
QList<Plan> periodsWrittenAnew(const QList<Plan>& stored, const QList<Plan>& after) {
    QList<Plan> anew;
    for (const Plan& period : after) {
        const bool kept = std::any_of(stored.cbegin(), stored.cend(), [&](const Plan& old) {
            return old.id == period.id && sameRounds(old, period) && within(period, old);
        });
        if (!kept)
            anew << period;
    }
    return anew;
}

} // namespace

QList<PlanOverlap> planOverlaps(const QList<EditedPlan>& plans, const PlanSave& save,
                                const QList<Plan>& ended) {
    QList<PlanOverlap> overlaps;
    QSet<QString> pairs;
    for (qsizetype i = 0; i < plans.size() && i < save.after.size(); ++i) {
        if (plans[i].deleted)
            continue;
        QList<Plan> others = ended;
        for (qsizetype j = 0; j < save.after.size(); ++j)
            if (j != i)
                others << save.after[j];
        for (const Plan& period : periodsWrittenAnew(plans[i].stored, save.after[i]))
            for (const Plan& other : std::as_const(others)) {
                const std::optional<QDate> day = firstOverlap(period, other);
                const QString pair = std::min(period.name, other.name) + QChar(0) +
                                     std::max(period.name, other.name);
                if (!day || pairs.contains(pair))
                    continue;
                pairs.insert(pair);
                overlaps.append({period.name, other.name, period.instrument,
                                 sharedCheckpoint(period, other).value_or(0), *day});
            }
    }
    return overlaps;
}

QString overlapWarning(const QList<PlanOverlap>& overlaps, const CheckpointNames& names) {
    if (overlaps.isEmpty())
        return {};
    QStringList lines;
    for (const PlanOverlap& overlap : overlaps)
        lines << QStringLiteral("Plany „%1” i „%2” czytnika %3 obejmują punkt %4 w tym samym "
                                "czasie (pierwszy raz %5).")
                     .arg(overlap.plan, overlap.other, overlap.instrument,
                          names.label(overlap.checkpoint),
                          RegionalFormats::fromEnvironment().formatShortDate(overlap.day));
    lines << QStringLiteral("Odbicie w tym czasie zostanie zaliczone tylko jednemu z nich. "
                            "Zapisać mimo to?");
    return lines.join(QLatin1Char('\n'));
}

} // namespace ronvalo

// What a plan change reaches beyond its own fields: the past days it judges anew and the other
// plans whose rounds it may share punches with, which the plan window asks about before saving.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "core/rounds/plan_rules.h"

namespace ronvalo {

// The first day before `today` on which a plan's periods `after` judge differently from
// `before`: the plan holds on one and not the other, or holds with other rounds. Null when the
// change leaves every past day as it was, so that no report already shown changes.
QDate firstPastDayChanged(const QList<Plan>& before, const QList<Plan>& after, const QDate& today);

// Two plans whose rounds may claim the same punches: the same instrument, a checkpoint in both,
// and a day on which the span of one plan's rounds overlaps the span of the other's. A span runs
// from the first planned start less the tolerance to the deadline of the last planned start
// (plus the tolerance and the duration), the night after included.
// The first day a round of `a` starts whose span overlaps one of `b`, or nothing.
std::optional<QDate> firstOverlap(const Plan& a, const Plan& b);

// One such pair among the plans "OK" would save: `plan` is a changed plan, `other` another
// plan, `day` the first day of `plan` it concerns.
struct PlanOverlap {
    QString plan;
    QString other;
    QString instrument;
    qint32 checkpoint = 0;
    QDate day;
};
// The overlaps of the periods that saving `plans` writes anew (a new period, or a stored one
// changed) with the periods of every other plan, `ended` included; each pair of plans once.
QList<PlanOverlap> planOverlaps(const QList<EditedPlan>& plans, const PlanSave& save,
                                const QList<Plan>& ended);
// The warning "OK" asks about before saving overlapping plans; empty when there are none.
QString overlapWarning(const QList<PlanOverlap>& overlaps, const CheckpointNames& names);

} // namespace ronvalo

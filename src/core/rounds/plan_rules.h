// Round plans as the plan window edits them: the checks before a save, and the validity periods
// that a change or a deletion leaves.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "core/rounds/names.h"
#include "core/store/plan.h"

namespace ronvalo {

// Minutes of a day: the longest interval or duration a plan may have.
inline constexpr qint64 minutesPerDay = 24 * 60;
// The longest name of a plan, a checkpoint or an instrument's description.
inline constexpr int maxNameLength = 60;
// The most steps of a plan: far more than a round walks, few enough that a period's rounds
// always fit in memory.
inline constexpr int maxPlanSteps = 200;

// The field of the plan window a fault is in.
enum class PlanField {
    None,
    Name,
    Instrument,
    Steps,
    Weekdays,
    FirstStart,
    LastStart,
    Interval,
    Tolerance,
    Duration,
    ValidFrom,
    ValidTo,
};

// Why a plan cannot be saved: the message names the field.
struct PlanFault {
    PlanField field = PlanField::None;
    QString message;
    explicit operator bool() const { return field != PlanField::None; }
};

// Everything a round is judged by: the plan but its name and validity dates.
bool sameRounds(const Plan& a, const Plan& b);
// The same rounds, name and validity period: a period left as it was.
bool samePlan(const Plan& a, const Plan& b);

// A checkpoint in two steps of the plan, in either order: a round punches each checkpoint once,
// and the second step could only take a repeat of the first.
PlanFault repeatedCheckpointFault(const Plan& plan, const CheckpointNames& names);

// The first fault of the plan's own fields; `names` label a checkpoint named in a message.
PlanFault planFault(const Plan& plan, const CheckpointNames& names);
// The same for a plan read from the tables, which the program wrote only once the plan passed:
// a message that names the plan and its fault, or empty when it passes. A plan that fails was
// changed behind the program's back and is never judged.
QString storedPlanFault(const Plan& plan, const CheckpointNames& names);

// The periods of loadPlans() as plans: the periods of one name together, each list by Od.
QList<QList<Plan>> plansByName(const QList<Plan>& periods);
// A plan whose last period holds today or later; an ended one is kept only for past days.
bool inForce(const QList<Plan>& periods, const QDate& today);

// The periods of one plan once `edited` replaces its last period on `today` (every period takes
// the edited name; `periods` empty for a new plan). When what the rounds are judged by changed
// in a period that began before the change's day (today, or the edited "od" when later), that
// period ends the day before and the edited plan is a new period from that day, so that past
// days keep the plan that held then; otherwise the last period is replaced in place (a plan new
// today, or changed twice in a day). A period that follows another moves that one's end.
struct PeriodsAfterEdit {
    QList<Plan> periods; // ids kept, 0 for a new period
    PlanFault fault;
};
PeriodsAfterEdit periodsAfterEdit(const QList<Plan>& periods, const Plan& edited,
                                  const QDate& today);

// The periods of a deleted plan: those that began before today are kept for past days, ending
// yesterday at the latest; the others go. A plan that never held before today leaves none.
QList<Plan> periodsAfterDelete(const QList<Plan>& periods, const QDate& today);

// A fault when a period of `periods` holds on a day when a period of another plan of the same
// name (ignoring case) does.
PlanFault nameClash(const QList<Plan>& periods, const QList<Plan>& otherPlans);

// A plan as the plan window holds it while it is open.
struct EditedPlan {
    QList<Plan> stored; // its periods as loaded, by Od; empty for a new plan
    Plan shown;         // its last period as the window shows it
    bool deleted = false;
};

// What "OK" writes: the stored periods to remove and the periods to write in their place; or the
// first fault, in the plan `faulty` (an index into the window's plans), and nothing to write.
struct PlanSave {
    QList<Plan> removed;
    QList<Plan> written;
    PlanFault fault;
    qsizetype faulty = -1;
    QList<QList<Plan>> after; // each plan's periods once saved, in the order of the window's
};
// `ended`: the periods of the plans the window does not list, which hold their names on past
// days. Plans the window left as they were are written again only when another change moves them.
PlanSave planSave(const QList<EditedPlan>& plans, const QList<Plan>& ended, const QDate& today,
                  const CheckpointNames& names);

} // namespace ronvalo

// Round plans as the rounds take them from Obchody.db: checked by the plan rules, so that nothing
// is judged by a plan the program would never have written. The tables themselves are read and
// written in core/store/rounds_tables.h.
#pragma once

#include <QList>

#include "core/store/plan.h"
#include "core/store/rounds_tables.h"

namespace ronvalo {

class TDM3;

// Every validity period of every plan, by name, then by Od (loadStoredPlans()). Each is checked
// by the plan rules: a row the program would never have written (a plan of 200 000 steps, a
// round of a million minutes) raises EDatabaseError naming the plan and its fault, so that
// nothing is judged by it. A damaged or unreadable Obchody.db raises EDatabaseError naming it.
// AsStored skips that check, for the plan window alone: there the operator corrects or removes
// such a plan, and saving it again passes the rules.
enum class PlanReading { Checked, AsStored };
QList<Plan> loadPlans(TDM3& dm, PlanReading reading = PlanReading::Checked);

} // namespace ronvalo

// The stored round plans checked by the plan rules as they are read.
#include "core/rounds/rounds_store.h"

#include <utility>

#include "core/common/exception.h"
#include "core/rounds/names.h"
#include "core/rounds/plan_rules.h"

namespace ronvalo {

QList<Plan> loadPlans(TDM3& dm, PlanReading reading) {
    QList<Plan> plans = loadStoredPlans(dm);
    if (reading == PlanReading::Checked && !plans.isEmpty()) {
        const CheckpointNames names(loadNamedCheckpoints(dm));
        for (const Plan& plan : std::as_const(plans))
            if (const QString fault = storedPlanFault(plan, names); !fault.isEmpty())
                throw EDatabaseError(fault);
    }
    return plans;
}

} // namespace ronvalo

// The plans the rounds judge by: a stored plan the rules refuse is named, except for the plan
// window, which reads it as stored so that the operator can correct it.
#include "core/rounds/rounds_store.h"

#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

Plan dayPlan() {
    Plan plan;
    plan.name = "Dzień";
    plan.instrument = "A1";
    plan.firstStart = QTime(8, 0);
    plan.lastStart = QTime(16, 0);
    plan.interval = 60;
    plan.tolerance = 10;
    plan.duration = 40;
    plan.validFrom = QDate(2024, 1, 1);
    plan.steps = {{12, false}, {5, false}};
    return plan;
}

QStringList namesOf(const QList<Plan>& plans) {
    QStringList names;
    for (const Plan& plan : plans)
        names << plan.name;
    return names;
}

} // namespace

TEST(RoundsStore, AStoredPlanTheRulesRefuseIsNamedUnlessReadAsStored) {
    TestTables tables(Engine::Files);
    ASSERT_TRUE(tables.ready());
    TDM3 dm;
    tables.point(dm);
    dm.openTables();
    // Saved past the window, as another program or an older version could have.
    Plan night = dayPlan();
    night.name = "Noc";
    night.interval = 0;
    night.duration = 2000;
    replacePlanPeriods(dm, {}, {night, dayPlan()});

    EXPECT_EQ(namesOf(loadPlans(dm, PlanReading::AsStored)), QStringList({"Dzień", "Noc"}));
    QString error;
    try {
        loadPlans(dm);
    } catch (const EDatabaseError& failure) {
        error = failure.message();
    }
    EXPECT_TRUE(error.startsWith("Plan „Noc” (nr 1) w tabeli Plany jest nieprawidłowy: "))
        << error.toStdString();

    // Corrected in the window: both are read for judging.
    Plan corrected = loadPlans(dm, PlanReading::AsStored).at(1);
    const Plan stored = corrected;
    corrected.interval = 60;
    corrected.duration = 40;
    replacePlanPeriods(dm, {stored}, {corrected});
    EXPECT_EQ(namesOf(loadPlans(dm)), QStringList({"Dzień", "Noc"}));
}

// The plans the rounds judge by: a stored plan the rules refuse is named, except for the plan
// window, which reads it as stored so that the operator can correct it.
#include "core/rounds/rounds_store.h"

#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/rounds/exception_report_fixture.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(RoundsStore, AStoredPlanTheRulesRefuseIsNamedUnlessReadAsStored) {
    const ReportInstallation installation;
    TDM3 dm;
    installation.open(dm);
    const QList<Plan> valid = loadPlans(dm);
    ASSERT_EQ(valid.size(), 1);

    // Saved past the window, as another program or an older version could have.
    Plan spoilt = valid[0];
    spoilt.duration = 2000;
    replacePlanPeriods(dm, valid, {spoilt});
    const QList<Plan> asStored = loadPlans(dm, PlanReading::AsStored);
    ASSERT_EQ(asStored.size(), 1);
    EXPECT_EQ(asStored[0].duration, 2000);
    QString error;
    try {
        loadPlans(dm);
    } catch (const EDatabaseError& failure) {
        error = failure.message();
    }
    EXPECT_TRUE(error.startsWith("Plan „Noc” (nr 1) w tabeli Plany jest nieprawidłowy: "))
        << error.toStdString();

    // Corrected in the window: read for judging again.
    replacePlanPeriods(dm, asStored, valid);
    EXPECT_EQ(loadPlans(dm).at(0).duration, valid[0].duration);
}

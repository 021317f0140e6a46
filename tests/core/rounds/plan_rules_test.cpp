// The plan checks and the validity periods a change leaves, as tables of plans and outcomes.
#include "core/rounds/plan_rules.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QDate today(2024, 3, 5);

Plan basePlan() {
    Plan plan;
    plan.id = 7;
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

// A period as "id from..to", "to" empty while open.
QString period(const Plan& plan) {
    return QString("%1 %2..%3 %4")
        .arg(plan.id)
        .arg(plan.validFrom.toString(Qt::ISODate), plan.validTo.toString(Qt::ISODate))
        .arg(plan.steps.size());
}

QStringList periods(const QList<Plan>& plans) {
    QStringList result;
    for (const Plan& plan : plans)
        result << period(plan);
    return result;
}

} // namespace

TEST(PlanRules, EachFaultNamesItsField) {
    ScopedEnv locale("LC_ALL", "pl_PL.UTF-8");
    const CheckpointNames names({{12, "Brama główna", false}});
    struct Case {
        const char* what;
        std::function<void(Plan&)> change;
        PlanField field;
        QString message; // empty: not checked beyond the field
    };
    const Case cases[] = {
        {"as it is", [](Plan&) {}, PlanField::None, ""},
        {"no name", [](Plan& p) { p.name = "  "; }, PlanField::Name,
         "Zapisanie planu niemożliwe! Wpisz nazwę planu w polu „Nazwa”."},
        {"61 characters", [](Plan& p) { p.name = QString(61, 'x'); }, PlanField::Name,
         "Zapisanie planu niemożliwe! Pole „Nazwa” może mieć najwyżej 60 znaków."},
        {"60 characters", [](Plan& p) { p.name = QString(60, 'x'); }, PlanField::None, ""},
        {"no instrument", [](Plan& p) { p.instrument.clear(); }, PlanField::Instrument, ""},
        {"no steps", [](Plan& p) { p.steps.clear(); }, PlanField::Steps,
         "Zapisanie planu niemożliwe! Plan nie zawiera żadnego punktu (tabela „Punkty "
         "obchodu”)."},
        {"checkpoint twice, fixed order",
         [](Plan& p) {
             p.steps.append({12, true});
         },
         PlanField::Steps,
         "Zapisanie planu niemożliwe! Punkt 12 Brama główna występuje w planie dwa razy (tabela "
         "„Punkty obchodu”): jeden obchód odbija każdy punkt raz."},
        {"checkpoint twice, any order",
         [](Plan& p) {
             p.steps.append({12, true});
             p.order = StepOrder::Any;
         },
         PlanField::Steps,
         "Zapisanie planu niemożliwe! Punkt 12 Brama główna występuje w planie dwa razy (tabela "
         "„Punkty obchodu”): jeden obchód odbija każdy punkt raz."},
        {"optional first step, fixed order", [](Plan& p) { p.steps[0].optional = true; },
         PlanField::Steps,
         "Zapisanie planu niemożliwe! Pierwszy punkt planu nie może być opcjonalny, gdy pole "
         "„Kolejność” ma wartość „stała”."},
        {"optional first step, any order",
         [](Plan& p) {
             p.steps[0].optional = true;
             p.order = StepOrder::Any;
         },
         PlanField::None, ""},
        {"no weekday", [](Plan& p) { p.weekdays = 0; }, PlanField::Weekdays, ""},
        {"interval 0, one round",
         [](Plan& p) {
             p.interval = 0;
             p.lastStart = p.firstStart;
         },
         PlanField::None, ""},
        {"interval 0, two starts", [](Plan& p) { p.interval = 0; }, PlanField::Interval, ""},
        {"interval below 0", [](Plan& p) { p.interval = -5; }, PlanField::Interval, ""},
        {"tolerance half the interval", [](Plan& p) { p.tolerance = 30; }, PlanField::None, ""},
        {"tolerance over half the interval", [](Plan& p) { p.tolerance = 31; },
         PlanField::Tolerance,
         "Zapisanie planu niemożliwe! Pole „Tolerancja (min)” może wynosić najwyżej połowę "
         "odstępu między obchodami (30 min), inaczej dwa obchody obejmą te same odbicia."},
        {"tolerance over half a day, one round a day",
         [](Plan& p) {
             p.interval = 0;
             p.lastStart = p.firstStart;
             p.tolerance = 721;
         },
         PlanField::Tolerance, ""},
        {"duration 0", [](Plan& p) { p.duration = 0; }, PlanField::Duration,
         "Zapisanie planu niemożliwe! Pole „Czas obchodu (min)” musi być większe od zera."},
        {"do before od", [](Plan& p) { p.validTo = p.validFrom.addDays(-1); }, PlanField::ValidTo,
         "Zapisanie planu niemożliwe! Data w polu „do” jest wcześniejsza niż w polu „Obowiązuje "
         "od”."},
        {"do on od", [](Plan& p) { p.validTo = p.validFrom; }, PlanField::None, ""},
        // Figures only a table changed behind the program's back holds: the window offers a day.
        {"interval a day", [](Plan& p) { p.interval = 1440; }, PlanField::None, ""},
        {"interval over a day", [](Plan& p) { p.interval = 1441; }, PlanField::Interval,
         "Zapisanie planu niemożliwe! Pole „Co (min)” może wynosić najwyżej 1440."},
        {"duration a day", [](Plan& p) { p.duration = 1440; }, PlanField::None, ""},
        {"duration two billion minutes", [](Plan& p) { p.duration = 2000000000; },
         PlanField::Duration,
         "Zapisanie planu niemożliwe! Pole „Czas obchodu (min)” może wynosić najwyżej 1440."},
        {"tolerance whose double wraps", [](Plan& p) { p.tolerance = 0x7fffffffffffffffLL; },
         PlanField::Tolerance, ""},
        {"duration below 0", [](Plan& p) { p.duration = -1; }, PlanField::Duration, ""},
        {"the most steps",
         [](Plan& p) {
             p.steps.clear();
             for (int k = 1; k <= maxPlanSteps; ++k)
                 p.steps.append({k, false});
         },
         PlanField::None, ""},
        {"a step too many",
         [](Plan& p) {
             p.steps.clear();
             for (int k = 1; k <= maxPlanSteps + 1; ++k)
                 p.steps.append({k, false});
         },
         PlanField::Steps,
         "Zapisanie planu niemożliwe! Plan może zawierać najwyżej 200 punktów (tabela „Punkty "
         "obchodu”)."},
        {"no first start", [](Plan& p) { p.firstStart = QTime(); }, PlanField::FirstStart, ""},
        {"no od", [](Plan& p) { p.validFrom = QDate(); }, PlanField::ValidFrom, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Plan plan = basePlan();
        c.change(plan);
        const PlanFault fault = planFault(plan, names);
        EXPECT_EQ(fault.field, c.field);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(fault.message, c.message);
        }
        if (c.field != PlanField::None) {
            EXPECT_TRUE(fault.message.startsWith("Zapisanie planu niemożliwe! "));
        }
    }
}

// A plan read from the tables is named with its fault, without the window's "cannot save".
TEST(PlanRules, AStoredPlanIsNamedWithItsFault) {
    const CheckpointNames names;
    EXPECT_EQ(storedPlanFault(basePlan(), names), QString());
    Plan plan = basePlan();
    plan.interval = 1;
    EXPECT_EQ(storedPlanFault(plan, names),
              "Plan „Dzień” (nr 7) w tabeli Plany jest nieprawidłowy: Pole „Tolerancja (min)” "
              "może wynosić najwyżej połowę odstępu między obchodami (0 min), inaczej dwa obchody "
              "obejmą te same odbicia.");
    // An any-order plan with a checkpoint twice, saved by an earlier version, is still judged.
    Plan older = basePlan();
    older.order = StepOrder::Any;
    older.steps.append({12, false});
    EXPECT_EQ(storedPlanFault(older, names), QString());
    EXPECT_EQ(planFault(older, names).field, PlanField::Steps);
}

TEST(PlanRules, AChangeMakesANewPeriodAndPastDaysKeepTheirPlan) {
    struct Case {
        const char* what;
        QList<Plan> stored;
        std::function<void(Plan&)> change;
        QStringList expected; // "id from..to steps"
        PlanField fault = PlanField::None;
    };
    Plan fromToday = basePlan();
    fromToday.validFrom = today;
    Plan earlier = basePlan();
    earlier.id = 3;
    earlier.validFrom = QDate(2023, 6, 1);
    earlier.validTo = QDate(2023, 12, 31);
    auto addStep = [](Plan& p) { p.steps.append({9, false}); };
    const Case cases[] = {
        {"new plan", {}, addStep, {"0 2024-01-01.. 3"}},
        {"steps changed in a plan in use",
         {basePlan()},
         addStep,
         {"7 2024-01-01..2024-03-04 2", "0 2024-03-05.. 3"}},
        {"a plan new today changed again", {fromToday}, addStep, {"7 2024-03-05.. 3"}},
        {"only its end set",
         {basePlan()},
         [](Plan& p) { p.validTo = QDate(2024, 6, 30); },
         {"7 2024-01-01..2024-06-30 2"}},
        {"a change from a later day",
         {basePlan()},
         [&](Plan& p) {
             addStep(p);
             p.validFrom = QDate(2024, 4, 1);
         },
         {"7 2024-01-01..2024-03-31 2", "0 2024-04-01.. 3"}},
        {"renamed: every period takes the name",
         {earlier, basePlan()},
         [](Plan& p) { p.name = "Nowa"; },
         {"3 2023-06-01..2023-12-31 2", "7 2024-01-01.. 2"}},
        {"start moved later: the period before still meets it",
         {earlier, basePlan()},
         [](Plan& p) { p.validFrom = QDate(2024, 2, 1); },
         {"3 2023-06-01..2024-01-31 2", "7 2024-02-01.. 2"}},
        {"start before the period before",
         {earlier, basePlan()},
         [](Plan& p) { p.validFrom = QDate(2023, 5, 1); },
         {},
         PlanField::ValidFrom},
        {"changed but ending before the change",
         {basePlan()},
         [&](Plan& p) {
             addStep(p);
             p.validTo = QDate(2024, 3, 1);
         },
         {},
         PlanField::ValidTo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Plan edited = c.stored.isEmpty() ? basePlan() : c.stored.last();
        c.change(edited);
        const PeriodsAfterEdit after = periodsAfterEdit(c.stored, edited, today);
        EXPECT_EQ(after.fault.field, c.fault);
        if (c.fault == PlanField::None) {
            EXPECT_EQ(periods(after.periods), c.expected);
            for (const Plan& plan : after.periods)
                EXPECT_EQ(plan.name, edited.name);
        }
    }
}

TEST(PlanRules, DeletionEndsAPlanInUseAndRemovesOneNeverUsed) {
    Plan fromToday = basePlan();
    fromToday.validFrom = today;
    Plan future = basePlan();
    future.id = 8;
    future.validFrom = QDate(2024, 4, 1);
    Plan current = basePlan();
    current.validTo = QDate(2024, 3, 31);
    Plan ended = basePlan();
    ended.validTo = QDate(2024, 2, 1);
    EXPECT_EQ(periods(periodsAfterDelete({fromToday}, today)), QStringList());
    EXPECT_EQ(periods(periodsAfterDelete({current, future}, today)),
              QStringList({"7 2024-01-01..2024-03-04 2"}));
    EXPECT_EQ(periods(periodsAfterDelete({ended}, today)),
              QStringList({"7 2024-01-01..2024-02-01 2"}));
}

TEST(PlanRules, TwoPlansOfOneNameNeverHoldOnOneDay) {
    ScopedEnv locale("LC_ALL", "pl_PL.UTF-8");
    Plan other = basePlan();
    other.id = 9;
    other.validFrom = QDate(2023, 1, 1);
    other.validTo = QDate(2024, 1, 31);
    Plan mine = basePlan();
    mine.id = 0;
    mine.name = "DZIEŃ";
    mine.validFrom = QDate(2024, 2, 1);
    EXPECT_FALSE(nameClash({mine}, {other}));
    mine.validFrom = QDate(2024, 1, 31);
    const PlanFault clash = nameClash({mine}, {other});
    EXPECT_EQ(clash.field, PlanField::Name);
    EXPECT_EQ(clash.message, "Zapisanie planu niemożliwe! Plan o nazwie „Dzień” obowiązuje już w "
                             "dniu 31.01.2024 (pole „Nazwa”).");
    mine.name = "Noc";
    EXPECT_FALSE(nameClash({mine}, {other}));
}

TEST(PlanRules, WindowSaveWritesOnlyChangedPlansOrNothingAtAFault) {
    const CheckpointNames names;
    EditedPlan kept{{basePlan()}, basePlan(), false};
    Plan nightPlan = basePlan();
    nightPlan.id = 0;
    nightPlan.name = "Noc";
    nightPlan.validFrom = today;
    EditedPlan added{{}, nightPlan, false};
    Plan gone = basePlan();
    gone.id = 4;
    gone.name = "Stary";
    EditedPlan deleted{{gone}, gone, true};

    PlanSave save = planSave({kept, added, deleted}, {}, today, names);
    EXPECT_FALSE(save.fault);
    EXPECT_EQ(periods(save.removed), QStringList({"4 2024-01-01.. 2"}));
    EXPECT_EQ(periods(save.written),
              QStringList({"0 2024-03-05.. 2", "4 2024-01-01..2024-03-04 2"}));

    // A new plan of a name in force, and one with no steps: the first fault, nothing written.
    added.shown.name = "dzień";
    save = planSave({kept, added}, {}, today, names);
    EXPECT_EQ(save.fault.field, PlanField::Name);
    EXPECT_EQ(save.faulty, 1);
    EXPECT_TRUE(save.written.isEmpty() && save.removed.isEmpty());
    added.shown.steps.clear();
    EXPECT_EQ(planSave({kept, added}, {}, today, names).fault.field, PlanField::Steps);
}

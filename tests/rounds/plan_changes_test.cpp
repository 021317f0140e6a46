// What a plan change touches beyond its own fields: the plans it overlaps, the past days it
// judges anew, and the service log lines of plan, checkpoint and instrument changes.
#include <gtest/gtest.h>

#include "rounds/change_log.h"
#include "rounds/plan_rules.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// 2024-01-01 is a Monday.
Plan dayPlan() {
    Plan plan;
    plan.name = "Dzień";
    plan.instrument = "A1";
    plan.firstStart = QTime(8, 0);
    plan.lastStart = QTime(16, 0);
    plan.interval = 60;
    plan.tolerance = 10;
    plan.duration = 40; // the span: 07:50 to the last deadline 16:50
    plan.validFrom = QDate(2024, 1, 1);
    plan.steps = {{12, false}, {5, false}};
    return plan;
}

Plan nightPlan() {
    Plan plan = dayPlan();
    plan.name = "Noc";
    plan.firstStart = QTime(22, 0);
    plan.lastStart = QTime(6, 0); // the next morning: the span ends at 06:50
    return plan;
}

constexpr int monday = 1, tuesday = 2, wednesday = 4, friday = 16;

} // namespace

TEST(PlanOverlap, PlansOfOneInstrumentSharingACheckpointAtOverlappingTimes) {
    struct Case {
        const char* what;
        std::function<void(Plan&, Plan&)> change; // the day plan, the other
        QDate first;                              // null: no overlap
    };
    const QDate start(2024, 1, 1);
    const Case cases[] = {
        {"the same times", [](Plan&, Plan&) {}, start},
        {"another instrument", [](Plan&, Plan& b) { b.instrument = "B2"; }, {}},
        {"no checkpoint in common",
         [](Plan&, Plan& b) {
             b.steps = {{7, false}};
         },
         {}},
        {"an optional step in common",
         [](Plan&, Plan& b) {
             b.steps = {{3, false}, {5, true}};
         },
         start},
        {"starting the minute after the last deadline",
         [](Plan&, Plan& b) { b.firstStart = b.lastStart = QTime(17, 1); },
         {}},
        {"starting on the last deadline's minute",
         [](Plan&, Plan& b) { b.firstStart = b.lastStart = QTime(17, 0); }, start},
        {"the last start off the interval: the last planned start counts",
         [](Plan& a, Plan& b) {
             a.lastStart = QTime(16, 30);
             b.firstStart = b.lastStart = QTime(17, 5);
         },
         {}},
        {"other weekdays",
         [](Plan& a, Plan& b) {
             a.weekdays = monday;
             b.weekdays = tuesday;
         },
         {}},
        {"the first common weekday", [](Plan&, Plan& b) { b.weekdays = friday; },
         QDate(2024, 1, 5)},
        {"validity periods apart",
         [](Plan& a, Plan& b) {
             a.validTo = QDate(2024, 2, 1);
             b.validFrom = QDate(2024, 2, 2);
         },
         {}},
        {"the later validity decides", [](Plan&, Plan& b) { b.validFrom = QDate(2024, 3, 7); },
         QDate(2024, 3, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Plan a = dayPlan();
        Plan b = dayPlan();
        b.name = "Inny";
        c.change(a, b);
        const std::optional<QDate> found = firstOverlap(a, b);
        EXPECT_EQ(found.value_or(QDate()), c.first);
        EXPECT_EQ(firstOverlap(b, a).has_value(), c.first.isValid()); // the rule is symmetric
    }
}

TEST(PlanOverlap, ANightShiftReachesIntoTheNextDay) {
    struct Case {
        const char* what;
        int nightDays;
        int dayDays;
        QTime dayStart;
        QDate nightValidTo;
        QDate first; // the night's day
    };
    const Case cases[] = {
        {"morning round after the night's end", tuesday, wednesday, QTime(8, 0), {}, {}},
        {"morning round within the night's span",
         tuesday,
         wednesday,
         QTime(6, 30),
         {},
         QDate(2024, 1, 2)},
        {"the night before another weekday", monday, wednesday, QTime(6, 30), {}, {}},
        {"the night's last day reaches past its validity", tuesday, wednesday, QTime(6, 30),
         QDate(2024, 1, 2), QDate(2024, 1, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Plan night = nightPlan();
        night.weekdays = c.nightDays;
        night.validTo = c.nightValidTo;
        Plan day = dayPlan();
        day.weekdays = c.dayDays;
        day.firstStart = day.lastStart = c.dayStart;
        day.validFrom = QDate(2024, 1, 3);
        EXPECT_EQ(firstOverlap(night, day).value_or(QDate()), c.first);
    }
}

TEST(PlanOverlap, SavingWarnsOnceAboutEachPairAWrittenPlanOverlaps) {
    ScopedEnv locale("LC_ALL", "pl_PL.UTF-8");
    Plan stored = dayPlan();
    stored.id = 1;
    Plan other = dayPlan();
    other.id = 2;
    other.name = "Inny";
    other.steps = {{5, false}};
    const QList<EditedPlan> untouched{{{stored}, stored, false}, {{other}, other, false}};
    const QDate today(2024, 3, 5);
    const CheckpointNames names({{5, "Brama", false}});
    // Plans stored as they were are not the operator's doing now: no warning.
    EXPECT_TRUE(planOverlaps(untouched, planSave(untouched, {}, today, names), {}).isEmpty());

    QList<EditedPlan> edited = untouched;
    edited[0].shown.tolerance = 5;
    const QList<PlanOverlap> overlaps =
        planOverlaps(edited, planSave(edited, {}, today, names), {});
    ASSERT_EQ(overlaps.size(), 1);
    EXPECT_EQ(overlaps[0].other, "Inny");
    EXPECT_EQ(overlaps[0].day, today); // the changed rounds hold from today
    EXPECT_EQ(overlapWarning(overlaps, names),
              "Plany „Dzień” i „Inny” czytnika A1 obejmują punkt 5 Brama w tym samym czasie "
              "(pierwszy raz 5.03.2024).\nOdbicie w tym czasie zostanie zaliczone tylko jednemu "
              "z nich. Zapisać mimo to?");
    edited[1].deleted = true;
    EXPECT_TRUE(planOverlaps(edited, planSave(edited, {}, today, names), {}).isEmpty());
}

TEST(PlanHistory, TheFirstPastDayAChangeJudgesAnew) {
    const QDate today(2024, 3, 5);
    const Plan held = dayPlan(); // since 2024-01-01
    // `held` with its dates, tolerance `tolerance`.
    auto period = [&](const QDate& from, const QDate& to = {}, qint64 tolerance = 10) {
        Plan plan = held;
        plan.validFrom = from;
        plan.validTo = to;
        plan.tolerance = tolerance;
        return plan;
    };
    struct Case {
        const char* what;
        QList<Plan> before;
        QList<Plan> after;
        QDate first;
    };
    const Case cases[] = {
        {"nothing changed", {held}, {held}, {}},
        {"a new plan from today", {}, {period(today)}, {}},
        {"a new plan from two days back", {}, {period(QDate(2024, 3, 3))}, QDate(2024, 3, 3)},
        {"od moved back", {held}, {period(QDate(2023, 12, 30))}, QDate(2023, 12, 30)},
        {"od moved later", {held}, {period(QDate(2024, 1, 3))}, QDate(2024, 1, 1)},
        {"do moved before today",
         {held},
         {period(held.validFrom, QDate(2024, 3, 1))},
         QDate(2024, 3, 2)},
        {"other rounds from today: a new period",
         {held},
         {period(held.validFrom, today.addDays(-1)), period(today, {}, 5)},
         {}},
        {"other rounds in a past period",
         {held},
         {period(held.validFrom, {}, 5)},
         QDate(2024, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(firstPastDayChanged(c.before, c.after, today), c.first);
    }
}

TEST(ChangeLog, PlanLinesNameThePlanAndEachChangedField) {
    ScopedEnv locale("LC_ALL", "pl_PL.UTF-8");
    Plan stored = dayPlan();
    stored.id = 1;
    stored.validFrom = QDate(2024, 3, 5);
    Plan renamed = stored;
    renamed.name = "Dzień 2";
    renamed.tolerance = 5;
    renamed.steps = {{12, false}, {5, true}};
    renamed.weekdays = monday | friday;
    Plan changedPeriod = renamed;
    changedPeriod.id = 0;
    changedPeriod.validFrom = QDate(2024, 3, 6);
    struct Case {
        const char* what;
        EditedPlan plan;
        QList<Plan> after;
        QStringList lines;
    };
    const Case cases[] = {
        {"unchanged", {{stored}, stored, false}, {stored}, {}},
        {"added",
         {{}, stored, false},
         {stored},
         {"Dodanie planu „Dzień” - Czytnik: A1; Kolejność: stała; Punkty obchodu: 12, 5; Dni: "
          "Pn–Nd; Pierwszy start: 08:00; Ostatni start: 16:00; Co (min): 60; Tolerancja (min): "
          "10; Czas obchodu (min): 40; Obowiązuje od: 5.03.2024; do: brak"}},
        {"changed in place",
         {{stored}, renamed, false},
         {renamed},
         {"Zmiana planu „Dzień” - Nazwa: „Dzień” na „Dzień 2”; Punkty obchodu: 12, 5 na 12, 5 "
          "(opc.); Dni: Pn–Nd na Pn Pt; Tolerancja (min): 10 na 5"}},
        {"changed from a new period",
         {{stored}, renamed, false},
         {stored, changedPeriod},
         {"Zmiana planu „Dzień” - Nazwa: „Dzień” na „Dzień 2”; Punkty obchodu: 12, 5 na 12, 5 "
          "(opc.); Dni: Pn–Nd na Pn Pt; Tolerancja (min): 10 na 5 (nowy okres od 6.03.2024)"}},
        {"deleted", {{stored}, renamed, true}, {}, {"Usunięcie planu „Dzień”"}},
        {"added and deleted before saving", {{}, stored, true}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(planLogLines({c.plan}, {c.after}), c.lines);
    }
}

TEST(ChangeLog, NameLinesSayWhatChangedAgainstTheDefaults) {
    const QList<Checkpoint> before{{12, "", false}, {171, "", true}, {40, "Magazyn", false}};
    const QList<Checkpoint> after{
        {12, "Brama", false}, {171, "", false}, {172, "", true}, {300, "", false}};
    EXPECT_EQ(checkpointLogLines(before, after),
              QStringList({"Zmiana punktu kontrolnego 12 - Nazwa: „” na „Brama”",
                           "Zmiana punktu kontrolnego 40 - Nazwa: „Magazyn” na „”",
                           "Zmiana punktu kontrolnego 171 - Zdarzenie: tak na nie"}));
    EXPECT_EQ(
        instrumentLogLines({{"A1", ""}, {"B2", "Stróż"}}, {{"A1", "Portiernia"}, {"B2", "Stróż"}}),
        QStringList({"Zmiana opisu czytnika A1: „” na „Portiernia”"}));
}

// What a plan change touches beyond its own fields: the plans it overlaps, the past days it
// judges anew, and its service log line.
#include <gtest/gtest.h>
#include <tuple>

#include "core/rounds/change_log.h"
#include "core/rounds/plan_changes.h"
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

// One side of an overlap case, by default a plan of A1 every hour from 8:00 to 16:00, 10 min
// either side, 40 min long (its span: 07:50 to the last deadline 16:50), from Monday 2024-01-01.
struct Side {
    Plan plan = dayPlan();

    Side with(const std::function<void(Plan&)>& change) const {
        Side side = *this;
        change(side.plan);
        return side;
    }
    Side starts(const QTime& first, const QTime& last) const {
        return with([&](Plan& p) { std::tie(p.firstStart, p.lastStart) = std::tie(first, last); });
    }
    Side startsOnce(const QTime& at) const { return starts(at, at); }
    Side night() const { return starts(QTime(22, 0), QTime(6, 0)); } // its span ends at 06:50
    Side on(int days) const {
        return with([&](Plan& p) { p.weekdays = days; });
    }
    Side valid(const QDate& from, const QDate& to = {}) const {
        return with([&](Plan& p) { std::tie(p.validFrom, p.validTo) = std::tie(from, to); });
    }
};

constexpr int monday = 1, tuesday = 2, wednesday = 4, friday = 16;

} // namespace

TEST(PlanOverlap, PlansOfOneInstrumentSharingACheckpointAtOverlappingTimes) {
    struct Case {
        const char* what;
        Side a, b;
        QDate first; // the first day of `a` concerned; null: no overlap
    };
    const QDate start(2024, 1, 1);
    const Side plain;
    const Side morning = plain.startsOnce(QTime(6, 30)).on(wednesday);
    const Case cases[] = {
        {"the same times", plain, plain, start},
        {"another instrument", plain, plain.with([](Plan& p) { p.instrument = "B2"; }), {}},
        {"no checkpoint in common",
         plain,
         plain.with([](Plan& p) {
             p.steps = {{7, false}};
         }),
         {}},
        {"an optional step in common", plain, plain.with([](Plan& p) {
             p.steps = {{3, false}, {5, true}};
         }),
         start},
        {"starting the minute after the last deadline", plain, plain.startsOnce(QTime(17, 1)), {}},
        {"starting on the last deadline's minute", plain, plain.startsOnce(QTime(17, 0)), start},
        {"the last start off the interval: the last planned start counts",
         plain.starts(QTime(8, 0), QTime(16, 30)),
         plain.startsOnce(QTime(17, 5)),
         {}},
        {"other weekdays", plain.on(monday), plain.on(tuesday), {}},
        {"the first common weekday", plain, plain.on(friday), QDate(2024, 1, 5)},
        {"validity periods apart",
         plain.valid(start, QDate(2024, 2, 1)),
         plain.valid(QDate(2024, 2, 2)),
         {}},
        {"the later validity decides", plain, plain.valid(QDate(2024, 3, 7)), QDate(2024, 3, 7)},
        {"a night shift, then a morning after its end",
         plain.night().on(tuesday),
         plain.on(wednesday),
         {}},
        {"a night shift, then a morning within its span", plain.night().on(tuesday), morning,
         QDate(2024, 1, 2)},
        {"a night shift before another weekday", plain.night().on(monday), morning, {}},
        {"a night shift's last day reaches past its validity",
         plain.night().on(tuesday).valid(start, QDate(2024, 1, 2)),
         morning.valid(QDate(2024, 1, 3)), QDate(2024, 1, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Plan b = c.b.plan;
        b.name = "Inny";
        EXPECT_EQ(firstOverlap(c.a.plan, b).value_or(QDate()), c.first);
        EXPECT_EQ(firstOverlap(b, c.a.plan).has_value(), c.first.isValid()); // symmetric
    }
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

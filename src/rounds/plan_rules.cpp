// The plan checks and the validity periods a change leaves.
#include "rounds/plan_rules.h"

#include <QMap>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "common/regional.h"

namespace ronvalo {

namespace {

constexpr int minutesPerDay = 24 * 60;

PlanFault fault(PlanField field, const QString& reason) {
    return {field, QStringLiteral("Zapisanie planu niemożliwe! ") + reason};
}

QString shortDate(const QDate& date) {
    return RegionalFormats::fromEnvironment().formatShortDate(date);
}

// The first step whose checkpoint an earlier step has already; -1 when none.
qsizetype repeatedStep(const QList<PlanStep>& steps) {
    QSet<qint32> seen;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (seen.contains(steps[i].checkpoint))
            return i;
        seen.insert(steps[i].checkpoint);
    }
    return -1;
}

PlanFault timeFault(const Plan& plan) {
    if (plan.interval < 0)
        return fault(PlanField::Interval, QStringLiteral("Pole „Co (min)” nie może być ujemne."));
    if (plan.interval == 0 && plan.lastStart != plan.firstStart)
        return fault(PlanField::Interval,
                     QStringLiteral("Pole „Co (min)” musi być większe od zera, gdy ostatni start "
                                    "różni się od pierwszego (0: jeden obchód dziennie)."));
    if (plan.tolerance < 0)
        return fault(PlanField::Tolerance,
                     QStringLiteral("Pole „Tolerancja (min)” nie może być ujemne."));
    // With one round a day the next round is a day later.
    const int gap = plan.interval > 0 ? plan.interval : minutesPerDay;
    if (2 * plan.tolerance > gap)
        return fault(PlanField::Tolerance,
                     QStringLiteral("Pole „Tolerancja (min)” może wynosić najwyżej połowę odstępu "
                                    "między obchodami (%1 min), inaczej dwa obchody obejmą te "
                                    "same odbicia.")
                         .arg(gap / 2));
    if (plan.duration <= 0)
        return fault(PlanField::Duration,
                     QStringLiteral("Pole „Czas obchodu (min)” musi być większe od zera."));
    return {};
}

QDate dayBefore(const QDate& day) {
    return day.addDays(-1);
}

} // namespace

bool sameRounds(const Plan& a, const Plan& b) {
    auto steps = [](const Plan& plan) {
        QList<std::pair<qint32, bool>> list;
        for (const PlanStep& step : plan.steps)
            list.append({step.checkpoint, step.optional});
        return list;
    };
    return std::tie(a.instrument, a.order, a.weekdays, a.firstStart, a.lastStart, a.interval,
                    a.tolerance, a.duration) == std::tie(b.instrument, b.order, b.weekdays,
                                                         b.firstStart, b.lastStart, b.interval,
                                                         b.tolerance, b.duration) &&
           steps(a) == steps(b);
}

PlanFault planFault(const Plan& plan, const CheckpointNames& names) {
    if (plan.name.trimmed().isEmpty())
        return fault(PlanField::Name, QStringLiteral("Wpisz nazwę planu w polu „Nazwa”."));
    if (plan.name.size() > maxNameLength)
        return fault(
            PlanField::Name,
            QStringLiteral("Pole „Nazwa” może mieć najwyżej %1 znaków.").arg(maxNameLength));
    if (plan.instrument.isEmpty())
        return fault(PlanField::Instrument,
                     QStringLiteral("Wybierz nr czytnika w polu „Czytnik”."));
    if (plan.steps.isEmpty())
        return fault(PlanField::Steps,
                     QStringLiteral("Plan nie zawiera żadnego punktu (tabela „Punkty obchodu”)."));
    if (const qsizetype repeated = repeatedStep(plan.steps);
        repeated >= 0 && plan.order == StepOrder::Fixed)
        return fault(PlanField::Steps,
                     QStringLiteral("Punkt %1 występuje w planie dwa razy, a pole „Kolejność” "
                                    "ma wartość „stała”.")
                         .arg(names.label(plan.steps[repeated].checkpoint)));
    if ((plan.weekdays & 0x7f) == 0)
        return fault(
            PlanField::Weekdays,
            QStringLiteral("Zaznacz co najmniej jeden dzień tygodnia (pola „Pn” … „Nd”)."));
    if (!plan.firstStart.isValid())
        return fault(PlanField::FirstStart, QStringLiteral("Pole „Pierwszy start” jest puste."));
    if (!plan.lastStart.isValid())
        return fault(PlanField::LastStart, QStringLiteral("Pole „Ostatni start” jest puste."));
    if (const PlanFault times = timeFault(plan))
        return times;
    if (!plan.validFrom.isValid())
        return fault(PlanField::ValidFrom, QStringLiteral("Pole „Obowiązuje od” jest puste."));
    if (plan.validTo.isValid() && plan.validTo < plan.validFrom)
        return fault(PlanField::ValidTo,
                     QStringLiteral("Data w polu „do” jest wcześniejsza niż w polu „Obowiązuje "
                                    "od”."));
    return {};
}

QList<QList<Plan>> plansByName(const QList<Plan>& periods) {
    QMap<QString, QList<Plan>> byName;
    for (const Plan& period : periods)
        byName[period.name].append(period);
    QList<QList<Plan>> plans;
    for (QList<Plan>& plan : byName) {
        std::stable_sort(plan.begin(), plan.end(),
                         [](const Plan& a, const Plan& b) { return a.validFrom < b.validFrom; });
        plans.append(plan);
    }
    return plans;
}

bool inForce(const QList<Plan>& periods, const QDate& today) {
    return !periods.isEmpty() &&
           (periods.last().validTo.isNull() || periods.last().validTo >= today);
}

PeriodsAfterEdit periodsAfterEdit(const QList<Plan>& periods, const Plan& edited,
                                  const QDate& today) {
    PeriodsAfterEdit result;
    if (periods.isEmpty()) {
        Plan added = edited;
        added.id = 0;
        result.periods = {added};
        return result;
    }
    result.periods = periods;
    for (Plan& period : result.periods)
        period.name = edited.name;
    Plan& last = result.periods.last();
    const QDate changeDay = std::max(today, edited.validFrom);
    if (!sameRounds(last, edited) && last.validFrom < changeDay) {
        if (edited.validTo.isValid() && edited.validTo < changeDay) {
            result.fault = fault(PlanField::ValidTo,
                                 QStringLiteral("Zmieniony plan obowiązuje od %1: data w polu "
                                                "„do” nie może być wcześniejsza.")
                                     .arg(shortDate(changeDay)));
            return result;
        }
        if (last.validTo.isNull() || last.validTo >= changeDay)
            last.validTo = dayBefore(changeDay);
        Plan next = edited;
        next.id = 0;
        next.validFrom = changeDay;
        result.periods.append(next);
        return result;
    }
    const qint64 id = last.id;
    const QDate formerStart = last.validFrom;
    last = edited;
    last.id = id;
    if (result.periods.size() > 1) {
        Plan& previous = result.periods[result.periods.size() - 2];
        if (edited.validFrom <= previous.validFrom) {
            result.fault = fault(PlanField::ValidFrom,
                                 QStringLiteral("Data w polu „Obowiązuje od” musi być późniejsza "
                                                "niż %1, początek poprzedniego okresu planu.")
                                     .arg(shortDate(previous.validFrom)));
            return result;
        }
        // Periods that met keep meeting; an overlap ends the earlier one.
        if (previous.validTo.isNull() || previous.validTo >= dayBefore(formerStart) ||
            previous.validTo >= edited.validFrom)
            previous.validTo = dayBefore(edited.validFrom);
    }
    return result;
}

QList<Plan> periodsAfterDelete(const QList<Plan>& periods, const QDate& today) {
    QList<Plan> kept;
    for (Plan period : periods) {
        if (period.validFrom >= today)
            continue;
        if (period.validTo.isNull() || period.validTo >= today)
            period.validTo = dayBefore(today);
        kept.append(period);
    }
    return kept;
}

PlanFault nameClash(const QList<Plan>& periods, const QList<Plan>& otherPlans) {
    for (const Plan& period : periods)
        for (const Plan& other : otherPlans) {
            if (period.name.compare(other.name, Qt::CaseInsensitive) != 0)
                continue;
            const QDate start = std::max(period.validFrom, other.validFrom);
            const bool overlap = (period.validTo.isNull() || start <= period.validTo) &&
                                 (other.validTo.isNull() || start <= other.validTo);
            if (overlap)
                return fault(PlanField::Name,
                             QStringLiteral("Plan o nazwie „%1” obowiązuje już w dniu %2 (pole "
                                            "„Nazwa”).")
                                 .arg(other.name, shortDate(start)));
        }
    return {};
}

namespace {

bool samePlan(const Plan& a, const Plan& b) {
    return sameRounds(a, b) && a.name == b.name && a.validFrom == b.validFrom &&
           a.validTo == b.validTo;
}

bool unchanged(const EditedPlan& plan) {
    return !plan.deleted && !plan.stored.isEmpty() && samePlan(plan.stored.last(), plan.shown);
}

} // namespace

PlanSave planSave(const QList<EditedPlan>& plans, const QList<Plan>& ended, const QDate& today,
                  const CheckpointNames& names) {
    PlanSave save;
    QList<QList<Plan>> after; // each plan's periods once saved
    for (qsizetype i = 0; i < plans.size(); ++i) {
        const EditedPlan& plan = plans[i];
        if (plan.deleted || unchanged(plan)) {
            after.append(plan.deleted ? periodsAfterDelete(plan.stored, today) : plan.stored);
            if (plan.deleted) {
                save.removed << plan.stored;
                save.written << after.last();
            }
            continue;
        }
        PlanFault fault = planFault(plan.shown, names);
        PeriodsAfterEdit edit;
        if (!fault) {
            edit = periodsAfterEdit(plan.stored, plan.shown, today);
            fault = edit.fault;
        }
        if (fault)
            return {{}, {}, fault, i};
        after.append(edit.periods);
        save.removed << plan.stored;
        save.written << edit.periods;
    }
    for (qsizetype i = 0; i < plans.size(); ++i) {
        if (plans[i].deleted || unchanged(plans[i]))
            continue;
        QList<Plan> others = ended;
        for (qsizetype j = 0; j < after.size(); ++j)
            if (j != i)
                others << after[j];
        if (const PlanFault clash = nameClash(after[i], others))
            return {{}, {}, clash, i};
    }
    return save;
}

} // namespace ronvalo

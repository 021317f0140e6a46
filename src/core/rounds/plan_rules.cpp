// The plan checks and the validity periods a change leaves.
#include "core/rounds/plan_rules.h"

#include <QMap>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "core/common/regional.h"

namespace ronvalo {

namespace {

const QString cannotSave = QStringLiteral("Zapisanie planu niemożliwe! ");

PlanFault fault(PlanField field, const QString& reason) {
    return {field, cannotSave + reason};
}

// A fault of the plan's own fields, without what the caller was doing.
PlanFault reason(PlanField field, const QString& text) {
    return {field, text};
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
        return reason(PlanField::Interval, QStringLiteral("Pole „Co (min)” nie może być ujemne."));
    // The window offers a day at most; a larger figure only comes from a table changed behind
    // the program's back, and would make the rounds reach back thousands of days.
    if (plan.interval > minutesPerDay)
        return reason(
            PlanField::Interval,
            QStringLiteral("Pole „Co (min)” może wynosić najwyżej %1.").arg(minutesPerDay));
    if (plan.interval == 0 && plan.lastStart != plan.firstStart)
        return reason(PlanField::Interval,
                      QStringLiteral("Pole „Co (min)” musi być większe od zera, gdy ostatni start "
                                     "różni się od pierwszego (0: jeden obchód dziennie)."));
    if (plan.tolerance < 0)
        return reason(PlanField::Tolerance,
                      QStringLiteral("Pole „Tolerancja (min)” nie może być ujemne."));
    // With one round a day the next round is a day later.
    const qint64 gap = plan.interval > 0 ? plan.interval : minutesPerDay;
    if (plan.tolerance > gap / 2) // 2 * tolerance > gap, without the product
        return reason(PlanField::Tolerance,
                      QStringLiteral("Pole „Tolerancja (min)” może wynosić najwyżej połowę odstępu "
                                     "między obchodami (%1 min), inaczej dwa obchody obejmą te "
                                     "same odbicia.")
                          .arg(gap / 2));
    if (plan.duration <= 0)
        return reason(PlanField::Duration,
                      QStringLiteral("Pole „Czas obchodu (min)” musi być większe od zera."));
    if (plan.duration > minutesPerDay)
        return reason(PlanField::Duration,
                      QStringLiteral("Pole „Czas obchodu (min)” może wynosić najwyżej %1.")
                          .arg(minutesPerDay));
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

bool samePlan(const Plan& a, const Plan& b) {
    return sameRounds(a, b) && a.name == b.name && a.validFrom == b.validFrom &&
           a.validTo == b.validTo;
}

PlanFault repeatedCheckpointFault(const Plan& plan, const CheckpointNames& names) {
    const qsizetype repeated = repeatedStep(plan.steps);
    if (repeated < 0)
        return {};
    return reason(PlanField::Steps,
                  QStringLiteral("Punkt %1 występuje w planie dwa razy (tabela „Punkty obchodu”): "
                                 "jeden obchód odbija każdy punkt raz.")
                      .arg(names.label(plan.steps[repeated].checkpoint)));
}

namespace {

// Whether the plan is about to be saved, or was read from the tables.
enum class Reading { Saved, Stored };

PlanFault planRuleFault(const Plan& plan, const CheckpointNames& names, Reading reading) {
    if (plan.name.trimmed().isEmpty())
        return reason(PlanField::Name, QStringLiteral("Wpisz nazwę planu w polu „Nazwa”."));
    if (plan.name.size() > maxNameLength)
        return reason(
            PlanField::Name,
            QStringLiteral("Pole „Nazwa” może mieć najwyżej %1 znaków.").arg(maxNameLength));
    if (plan.instrument.isEmpty())
        return reason(PlanField::Instrument,
                      QStringLiteral("Wybierz nr czytnika w polu „Czytnik”."));
    if (plan.steps.isEmpty())
        return reason(PlanField::Steps,
                      QStringLiteral("Plan nie zawiera żadnego punktu (tabela „Punkty obchodu”)."));
    if (plan.steps.size() > maxPlanSteps)
        return reason(PlanField::Steps,
                      QStringLiteral("Plan może zawierać najwyżej %1 punktów (tabela „Punkty "
                                     "obchodu”).")
                          .arg(maxPlanSteps));
    // Earlier versions saved an any-order plan with a checkpoint twice: stored, it is still
    // judged (its second step never finds a punch of its own), saved again it is refused.
    if (plan.order == StepOrder::Fixed || reading == Reading::Saved)
        if (const PlanFault repeated = repeatedCheckpointFault(plan, names))
            return repeated;
    // A fixed round starts only at its first checkpoint: skipped, the round would count as not
    // walked, which contradicts a step that may be skipped.
    if (plan.order == StepOrder::Fixed && plan.steps.first().optional)
        return reason(PlanField::Steps,
                      QStringLiteral("Pierwszy punkt planu nie może być opcjonalny, gdy pole "
                                     "„Kolejność” ma wartość „stała”."));
    if ((plan.weekdays & 0x7f) == 0)
        return reason(
            PlanField::Weekdays,
            QStringLiteral("Zaznacz co najmniej jeden dzień tygodnia (pola „Pn” … „Nd”)."));
    if (!plan.firstStart.isValid())
        return reason(PlanField::FirstStart, QStringLiteral("Pole „Pierwszy start” jest puste."));
    if (!plan.lastStart.isValid())
        return reason(PlanField::LastStart, QStringLiteral("Pole „Ostatni start” jest puste."));
    if (const PlanFault times = timeFault(plan))
        return times;
    if (!plan.validFrom.isValid())
        return reason(PlanField::ValidFrom, QStringLiteral("Pole „Obowiązuje od” jest puste."));
    if (plan.validTo.isValid() && plan.validTo < plan.validFrom)
        return reason(PlanField::ValidTo,
                      QStringLiteral("Data w polu „do” jest wcześniejsza niż w polu „Obowiązuje "
                                     "od”."));
    return {};
}

} // namespace

PlanFault planFault(const Plan& plan, const CheckpointNames& names) {
    PlanFault found = planRuleFault(plan, names, Reading::Saved);
    if (found)
        found.message.prepend(cannotSave);
    return found;
}

QString storedPlanFault(const Plan& plan, const CheckpointNames& names) {
    const PlanFault found = planRuleFault(plan, names, Reading::Stored);
    if (!found)
        return {};
    return QStringLiteral("Plan „%1” (nr %2) w tabeli Plany jest nieprawidłowy: %3")
        .arg(plan.name, QString::number(plan.id), found.message);
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
            return {{}, {}, fault, i, {}};
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
            return {{}, {}, clash, i, {}};
    }
    save.after = after;
    return save;
}

} // namespace ronvalo

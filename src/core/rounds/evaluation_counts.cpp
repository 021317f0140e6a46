// The judged rounds told and counted: their statuses as texts, the checkpoints they missed or
// took out of order, the compliance, and the totals per plan.
#include "core/rounds/evaluation.h"

#include <QHash>
#include <algorithm>

namespace ronvalo {

QString roundStatusText(RoundStatus status) {
    switch (status) {
    case RoundStatus::NotWalked:
        return QStringLiteral("Nie wykonany");
    case RoundStatus::Incomplete:
        return QStringLiteral("Niepełny");
    case RoundStatus::OutOfOrder:
        return QStringLiteral("Poza kolejnością");
    case RoundStatus::Late:
        return QStringLiteral("Spóźniony");
    case RoundStatus::Done:
        return QStringLiteral("Wykonany");
    case RoundStatus::NoReading:
        return QStringLiteral("Brak odczytu");
    }
    return {};
}

QList<qint32> missingCheckpoints(const RoundRow& round) {
    QList<qint32> missing;
    if (round.status == RoundStatus::NoReading)
        return missing;
    for (const StepResult& step : round.steps)
        if (!step.optional && step.punch < 0)
            missing.append(step.checkpoint);
    return missing;
}

QList<qint32> outOfOrderCheckpoints(const RoundRow& round) {
    QList<qint32> steps;
    if (round.status == RoundStatus::NoReading)
        return steps;
    for (const StepResult& step : round.steps)
        if (step.outOfOrder)
            steps.append(step.checkpoint);
    return steps;
}

namespace {

// Compliance in tenths of a percent, rounded half up in integers so that the text never depends
// on how a double rounds.
qint64 complianceTenths(const RoundCounts& counts) {
    return (counts.complete * 2000LL / counts.planned + 1) / 2;
}

} // namespace

std::optional<double> compliancePercent(const RoundCounts& counts) {
    if (counts.planned <= 0)
        return std::nullopt;
    return complianceTenths(counts) / 10.0;
}

QString complianceText(const RoundCounts& counts) {
    if (counts.planned <= 0)
        return QStringLiteral("–");
    const qint64 tenths = complianceTenths(counts);
    return QStringLiteral("%1,%2%").arg(tenths / 10).arg(tenths % 10);
}

void countRound(RoundCounts& counts, const RoundRow& row) {
    ++counts.byStatus[static_cast<int>(row.status)];
    if (row.status == RoundStatus::NoReading)
        return;
    ++counts.planned;
    if (row.status != RoundStatus::NotWalked && row.status != RoundStatus::Incomplete)
        ++counts.complete;
}

RoundTotals countRounds(const QList<RoundRow>& rounds) {
    // Plan names in the order of their first plan index among the rows.
    QHash<QString, int> firstPlan;
    for (const RoundRow& row : rounds) {
        const auto found = firstPlan.find(row.planName);
        if (found == firstPlan.end())
            firstPlan.insert(row.planName, row.plan);
        else
            *found = std::min(*found, row.plan);
    }
    QList<QString> names = firstPlan.keys();
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return firstPlan[a] != firstPlan[b] ? firstPlan[a] < firstPlan[b] : a < b;
    });
    QHash<QString, qsizetype> slot;
    RoundTotals totals;
    for (const QString& name : names) {
        slot.insert(name, totals.perPlan.size());
        totals.perPlan.append(RoundCounts{name});
    }
    for (const RoundRow& row : rounds) {
        countRound(totals.perPlan[slot[row.planName]], row);
        countRound(totals.total, row);
    }
    return totals;
}

QSet<qint32> incidentCheckpoints(const QList<Checkpoint>& checkpoints) {
    QSet<qint32> incidents;
    for (const Checkpoint& checkpoint : checkpoints)
        if (checkpoint.incident)
            incidents.insert(checkpoint.number);
    return incidents;
}

} // namespace ronvalo

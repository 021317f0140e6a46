// The evaluation of a period: planned rounds, the punches they claim, and the counts.
#include "rounds/evaluation.h"

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
    }
    return {};
}

QList<qint32> missingCheckpoints(const RoundRow& round) {
    QList<qint32> missing;
    for (const StepResult& step : round.steps)
        if (!step.optional && step.punch < 0)
            missing.append(step.checkpoint);
    return missing;
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

Evaluation evaluate(const EvaluationInput&) {
    return {};
}

PunchDates punchDatesToLoad(const QList<Plan>&, const QDate& first, const QDate& last) {
    return {first, last};
}

} // namespace ronvalo

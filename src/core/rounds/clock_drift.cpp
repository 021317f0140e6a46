// The instruments' clocks at transfer.
#include "core/rounds/clock_drift.h"

namespace ronvalo {

bool clockNeedsChecking(const DownloadClock& clock) {
    return !clock.driftMinutes || qAbs(*clock.driftMinutes) > clockDriftLimitMinutes;
}

QString clockDriftText(const std::optional<qint64>& driftMinutes) {
    if (!driftMinutes)
        return QStringLiteral("Zegar czytnika nieznany");
    const QString text =
        QStringLiteral("Zegar czytnika różnił się o %1 min").arg(qAbs(*driftMinutes));
    if (*driftMinutes > 0)
        return text + QStringLiteral(" (spieszył się)");
    if (*driftMinutes < 0)
        return text + QStringLiteral(" (spóźniał się)");
    return text;
}

} // namespace ronvalo

// The instruments' clocks at transfer, from the download archive: a clock off by more than a few
// minutes shifts every punch of its download, and with them the rounds' statuses.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace ronvalo {

// A clock off by more than this many minutes is listed.
constexpr qint64 clockDriftLimitMinutes = 5;

// One archived download's clock.
struct DownloadClock {
    qint32 download = 0;
    QString instrument; // NrCzytnika as archived; a report puts the instrument's label here
    QDateTime received; // the computer's clock at transfer
    // The instrument's clock minus the computer's, in whole minutes; none when unknown.
    std::optional<qint64> driftMinutes;
};

// Whether the download is listed: its clock unknown or off by more than the limit.
bool clockNeedsChecking(const DownloadClock& clock);

// "Zegar czytnika różnił się o 12 min (spieszył się)", "... (spóźniał się)", or
// "Zegar czytnika nieznany".
QString clockDriftText(const std::optional<qint64>& driftMinutes);

} // namespace ronvalo

// The instruments' clocks at transfer, from the download archive: a clock off by more than a few
// minutes shifts every punch of its download, and with them the rounds' statuses.
#pragma once

#include <QString>
#include <optional>

#include "core/store/transfer.h"

namespace ronvalo {

// A clock off by more than this many minutes is listed.
constexpr qint64 clockDriftLimitMinutes = 5;

// Whether the download is listed: its clock unknown or off by more than the limit.
bool clockNeedsChecking(const DownloadClock& clock);

// "Zegar czytnika różnił się o 12 min (spieszył się)", "... (spóźniał się)", or
// "Zegar czytnika nieznany".
QString clockDriftText(const std::optional<qint64>& driftMinutes);

} // namespace ronvalo

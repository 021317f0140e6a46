// The punch table's extent, its days and its AutoNr, which tells how a period is best read.
#pragma once

#include <QDate>
#include <optional>

#include "core/store/punch_scan.h"

namespace ronvalo {

class TDM3;

// Whether walking the whole file reads the period sooner than the date index does: when the
// period covers a good part of the days the table holds. A short period of a long table is
// found through the index, which visits only its rows.
bool periodWorthAScan(TDM3& dm, const QDate& from, const QDate& to);

// The lowest and highest AutoNr of the punch table; none when it is empty.
std::optional<PunchScanRows::AutoNrs> punchRowSpan(TDM3& dm);

} // namespace ronvalo

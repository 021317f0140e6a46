// What the rounds read of the downloads: each one's transfer, the archived instruments' clocks,
// and each instrument's latest punch.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/store/transfer.h"

namespace ronvalo {

class TDM3;

// Every function here raises EDatabaseError naming Obchody.db (or the server) when the tables
// cannot be read.

// The clocks of the archived downloads with a punch dated from `from` to `to` (both included),
// by Nrodczytu. A download without an archive row is not among them.
QList<DownloadClock> loadDownloadClocks(TDM3& dm, const QDate& from, const QDate& to);

// Each archived instrument's newest archived download's clock (by Nrodczytu), by Nrodczytu.
QList<DownloadClock> loadLatestDownloadClocks(TDM3& dm);

// Every download whose instrument is known: the archived ones with the instrument's clock (the
// computer's time where the clock is unknown), and those without an archive row (made before the
// archive existed) with NrOdc's time of the download and the instrument of its punches.
QList<Transfer> loadTransfers(TDM3& dm);
// The date and time of each instrument's latest punch (instruments as punches store them); an
// instrument without a punch is left out.
QHash<QString, QDateTime> loadLatestPunches(TDM3& dm, const QStringList& instruments);

} // namespace ronvalo

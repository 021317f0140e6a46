// The punches a period's report is judged from, read as fast as each engine allows.
#pragma once

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

#include "core/store/punch.h"

namespace ronvalo {

class TDM3;

// The punches dated from `from` to `to` (both included) of `instruments` (as the punch table
// stores them), in punch order: date, time, AutoNr. From the files they are read in the table's
// own order and sorted here, which reads a long period several times faster than walking an
// index; from a server a page at a time. `progress` gets the days of the period read so far of
// all its days and returns false to stop: the reading then raises WorkStopped. Raises
// EDatabaseError when the punch table cannot be read.
QList<Punch> loadPeriodPunches(TDM3& dm, const QDate& from, const QDate& to,
                               const QSet<QString>& instruments,
                               const std::function<bool(qint64, qint64)>& progress = {});

} // namespace ronvalo

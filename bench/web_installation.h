// The web benchmark's installation: instruments with their plans and names, one download of each
// instrument a day for some years, their punches, and each instrument's last download archived
// with its transmission, as the import leaves them.
#pragma once

#include "punch_fill.h"

#include <QByteArray>
#include <QDateTime>

namespace ronvalo::bench {

struct WebFillPlan {
    QString folder;
    int instruments = 50;
    QDate first;
    QDate last;
    qint64 punches = 0;
};

// The download of `instrument` for the punches of day `day` (0 for the first day), from 1.
qint32 downloadNumber(int day, int instrument, int instruments);
// When that download was transferred: the next morning, the instruments a minute apart.
QDateTime transferOf(const QDate& day, int instrument);

// How many patrol punches day `day` of `days` adds to `roundPunches` so that the punches stored
// so far reach total * (day + 1) / days: every total reached exactly on the last day, none
// when the rounds alone already pass it.
qint64 patrolsFor(qint64 total, int day, int days, qint64 storedBefore, qint64 roundPunches);

// The transmission of one download as the instrument sends it: the header with its number and
// clock, then a date line wherever the day changes and a line per punch, in their order.
QByteArray transmission(const QString& instrument, const QDateTime& clock,
                        const std::vector<Generated>& punches);

// Fills the empty tables made in `plan.folder`; ends the benchmark on a failure. Returns the
// punches stored.
qint64 fillWebInstallation(const WebFillPlan& plan);

} // namespace ronvalo::bench

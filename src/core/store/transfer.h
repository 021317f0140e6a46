// Downloads as the rounds take them from the archive and the download table: when each was
// transferred, and its instrument's clock then.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace ronvalo {

// One download: its number, its instrument, and when it was transferred (the instrument's own
// clock where the archive knows it, else the computer's time).
struct Transfer {
    qint32 download = 0;
    QString instrument;
    QDateTime moment;
};

// One archived download's clock.
struct DownloadClock {
    qint32 download = 0;
    QString instrument; // NrCzytnika as archived; a report puts the instrument's label here
    QDateTime received; // the computer's clock at transfer
    // The instrument's clock minus the computer's, in whole minutes; none when unknown.
    std::optional<qint64> driftMinutes;
};

} // namespace ronvalo

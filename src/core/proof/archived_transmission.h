// An archived transmission read again by the import's own reader: the instrument and the
// punches as the import stores them, for comparing with its download's punch rows.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <variant>

#include "core/store/download_punches.h"

namespace ronvalo {

// What an archived transmission yields.
struct Transmission {
    QString instrument; // cut as the punch rows carry it
    QList<ArchivedPunch> punches;
};

// The transmission, or the 0-based line at which it no longer reads.
std::variant<Transmission, int> readTransmission(const QByteArray& bytes);

} // namespace ronvalo

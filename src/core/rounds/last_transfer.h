// How far each instrument's downloads reach: the moment of its last transfer, after which its
// rounds cannot be judged yet.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <span>

#include "core/store/transfer.h"

namespace ronvalo {

// Each instrument's last transfer, keyed as punches store the instrument (its first 10
// characters): the moment of its newest download (by number). The instrument has been read up to
// its latest punch (`latestPunch`, by the same key) at least, so no earlier moment is ever given:
// that holds for punches stored without a download of their own too.
QHash<QString, QDateTime> lastTransfers(std::span<const Transfer> transfers,
                                        const QHash<QString, QDateTime>& latestPunch);

} // namespace ronvalo

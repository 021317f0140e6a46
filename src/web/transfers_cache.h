// The downloads' transfers, read once and kept while the download table and the archive stay as
// they were: every overview and report needs each instrument's last transfer, and reading every
// download's instrument again for each page would cost more than the page.
#pragma once

#include <QList>
#include <array>
#include <mutex>
#include <optional>

#include "core/store/transfer.h"

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

class TransfersCache {
public:
    // The transfers as loadTransfers() reads them: kept ones when the download table and the
    // archive hold as many rows, up to the same highest number, as when they were read; else
    // read anew (by one thread at a time, the others then taking what it read).
    QList<Transfer> transfers(TDM3& dm);

    // What tells that the downloads, the archive or the plans changed: the rows of the download
    // table, of the archive and of its changes (every plan or name changed is archived), and
    // their highest numbers. Raises EDatabaseError.
    using Fingerprint = std::array<qint64, 5>;
    static Fingerprint fingerprintOf(TDM3& dm);

private:
    std::mutex reading_; // one reading at a time
    std::mutex mutex_;   // the kept list
    std::optional<Fingerprint> kept_;
    QList<Transfer> transfers_;
};

} // namespace ronvalo::web

// Each instrument's last transfer from its downloads and its punches.
#include "core/rounds/last_transfer.h"

#include "core/rounds/evaluation.h"

namespace ronvalo {

QHash<QString, QDateTime> lastTransfers(std::span<const Transfer> transfers,
                                        const QHash<QString, QDateTime>& latestPunch) {
    QHash<QString, const Transfer*> newest;
    for (const Transfer& transfer : transfers) {
        const Transfer*& found = newest[punchInstrument(transfer.instrument)];
        if (!found || transfer.download > found->download)
            found = &transfer;
    }
    QHash<QString, QDateTime> last;
    for (auto it = newest.cbegin(); it != newest.cend(); ++it)
        if (it.value()->moment.isValid())
            last.insert(it.key(), it.value()->moment);
    for (auto it = latestPunch.cbegin(); it != latestPunch.cend(); ++it) {
        QDateTime& known = last[it.key()];
        if (it.value().isValid() && (!known.isValid() || known < it.value()))
            known = it.value();
    }
    return last;
}

} // namespace ronvalo

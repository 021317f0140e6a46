// Each instrument's last transfer from its downloads and its punches.
#include "rounds/last_transfer.h"

#include "rounds/evaluation.h"

namespace ronvalo {

QHash<QString, QDateTime> lastTransfers(std::span<const Transfer> transfers,
                                        std::span<const Punch> punches) {
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
    for (const Punch& punch : punches) {
        if (!punch.Data.isValid() || !punch.Czas.isValid())
            continue;
        const QDateTime moment = punchMoment(punch);
        QDateTime& known = last[punchInstrument(punch.Nrczyt)];
        if (!known.isValid() || known < moment)
            known = moment;
    }
    return last;
}

} // namespace ronvalo

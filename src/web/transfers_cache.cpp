// Keeping the transfers between pages.
#include "web/transfers_cache.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/rounds_downloads.h"

namespace ronvalo::web {

TransfersCache::Fingerprint TransfersCache::fingerprintOf(TDM3& dm) {
    // An Obchody.db of the release before has no table of changes yet.
    const QString changes = dm.roundsChangesMissing()
                                ? QStringLiteral("0")
                                : QStringLiteral("(SELECT COUNT(*) FROM ob.ArchiwumZmian)");
    QSqlQuery row = runRoundsQuery(
        dm, QStringLiteral("SELECT (SELECT COUNT(*) FROM nr.NrOdc), (SELECT MAX(Nrodczytu) FROM "
                           "nr.NrOdc), (SELECT COUNT(*) FROM ob.Archiwum), (SELECT "
                           "MAX(Nrodczytu) FROM ob.Archiwum), %1")
                .arg(changes));
    Fingerprint print{};
    if (row.next())
        for (int i = 0; i < int(print.size()); ++i)
            print[std::size_t(i)] = row.value(i).toLongLong();
    return print;
}

QList<Transfer> TransfersCache::transfers(TDM3& dm) {
    const Fingerprint now = fingerprintOf(dm);
    {
        std::lock_guard lock(mutex_);
        if (kept_ == now)
            return transfers_;
    }
    std::lock_guard reading(reading_);
    {
        // Another thread may have read them while this one waited.
        std::lock_guard lock(mutex_);
        if (kept_ == now)
            return transfers_;
    }
    QList<Transfer> read = loadTransfers(dm);
    std::lock_guard lock(mutex_);
    kept_ = now;
    transfers_ = read;
    return read;
}

} // namespace ronvalo::web

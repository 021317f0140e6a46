// Keeping overviews.
#include "web/overview_cache.h"

#include "web/instrument_cut.h"
#include "web/transfers_cache.h"

namespace ronvalo::web {

Overview OverviewCache::of(TDM3& dm, const InstrumentCut& cut, const QDateTime& now,
                           TransfersCache& transfers) {
    QString key = now.date().toString(Qt::ISODate);
    for (const qint64 value : TransfersCache::fingerprintOf(dm))
        key += QLatin1Char(' ') + QString::number(value);
    // Instrument numbers hold no line feeds: the list cannot run into the counts.
    key += QLatin1Char('\n') + cut.visible().join(QLatin1Char('\n'));
    {
        std::lock_guard lock(mutex_);
        for (auto it = kept_.begin(); it != kept_.end(); ++it)
            if (it->key == key) {
                Kept found = *it;
                kept_.erase(it);
                kept_.push_front(found);
                return found.overview;
            }
    }
    Overview made =
        buildOverview(dm, cut, now, [&](TDM3& tables) { return transfers.transfers(tables); });
    std::lock_guard lock(mutex_);
    kept_.push_front({key, made});
    if (kept_.size() > keptMost)
        kept_.pop_back();
    return made;
}

} // namespace ronvalo::web

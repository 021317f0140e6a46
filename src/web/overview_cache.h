// Overviews kept between requests: an overview changes only with a download, an archived change
// of the plans or names, or a new day, so that an office refreshing "Przegląd" costs one reading
// of the tables' counts.
#pragma once

#include <QDateTime>
#include <QString>
#include <deque>
#include <mutex>

#include "web/overview.h"

namespace ronvalo::web {

class TransfersCache;

class OverviewCache {
public:
    // The overview of `cut` at `now`: kept, or made and kept. Raises EDatabaseError.
    Overview of(TDM3& dm, const InstrumentCut& cut, const QDateTime& now,
                TransfersCache& transfers);

private:
    static constexpr std::size_t keptMost = 32; // the cuts of the accounts in use

    struct Kept {
        QString key;
        Overview overview;
    };
    std::mutex mutex_;
    std::deque<Kept> kept_; // most recent first
};

} // namespace ronvalo::web

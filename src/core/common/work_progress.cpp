#include "core/common/work_progress.h"

#include <algorithm>

namespace ronvalo {

int barValue(qint64 done, qint64 expected) {
    if (expected <= 0)
        return 0;
    return int(std::clamp<qint64>(done * barSteps / expected, 0, barSteps - 1));
}

} // namespace ronvalo

// The one clock of the program.
#include "core/common/clock.h"

namespace ronvalo {

std::optional<QDateTime>& Clock::fixed() {
    static std::optional<QDateTime> moment;
    return moment;
}

QDateTime Clock::now() {
    return fixed() ? *fixed() : QDateTime::currentDateTime();
}

} // namespace ronvalo

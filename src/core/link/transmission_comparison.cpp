// The comparison of two received transmissions of a reader dump.
#include "core/link/transmission_comparison.h"

#include "core/link/receive_buffer.h"

namespace ronvalo {

namespace {

// The instrument's clock reading: it changes between two TRANSFER presses.
constexpr qsizetype clockLine = 2;

} // namespace

TransmissionComparison compareTransmissions(const ReceiveBuffer& first,
                                            const ReceiveBuffer& second) {
    TransmissionComparison result;
    const qsizetype count = first.count();
    if (count != second.count()) {
        result.agree = false;
        result.lineCountsDiffer = true;
        return result;
    }
    if (first.overflowed() || second.overflowed()) {
        result.agree = false;
        return result;
    }
    for (qsizetype i = 0; i < count && result.agree; ++i)
        if (i != clockLine && first.line(i) != second.line(i))
            result.agree = false;
    return result;
}

} // namespace ronvalo

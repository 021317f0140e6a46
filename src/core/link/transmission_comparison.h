// The comparison of two received transmissions of a reader dump.
#pragma once

namespace ronvalo {

class ReceiveBuffer;

// What comparing two transmissions found.
struct TransmissionComparison {
    bool agree = true;
    bool lineCountsDiffer = false; // the download logs this case on its own line
};

// Line counts first, then every line but the clock line (index 2), byte for byte. A buffer that
// overflowed lost part of its transmission, so it never agrees with anything.
TransmissionComparison compareTransmissions(const ReceiveBuffer& first,
                                            const ReceiveBuffer& second);

} // namespace ronvalo

// The device control block's flags word, as the Windows structure packs its bit fields.
#include "platform/serial_device.h"

namespace ronvalo::platform {

std::uint32_t DeviceControlBlock::flags() const {
    return (fBinary & 1u) | (fParity & 1u) << 1 | (fOutxCtsFlow & 1u) << 2 |
           (fOutxDsrFlow & 1u) << 3 | (fDtrControl & 3u) << 4 | (fDsrSensitivity & 1u) << 6 |
           (fTXContinueOnXoff & 1u) << 7 | (fOutX & 1u) << 8 | (fInX & 1u) << 9 |
           (fErrorChar & 1u) << 10 | (fNull & 1u) << 11 | (fRtsControl & 3u) << 12 |
           (fAbortOnError & 1u) << 14;
}

} // namespace ronvalo::platform

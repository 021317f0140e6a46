// Line speeds through termios2 (Linux), kept apart because its header clashes with <termios.h>.
#include "platform/serial_posix.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace ronvalo::platform {

#if defined(__linux__)

bool setArbitrarySpeed(int fd, std::uint32_t baud) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    // Input speed bits left at zero make the input speed follow the output speed.
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

std::optional<std::uint32_t> currentSpeed(int fd) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return std::nullopt;
    return tio.c_ospeed;
}

#else

bool setArbitrarySpeed(int, std::uint32_t) {
    return false;
}
std::optional<std::uint32_t> currentSpeed(int) {
    return std::nullopt;
}

#endif

} // namespace ronvalo::platform

// The serial device on POSIX: termios, modem-line ioctls, an exclusive open, non-blocking reads.
#include "platform/serial_posix.h"

#include "platform/serial_claims_posix.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace ronvalo::platform {

namespace {

// The number n of a "\\.\COMn" name, 0 for any other name.
unsigned comPortNumber(const std::string& name) {
    static const std::string prefix = "\\\\.\\";
    if (name.size() <= prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string com = name.substr(prefix.size(), 3);
    if ((com[0] | 0x20) != 'c' || (com[1] | 0x20) != 'o' || (com[2] | 0x20) != 'm')
        return 0;
    const std::string digits = name.substr(prefix.size() + 3);
    if (digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return static_cast<unsigned>(std::stoul(digits));
}

std::optional<speed_t> namedSpeed(std::uint32_t baud) {
    static const std::pair<std::uint32_t, speed_t> speeds[] = {
        {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& [value, constant] : speeds)
        if (value == baud)
            return constant;
    return std::nullopt;
}

// Modem-line calls a device without modem lines (a pseudo-terminal) refuses; not an error.
bool setModemLine(int fd, int line, bool raised) {
    if (ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL || errno == EOPNOTSUPP;
}

// A UART's divisor leaves a small error; more than 2 % means the driver chose another speed.
bool speedMatches(std::uint32_t held, std::uint32_t asked) {
    const std::uint32_t difference = held > asked ? held - asked : asked - held;
    return difference <= asked / 50;
}

} // namespace

std::string serialDevicePath(const std::string& portName) {
    const unsigned n = comPortNumber(portName);
    if (n == 0)
        return portName;
    if (const char* path = std::getenv(("RONVALO_COM" + std::to_string(n)).c_str()))
        return path;
    return "/dev/ttyS" + std::to_string(n - 1);
}

bool controlBlockToTermios(const DeviceControlBlock& dcb, termios& tio) {
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 || dcb.StopBits > 2)
        return false;

    // Raw bytes in: no line editing, no translation, no signals, no parity checking.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | INPCK | IUCLC | IMAXBEL);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= sizes[dcb.ByteSize - 5] | CREAD | CLOCAL | HUPCL;
    switch (dcb.Parity) {
    case 1:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        tio.c_cflag |= PARENB;
        break;
    case 3:
        tio.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // A line of one and a half stop bits is received fine with two.
    if (dcb.StopBits != 0)
        tio.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        tio.c_cflag |= CRTSCTS;
    if (dcb.fOutX)
        tio.c_iflag |= IXON;
    if (dcb.fInX)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    // Reads return at once with whatever is queued.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return true;
}

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() {
    close();
}

SerialDevice::SerialDevice(SerialDevice&& other) noexcept
    : handle_(std::move(other.handle_)), lastError_(other.lastError_), timeouts_(other.timeouts_) {}

SerialDevice& SerialDevice::operator=(SerialDevice&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::move(other.handle_);
        lastError_ = other.lastError_;
        timeouts_ = other.timeouts_;
    }
    return *this;
}

bool SerialDevice::fail() {
    lastError_ = OsError::fromCode(errno);
    return false;
}

bool SerialDevice::open(const std::string& portName) {
    close();
    const std::string path = serialDevicePath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail();
    // TIOCEXCL keeps ordinary users out but not root; the lock keeps out every opener.
    // A refused opener must not clear TIOCEXCL: the flag belongs to the holder. Programs that
    // take neither show as an open descriptor or a UUCP lock file, checked before TIOCEXCL so
    // that a refusal leaves their device as it was.
    std::optional<std::string> lock;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || openElsewhere(fd) ||
        !(lock = takeLockFile(lockFilePath(path)))) {
        errno = EBUSY;
        fail();
        ::close(fd);
        return false;
    }
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        fail();
        ::close(fd);
        if (!lock->empty())
            ::unlink(lock->c_str());
        return false;
    }
    handle_ = std::make_unique<Handle>(Handle{fd, *lock});
    timeouts_ = {};
    return true;
}

void SerialDevice::close() {
    if (!handle_)
        return;
    const int fd = handle_->fd;
    if (!handle_->lockFile.empty())
        ::unlink(handle_->lockFile.c_str());
    ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    ::close(fd);
    handle_.reset();
}

bool SerialDevice::setState(const DeviceControlBlock& dcb) {
    if (!handle_) {
        errno = EBADF;
        return fail();
    }
    termios tio{};
    if (tcgetattr(handle_->fd, &tio) != 0)
        return fail();
    if (dcb.BaudRate == 0 || !controlBlockToTermios(dcb, tio)) {
        errno = EINVAL;
        return fail();
    }
    const std::optional<speed_t> named = namedSpeed(dcb.BaudRate);
    if (named && cfsetspeed(&tio, *named) != 0)
        return fail();
    if (tcsetattr(handle_->fd, TCSANOW, &tio) != 0)
        return fail();
    if (!named && !setArbitrarySpeed(handle_->fd, dcb.BaudRate))
        return fail();
    // A driver may quietly keep another speed than asked; that is a refusal too.
    if (const auto held = currentSpeed(handle_->fd); held && !speedMatches(*held, dcb.BaudRate)) {
        errno = EINVAL;
        return fail();
    }
    const bool dtr = dcb.fDtrControl != DTR_CONTROL_DISABLE;
    const bool rts = dcb.fRtsControl != RTS_CONTROL_DISABLE;
    if (!setModemLine(handle_->fd, TIOCM_DTR, dtr) || !setModemLine(handle_->fd, TIOCM_RTS, rts))
        return fail();
    return true;
}

bool SerialDevice::purge(std::uint32_t flags) {
    if (!handle_ || (flags & ~0xFu) != 0) {
        errno = !handle_ ? EBADF : EINVAL;
        return fail();
    }
    const bool output = flags & PURGE_TXCLEAR;
    const bool input = flags & PURGE_RXCLEAR;
    if (!output && !input)
        return true;
    const int queue = output && input ? TCIOFLUSH : output ? TCOFLUSH : TCIFLUSH;
    return tcflush(handle_->fd, queue) == 0 || fail();
}

bool SerialDevice::setupQueues(std::uint32_t, std::uint32_t) {
    if (!handle_) {
        errno = EBADF;
        return fail();
    }
    return true;
}

bool SerialDevice::setTimeouts(const CommTimeouts& timeouts) {
    if (!handle_) {
        errno = EBADF;
        return fail();
    }
    timeouts_ = timeouts;
    return true;
}

std::optional<std::uint32_t> SerialDevice::bytesWaiting() {
    int count = 0;
    if (!handle_ || ioctl(handle_->fd, FIONREAD, &count) != 0) {
        if (!handle_)
            errno = EBADF;
        fail();
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(count < 0 ? 0 : count);
}

std::optional<std::uint32_t> SerialDevice::read(void* buffer, std::uint32_t size) {
    if (!handle_) {
        errno = EBADF;
        fail();
        return std::nullopt;
    }
    if (size == 0)
        return 0;
    const ssize_t got = ::read(handle_->fd, buffer, size);
    if (got >= 0)
        return static_cast<std::uint32_t>(got);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    fail();
    return std::nullopt;
}

} // namespace ronvalo::platform

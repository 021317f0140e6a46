// A pseudo-terminal for tests: the far end (master) in the test, the slave's path as the port.
#pragma once

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ronvalo::test {

class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slavePath_ = QString::fromLocal8Bit(ptsname(master_));
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The port's path, as RONVALO_COMn or a port name would give it.
    const QString& slavePath() const { return slavePath_; }
    QByteArray slavePathBytes() const { return slavePath_.toLocal8Bit(); }
    int master() const { return master_; }

    // Writes at the far end, as the instrument does, waiting while the port's queue is full.
    // False when not all bytes went within ten seconds, so a stuck reader cannot hang a test.
    bool send(const QByteArray& bytes) {
        qsizetype at = 0;
        for (int waits = 0; at < bytes.size() && waits < 100;) {
            const ssize_t written = ::write(master_, bytes.constData() + at, bytes.size() - at);
            if (written > 0) {
                at += written;
                waits = 0;
            } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd entry{master_, POLLOUT, 0};
                poll(&entry, 1, 100);
                ++waits;
            } else {
                return false;
            }
        }
        return at == bytes.size();
    }

    // The far end goes away (cable or adapter pulled): the slave is hung up.
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slavePath_;
};

// Bytes queued for reading on a descriptor, -1 on failure.
inline int queuedBytes(int fd) {
    int count = 0;
    return ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

} // namespace ronvalo::test

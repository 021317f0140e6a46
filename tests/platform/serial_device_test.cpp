// The serial device layer on pseudo-terminals: names, line settings, exclusivity, reads, a lost far
// end.
#include "platform/serial_claims_posix.h"
#include "platform/serial_device.h"
#include "platform/serial_posix.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace ronvalo;
using namespace ronvalo::platform;
using ronvalo::test::PseudoTerminal;
using ronvalo::test::queuedBytes;
using ronvalo::test::ScopedEnv;

namespace {

// 9600 baud, 8 data bits, no parity, one stop bit, DTR and RTS raised.
DeviceControlBlock lineSettings(std::uint32_t baud = 9600) {
    DeviceControlBlock dcb;
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

bool waitQueued(int fd, int count) {
    return QTest::qWaitFor([&] { return queuedBytes(fd) >= count; }, 2000);
}

} // namespace

TEST(SerialDevicePath, ComNamesAndPaths) {
    const ScopedEnv com1("RONVALO_COM1", QByteArray("/tmp/port-one"));
    const ScopedEnv com2("RONVALO_COM2", std::nullopt);
    const ScopedEnv com12("RONVALO_COM12", std::nullopt);
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"\\\\.\\COM1", "/tmp/port-one"},
        {"\\\\.\\com1", "/tmp/port-one"},
        {"\\\\.\\COM2", "/dev/ttyS1"},
        {"\\\\.\\COM12", "/dev/ttyS11"},
        {"COM1", "COM1"},
        {"\\\\.\\COM", "\\\\.\\COM"},
        {"\\\\.\\COM1x", "\\\\.\\COM1x"},
        {"\\\\.\\COM0", "\\\\.\\COM0"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialDevicePath(c.name), c.path) << c.name;
}

TEST(ControlBlockToTermios, LineSettings) {
    const struct {
        std::uint8_t byteSize, parity, stopBits;
        tcflag_t cflag; // the bits of CSIZE, PARENB, PARODD, CMSPAR and CSTOPB
    } cases[] = {
        {8, 0, 0, CS8},
        {7, 1, 0, CS7 | PARENB | PARODD},
        {7, 2, 0, CS7 | PARENB},
        {8, 3, 0, CS8 | PARENB | PARODD | CMSPAR},
        {8, 4, 0, CS8 | PARENB | CMSPAR},
        {5, 0, 1, CS5 | CSTOPB},
        {6, 0, 2, CS6 | CSTOPB},
    };
    const tcflag_t mask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const auto& c : cases) {
        DeviceControlBlock dcb = lineSettings();
        dcb.ByteSize = c.byteSize;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stopBits;
        termios tio{};
        tio.c_iflag = ICRNL | IXON | INPCK;
        tio.c_lflag = ICANON | ECHO | ISIG;
        tio.c_oflag = OPOST;
        tio.c_cc[VMIN] = 1;
        ASSERT_TRUE(controlBlockToTermios(dcb, tio));
        EXPECT_EQ(tio.c_cflag & mask, c.cflag) << int(c.byteSize) << int(c.parity);
        EXPECT_TRUE(tio.c_cflag & CREAD);
        EXPECT_FALSE(tio.c_cflag & CRTSCTS);
        EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | IXOFF | INPCK), 0u) << "raw bytes, no checking";
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(tio.c_cc[VMIN], 0);
        EXPECT_EQ(tio.c_cc[VTIME], 0);
    }
}

TEST(ControlBlockToTermios, FlowControlAndRefusedBlocks) {
    DeviceControlBlock dcb = lineSettings();
    dcb.fOutxCtsFlow = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fOutX = dcb.fInX = 1;
    termios tio{};
    ASSERT_TRUE(controlBlockToTermios(dcb, tio));
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 17);
    EXPECT_EQ(tio.c_cc[VSTOP], 19);

    const struct {
        std::uint8_t byteSize, parity, stopBits;
    } refused[] = {{4, 0, 0}, {9, 0, 0}, {8, 5, 0}, {8, 0, 3}};
    for (const auto& r : refused) {
        dcb = lineSettings();
        dcb.ByteSize = r.byteSize;
        dcb.Parity = r.parity;
        dcb.StopBits = r.stopBits;
        EXPECT_FALSE(controlBlockToTermios(dcb, tio)) << int(r.byteSize);
    }
}

TEST(SerialDevice, OpensAPseudoTerminalRawAtNamedAndUnnamedSpeeds) {
    PseudoTerminal pty;
    SerialDevice device;
    ASSERT_TRUE(device.open(pty.slavePath().toStdString()));
    // A pseudo-terminal has no modem lines: DTR and RTS are not an error there.
    ASSERT_TRUE(device.setState(lineSettings()));
    termios tio{};
    ASSERT_EQ(tcgetattr(device.handle()->fd, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);

    for (std::uint32_t baud : {31250u, 14400u, 256000u}) {
        ASSERT_TRUE(device.setState(lineSettings(baud))) << baud;
        EXPECT_EQ(currentSpeed(device.handle()->fd), baud);
    }
    EXPECT_FALSE(device.setState(lineSettings(0)));
}

TEST(SerialDevice, ASecondOpenerIsRefusedUntilTheFirstCloses) {
    PseudoTerminal pty;
    const std::string path = pty.slavePath().toStdString();
    SerialDevice first;
    SerialDevice second;
    ASSERT_TRUE(first.open(path));
    int exclusive = 0;
    ASSERT_EQ(ioctl(first.handle()->fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    // Refused even for root, and twice: a refused opener leaves the holder's claim intact.
    EXPECT_FALSE(second.open(path));
    EXPECT_FALSE(second.open(path));
    EXPECT_FALSE(second.isOpen());

    first.close();
    ASSERT_TRUE(second.open(path));
    second.close();
    const int plain = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(plain, 0);
    ASSERT_EQ(ioctl(plain, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "closing gives the terminal back";
    ::close(plain);
}

// A terminal program or a modem probe: another process with the port open, no flock, or only
// its UUCP lock file.
TEST(SerialDevice, APortAnotherProgramHoldsIsRefused) {
    PseudoTerminal pty;
    const std::string path = pty.slavePath().toStdString();
    SerialDevice device;
    QProcess holder;
    holder.setStandardInputFile(pty.slavePath());
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    EXPECT_FALSE(device.open(path));
    EXPECT_EQ(device.lastError().code(), EBUSY);
    holder.kill();
    holder.waitForFinished();
    const qint64 gone = holder.processId();

    const QString lock = "/run/lock/LCK.." + pty.slavePath().mid(5).replace('/', '_');
    if (!QFileInfo(lock).dir().exists())
        GTEST_SKIP() << "no lock folder";
    auto claim = [&](QByteArray text) { ASSERT_TRUE(ronvalo::test::writeFileBytes(lock, text)); };
    auto holderOf = [&] { return ronvalo::test::readFileBytes(lock).trimmed().toLongLong(); };
    claim("         1\n"); // a live process's claim
    EXPECT_FALSE(device.open(path));
    claim(QByteArray::number(gone) + "\n"); // a stale one is taken over
    ASSERT_TRUE(device.open(path));
    EXPECT_EQ(holderOf(), ::getpid());
    EXPECT_FALSE(SerialDevice().open(path));
    device.close();
    EXPECT_FALSE(QFileInfo::exists(lock));
}

// The lock file appears with its number whole: a reader never finds it empty or cut short.
TEST(SerialDevice, TheLockFileIsNeverSeenIncomplete) {
    PseudoTerminal pty;
    const std::string path = pty.slavePath().toStdString();
    const std::string lock = lockFilePath(path);
    if (lock.empty())
        GTEST_SKIP() << "no lock folder";
    const std::string whole =
        QByteArray::number(::getpid()).rightJustified(10).toStdString() + "\n";
    std::atomic<bool> done = false;
    std::atomic<int> seen = 0;
    std::atomic<int> incomplete = 0;
    std::thread reader([&] {
        while (!done) {
            const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            char text[32];
            const ssize_t size = ::read(fd, text, sizeof text);
            ::close(fd);
            ++seen;
            incomplete += std::string(text, size > 0 ? size_t(size) : 0) != whole;
        }
    });
    SerialDevice device;
    for (int i = 0; i < 20; ++i) {
        const int before = seen;
        EXPECT_TRUE(device.open(path));
        // Open until the reader has seen the lock, so that every claim is raced.
        EXPECT_TRUE(QTest::qWaitFor([&] { return seen > before; }, 2000));
        device.close();
    }
    done = true;
    reader.join();
    EXPECT_EQ(incomplete, 0);
}

namespace {

// Another process holding a pseudo-terminal as a bridge does: a master it opens through
// `multiplexer` and that terminal's slave, and `otherSlave` when given. It ends with the object.
class Bridge {
public:
    explicit Bridge(const char* multiplexer, const std::string& otherSlave = {}) {
        int report[2], hold[2];
        if (pipe2(report, O_CLOEXEC) != 0 || pipe2(hold, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) { // only async-signal-safe calls until _exit
            // Nothing of this process's but the two pipes, as standard output and input.
            if (dup2(report[1], STDOUT_FILENO) < 0 || dup2(hold[0], STDIN_FILENO) < 0)
                _exit(1);
            close_range(3, ~0u, 0);
            int unlock = 0;
            unsigned index = 0;
            const int master = ::open(multiplexer, O_RDWR | O_NOCTTY);
            if (master < 0 || ioctl(master, TIOCSPTLCK, &unlock) != 0 ||
                ioctl(master, TIOCGPTN, &index) != 0 ||
                ioctl(master, TIOCGPTPEER, O_RDWR | O_NOCTTY) < 0 ||
                (!otherSlave.empty() && ::open(otherSlave.c_str(), O_RDWR | O_NOCTTY) < 0))
                _exit(1);
            if (::write(STDOUT_FILENO, &index, sizeof index) != sizeof index)
                _exit(1);
            char end;
            _exit(::read(STDIN_FILENO, &end, 1) < 0 ? 1 : 0); // until the parent closes its end
        }
        ::close(report[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        unsigned index = 0;
        if (pid_ > 0 && ::read(report[0], &index, sizeof index) == sizeof index)
            slavePath_ = "/dev/pts/" + std::to_string(index);
        ::close(report[0]);
    }
    ~Bridge() {
        ::close(hold_);
        if (pid_ > 0)
            waitpid(pid_, nullptr, 0);
    }
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // Its own terminal's slave; empty when the bridge could not be made.
    const std::string& slavePath() const { return slavePath_; }

private:
    pid_t pid_ = -1;
    int hold_ = -1;
    std::string slavePath_;
};

} // namespace

// A bridge keeps its pseudo-terminal's slave open as the far end; any other holder is refused.
TEST(SerialDevice, APseudoTerminalsFarEndIsNoOtherOpener) {
    PseudoTerminal elsewhere; // a terminal whose master this process holds
    test::TempFolder folder;
    const std::string link = folder.file("ttyV0").toStdString();
    const struct {
        const char* multiplexer;
        bool holdsElsewhere; // the bridge also holds the slave of `elsewhere`, which is opened
        bool anotherHolder;  // a second process holds the port as well
        bool opens;
    } cases[] = {
        {"/dev/ptmx", false, false, true},
        {"/dev/pts/ptmx", false, false, true},
        {"/dev/ptmx", true, false, false},
        {"/dev/ptmx", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.multiplexer) + (c.holdsElsewhere ? " elsewhere" : "") +
                     (c.anotherHolder ? " another" : ""));
        const Bridge bridge(c.multiplexer,
                            c.holdsElsewhere ? elsewhere.slavePath().toStdString() : std::string());
        ASSERT_FALSE(bridge.slavePath().empty());
        const std::string port = c.holdsElsewhere ? elsewhere.slavePath().toStdString() : link;
        ::unlink(link.c_str());
        ASSERT_EQ(symlink(bridge.slavePath().c_str(), link.c_str()), 0);
        QProcess holder;
        if (c.anotherHolder) {
            holder.setStandardInputFile(QString::fromStdString(port));
            holder.start("sleep", {"30"});
            ASSERT_TRUE(holder.waitForStarted());
        }
        SerialDevice device;
        EXPECT_EQ(device.open(port), c.opens);
        EXPECT_EQ(device.lastError().code(), c.opens ? 0 : EBUSY);
        holder.kill();
        holder.waitForFinished();
    }
}

TEST(SerialDevice, NamesWithoutATerminal) {
    test::TempFolder folder;
    SerialDevice device;
    EXPECT_FALSE(device.open(folder.file("missing").toStdString()));
    EXPECT_EQ(device.lastError().code(), ENOENT);

    // A plain file opens but takes no line settings.
    ASSERT_TRUE(test::writeFileBytes(folder.file("plain"), "x"));
    ASSERT_TRUE(device.open(folder.file("plain").toStdString()));
    EXPECT_FALSE(device.setState(lineSettings()));
}

TEST(SerialDevice, ReadsWithoutWaitingAndPurges) {
    PseudoTerminal pty;
    SerialDevice device;
    ASSERT_TRUE(device.open(pty.slavePath().toStdString()));
    ASSERT_TRUE(device.setState(lineSettings()));
    char buffer[16] = {};
    EXPECT_EQ(device.read(buffer, sizeof buffer), 0u) << "nothing queued: returns at once";

    ASSERT_TRUE(pty.send("abc\r\ndef"));
    ASSERT_TRUE(waitQueued(device.handle()->fd, 8));
    EXPECT_EQ(device.bytesWaiting(), 8u);
    ASSERT_EQ(device.read(buffer, 5), 5u);
    EXPECT_EQ(QByteArray(buffer, 5), "abc\r\n") << "CR LF arrive untranslated";
    EXPECT_EQ(device.bytesWaiting(), 3u);

    EXPECT_TRUE(device.purge(PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(device.bytesWaiting(), 0u);
    EXPECT_FALSE(device.purge(0x10)) << "no such direction";
}

TEST(SerialDevice, TheFarEndGoingIsAnError) {
    PseudoTerminal pty;
    SerialDevice device;
    ASSERT_TRUE(device.open(pty.slavePath().toStdString()));
    ASSERT_TRUE(device.setState(lineSettings()));
    pty.closeMaster();
    EXPECT_EQ(device.bytesWaiting(), std::nullopt);
    EXPECT_EQ(device.lastError().code(), EIO);
    char buffer[4];
    EXPECT_NE(device.read(buffer, sizeof buffer), std::optional<std::uint32_t>(4u));
    EXPECT_FALSE(device.setState(lineSettings()));
}

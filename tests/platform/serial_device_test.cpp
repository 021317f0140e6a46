// The serial device layer on pseudo-terminals: names, line settings, exclusivity, reads, a lost far
// end.
#include "platform/serial_device.h"
#include "platform/serial_posix.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

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

// TCommPortDriver: defaults, setters and clamps, the control block, open and close, and the poll.
#include "core/link/comm_port_driver.h"
#include "platform/serial_posix.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

using namespace ronvalo;
using ronvalo::test::PseudoTerminal;
using ronvalo::test::queuedBytes;
using ronvalo::test::ScopedEnv;

namespace {

// Every batch OnReceiveData delivered, in order.
struct Received {
    QByteArray bytes;
    std::vector<quint32> batches;

    void attach(TCommPortDriver& driver) {
        driver.OnReceiveData = [this](TCommPortDriver*, const char* data, quint32 size) {
            bytes.append(data, size);
            batches.push_back(size);
        };
    }
    quint32 largestBatch() const {
        return batches.empty() ? 0 : *std::max_element(batches.begin(), batches.end());
    }
};

// A driver on COM1, which is a fresh pseudo-terminal; COM2 to COM4 lead nowhere.
class DriverOnPty : public ::testing::Test {
protected:
    PseudoTerminal pty;
    test::TempFolder folder;
    ScopedEnv com1{"RONVALO_COM1", pty.slavePathBytes()};
    ScopedEnv com2{"RONVALO_COM2", folder.file("COM2").toLocal8Bit()};
    ScopedEnv com3{"RONVALO_COM3", folder.file("COM3").toLocal8Bit()};
    ScopedEnv com4{"RONVALO_COM4", folder.file("COM4").toLocal8Bit()};
    TCommPortDriver driver;

    void SetUp() override { driver.setPort(pnCOM1); }

    bool waitQueued(int count) {
        return QTest::qWaitFor([&] { return queuedBytes(driver.Device().handle()->fd) >= count; },
                               2000);
    }
};

QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 256);
    return bytes;
}

} // namespace

TEST(CommPortDriver, Defaults) {
    TCommPortDriver driver;
    EXPECT_EQ(driver.Port(), pnCOM2);
    EXPECT_EQ(driver.PortName(), "\\\\.\\COM2");
    EXPECT_EQ(driver.BaudRate(), br9600);
    EXPECT_EQ(driver.BaudRateValue(), 9600u);
    EXPECT_EQ(driver.DataBits(), db8BITS);
    EXPECT_EQ(driver.StopBits(), sb1BITS);
    EXPECT_EQ(driver.Parity(), ptNONE);
    EXPECT_EQ(driver.HwFlow(), hfNONERTSON);
    EXPECT_EQ(driver.SwFlow(), sfNONE);
    EXPECT_EQ(driver.InBufSize(), 2048u);
    EXPECT_EQ(driver.OutBufSize(), 2048u);
    EXPECT_EQ(driver.PacketSize(), -1);
    EXPECT_EQ(driver.PacketTimeout(), -1);
    EXPECT_EQ(driver.PacketMode(), pmDiscard);
    EXPECT_EQ(driver.PollingDelay(), 50);
    EXPECT_TRUE(driver.EnableDTROnOpen());
    EXPECT_EQ(driver.OutputTimeout(), 500);
    EXPECT_EQ(driver.InputTimeout(), 200u);
    EXPECT_FALSE(driver.CheckLineStatus());
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.IsPolling());

    const platform::DeviceControlBlock dcb = driver.ControlBlock();
    EXPECT_EQ(dcb.flags(), 0x1011u);
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.XonLim, 512);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar + dcb.EofChar + dcb.EvtChar, 0);
}

TEST(CommPortDriver, ControlBlockFollowsTheSettings) {
    const struct {
        PortSettings settings;
        std::uint32_t flags;
        std::uint8_t byteSize, parity, stopBits;
        std::uint16_t xonLim;
    } cases[] = {
        {{.HwFlow = hfNONE}, 0x0011, 8, 0, 0, 512},
        {{.HwFlow = hfRTSCTS}, 0x2015, 8, 0, 0, 512},
        {{.SwFlow = sfXONXOFF}, 0x1311, 8, 0, 0, 512},
        {{.EnableDTROnOpen = false}, 0x1001, 8, 0, 0, 512},
        {{.DataBits = db7BITS, .Parity = ptEVEN}, 0x1011, 7, 2, 0, 512},
        {{.DataBits = db5BITS, .StopBits = sb1HALFBITS, .Parity = ptSPACE}, 0x1011, 5, 4, 1, 512},
        {{.StopBits = sb2BITS, .Parity = ptMARK, .InBufSize = 130}, 0x1011, 8, 3, 2, 32},
    };
    for (const auto& c : cases) {
        const platform::DeviceControlBlock dcb = buildDeviceControlBlock(c.settings);
        EXPECT_EQ(dcb.flags(), c.flags);
        EXPECT_EQ(dcb.fParity, 0) << "parity is never checked";
        EXPECT_EQ(dcb.ByteSize, c.byteSize);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.StopBits, c.stopBits);
        EXPECT_EQ(dcb.XonLim, c.xonLim);
        EXPECT_EQ(dcb.XoffLim, c.xonLim);
    }
}

TEST(CommPortDriver, BaudRates) {
    const quint32 values[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                              14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int rate = brCustom; rate <= br256000; ++rate)
        EXPECT_EQ(BaudRateValueOf(TBaudRate(rate)), values[rate]) << rate;

    TCommPortDriver driver;
    driver.setBaudRate(br19200);
    EXPECT_EQ(driver.BaudRateValue(), 19200u);
    driver.setBaudRateValue(31250);
    EXPECT_EQ(driver.BaudRate(), brCustom);
    EXPECT_EQ(driver.BaudRateValue(), 31250u);
    driver.setBaudRate(brCustom);
    EXPECT_EQ(driver.BaudRateValue(), 31250u) << "brCustom keeps the speed of no name";
    EXPECT_EQ(driver.ControlBlock().BaudRate, 31250u);
}

TEST(CommPortDriver, PortAndPortNameWhileClosed) {
    TCommPortDriver driver;
    driver.setPort(pnCOM4);
    EXPECT_EQ(driver.PortName(), "\\\\.\\COM4");
    driver.setPort(pnCOM12);
    EXPECT_EQ(driver.PortName(), "\\\\.\\COM12");
    driver.setPortName("/dev/ttyUSB0");
    EXPECT_EQ(driver.Port(), pnCustom);
    EXPECT_EQ(driver.PortName(), "/dev/ttyUSB0");
    driver.setPort(pnCustom);
    EXPECT_EQ(driver.PortName(), "/dev/ttyUSB0");
}

TEST(CommPortDriver, Clamps) {
    const struct {
        quint32 asked, kept;
    } sizes[] = {{100, 128}, {0, 128}, {128, 128}, {4096, 4096}, {8192, 8192}, {10000, 8192}};
    TCommPortDriver driver;
    for (const auto& s : sizes) {
        driver.setInBufSize(s.asked);
        driver.setOutBufSize(s.asked);
        EXPECT_EQ(driver.InBufSize(), s.kept) << s.asked;
        EXPECT_EQ(driver.OutBufSize(), s.kept) << s.asked;
    }
    const struct { quint16 asked, kept; } delays[] = {{0, 5}, {4, 5}, {5, 5}, {200, 200}};
    for (const auto& d : delays) {
        driver.setPollingDelay(d.asked);
        EXPECT_EQ(driver.PollingDelay(), d.kept) << d.asked;
    }
}

TEST_F(DriverOnPty, OpenTwiceAndCloseTwice) {
    driver.ClosePort();
    EXPECT_FALSE(driver.IsPortOpen());

    ASSERT_TRUE(driver.OpenPort());
    EXPECT_TRUE(driver.IsPolling());
    const int descriptor = driver.Device().handle()->fd;
    EXPECT_EQ(driver.Device().timeouts().ReadIntervalTimeout, 1u);
    EXPECT_EQ(driver.Device().timeouts().WriteTotalTimeoutConstant, 10u);
    EXPECT_TRUE(driver.OpenPort());
    EXPECT_EQ(driver.Device().handle()->fd, descriptor);

    driver.ClosePort();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.IsPolling());
    driver.ClosePort();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.ApplyPortSettings());
    EXPECT_FALSE(driver.PurgeBuffers(true, true));
}

TEST_F(DriverOnPty, PortSettingsThatWaitForClosing) {
    ASSERT_TRUE(driver.OpenPort());
    driver.setPort(pnCOM4);
    driver.setPortName("/elsewhere");
    driver.setInBufSize(4096);
    driver.setOutBufSize(4096);
    EXPECT_EQ(driver.Port(), pnCOM1);
    EXPECT_EQ(driver.PortName(), "\\\\.\\COM1");
    EXPECT_EQ(driver.InBufSize(), 2048u);
    EXPECT_EQ(driver.OutBufSize(), 2048u);

    driver.setPollingDelay(120);
    auto* timer = driver.findChild<QTimer*>("pollTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 120);
}

TEST_F(DriverOnPty, PortsThatDoNotOpen) {
    // COM3 names no file; a plain file takes no line settings; COM1 held by another driver.
    driver.setPort(pnCOM3);
    EXPECT_FALSE(driver.OpenPort());
    EXPECT_FALSE(driver.IsPortOpen());

    ASSERT_TRUE(test::writeFileBytes(folder.file("plain"), "x"));
    driver.setPortName(folder.file("plain"));
    EXPECT_FALSE(driver.OpenPort());
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.IsPolling());

    TCommPortDriver holder;
    holder.setPort(pnCOM1);
    ASSERT_TRUE(holder.OpenPort());
    driver.setPort(pnCOM1);
    EXPECT_FALSE(driver.OpenPort()) << "refused as the second opener, even as root";
    holder.ClosePort();
    EXPECT_TRUE(driver.OpenPort());
}

TEST_F(DriverOnPty, ALineSettingWhileOpenRewritesTheBlockAndDiscardsTheQueue) {
    driver.setPollingDelay(60000); // the test polls by hand
    Received received;
    received.attach(driver);
    ASSERT_TRUE(driver.OpenPort());
    // Disturb the terminal's settings behind the driver's back, then queue some bytes.
    termios tio{};
    ASSERT_EQ(tcgetattr(driver.Device().handle()->fd, &tio), 0);
    tio.c_iflag |= ICRNL;
    ASSERT_EQ(tcsetattr(driver.Device().handle()->fd, TCSANOW, &tio), 0);
    ASSERT_TRUE(pty.send("stale bytes"));
    ASSERT_TRUE(waitQueued(11));

    driver.setParity(ptMARK);
    EXPECT_EQ(driver.ControlBlock().Parity, 3);
    EXPECT_EQ(queuedBytes(driver.Device().handle()->fd), 0);
    ASSERT_EQ(tcgetattr(driver.Device().handle()->fd, &tio), 0);
    EXPECT_EQ(tio.c_iflag & ICRNL, 0u) << "the whole block was written again";

    driver.PollInput();
    EXPECT_TRUE(received.bytes.isEmpty());
}

TEST_F(DriverOnPty, ABurstArrivesInPiecesOfInBufSizeWithinOneTick) {
    driver.setInBufSize(128);
    driver.setPollingDelay(60000);
    Received received;
    received.attach(driver);
    ASSERT_TRUE(driver.OpenPort());
    const QByteArray burst = pattern(1000);
    ASSERT_TRUE(pty.send(burst));
    ASSERT_TRUE(waitQueued(burst.size()));

    driver.PollInput();
    EXPECT_EQ(received.bytes, burst);
    EXPECT_EQ(received.batches.size(), 8u);
    EXPECT_EQ(received.largestBatch(), 128u);
}

TEST_F(DriverOnPty, AStreamArrivesThroughTheTimerInOrderAndComplete) {
    driver.setInBufSize(128);
    Received received;
    received.attach(driver);
    ASSERT_TRUE(driver.OpenPort());
    const QByteArray stream = pattern(20000);
    std::thread writer([&] { pty.send(stream); });
    const bool complete =
        QTest::qWaitFor([&] { return received.bytes.size() >= stream.size(); }, 20000);
    writer.join();
    ASSERT_TRUE(complete) << received.bytes.size();
    EXPECT_EQ(received.bytes, stream);
    EXPECT_LE(received.largestBatch(), 128u);
}

TEST_F(DriverOnPty, AHandlerThatClosesThePortEndsTheTick) {
    driver.setInBufSize(128);
    driver.setPollingDelay(60000);
    Received received;
    ASSERT_TRUE(driver.OpenPort());
    driver.OnReceiveData = [&](TCommPortDriver* sender, const char* data, quint32 size) {
        received.bytes.append(data, size);
        sender->ClosePort();
        sender->setInBufSize(8192); // frees the scratch buffer the tick was reading into
    };
    ASSERT_TRUE(pty.send(pattern(1000)));
    ASSERT_TRUE(waitQueued(1000));
    driver.PollInput();
    EXPECT_EQ(received.bytes.size(), 128);
    EXPECT_FALSE(driver.IsPortOpen());
}

// The far end gone makes every query fail; the poll goes on at its period while the port is open.
TEST_F(DriverOnPty, FailedReadsLeaveThePollRunningUntilThePortCloses) {
    Received received;
    received.attach(driver);
    driver.setPollingDelay(20);
    ASSERT_TRUE(driver.OpenPort());
    auto* timer = driver.findChild<QTimer*>("pollTimer");
    ASSERT_NE(timer, nullptr);
    int ticks = 0;
    QObject::connect(timer, &QTimer::timeout, [&] { ++ticks; });
    pty.closeMaster();
    EXPECT_FALSE(QTest::qWaitFor([&] { return !driver.IsPolling(); }, 300));
    EXPECT_GE(ticks, 5);
    driver.setPollingDelay(30);
    EXPECT_TRUE(driver.IsPolling());
    EXPECT_EQ(timer->interval(), 30);
    EXPECT_TRUE(received.bytes.isEmpty());

    driver.ClosePort();
    EXPECT_FALSE(driver.IsPolling());
    driver.setPollingDelay(40);
    EXPECT_FALSE(driver.IsPolling()) << "a closed port is never polled";
}

// The Windows serial backend on COM1, which the test's Wine prefix maps to a pseudo-terminal
// where the instrument simulator sends one transmission of $RONVALO_TEST_DUMP once the port is
// open. Bytes arrive as sent, the port is held exclusively, an absent port does not open.
#include "platform/serial_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>
#include <windows.h>

using namespace ronvalo::platform;
using namespace std::chrono_literals;

namespace {

// 9600 baud, 8 data bits, no parity, one stop bit, DTR and RTS raised: the flags word 0x1011.
DeviceControlBlock lineSettings() {
    DeviceControlBlock dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

std::string expectedBytes() {
    const char* path = std::getenv("RONVALO_TEST_DUMP");
    std::ifstream in(path ? path : "", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Polls as the driver does (queued count, then a read of at most the buffer) until `size` bytes
// came or ten seconds passed.
std::string receive(SerialDevice& port, std::size_t size) {
    std::string received;
    char buffer[64];
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (received.size() < size && std::chrono::steady_clock::now() < until) {
        const auto waiting = port.bytesWaiting();
        if (!waiting)
            break;
        if (*waiting == 0) {
            std::this_thread::sleep_for(50ms);
            continue;
        }
        const auto got = port.read(buffer, std::min<std::uint32_t>(*waiting, sizeof buffer));
        if (!got)
            break;
        received.append(buffer, *got);
    }
    return received;
}

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

TEST(SerialPort, AbsentPortDoesNotOpen) {
    SerialDevice port;
    EXPECT_FALSE(port.open("\\\\.\\COM99"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.lastError().failed());
    EXPECT_FALSE(port.setState(lineSettings())) << "a closed port takes no settings";
    EXPECT_FALSE(port.setTimeouts({1, 0, 1, 0, 10})) << "nor time limits";
    EXPECT_EQ(port.bytesWaiting(), std::nullopt);
}

TEST(SerialPort, ReceivesATransmissionUnchangedAndIsHeldExclusively) {
    const std::string expected = expectedBytes();
    ASSERT_FALSE(expected.empty()) << "RONVALO_TEST_DUMP names the simulator's dump";

    SerialDevice port;
    ASSERT_TRUE(port.open("\\\\.\\COM1")) << port.lastError().text();
    // Share mode 0 keeps a second opener out on Windows; Wine does not apply sharing to devices.
    SerialDevice second;
    if (!underWine()) {
        EXPECT_FALSE(second.open("\\\\.\\COM1")) << "one opener at a time";
    }

    ASSERT_TRUE(port.setState(lineSettings())) << port.lastError().text();
    // The port holds what was set: the block was read from it, changed and written back.
    DCB held{};
    held.DCBlength = sizeof held;
    ASSERT_TRUE(GetCommState(port.handle()->handle, &held));
    EXPECT_EQ(held.BaudRate, 9600u);
    EXPECT_EQ(held.ByteSize, 8);
    EXPECT_EQ(held.Parity, NOPARITY);
    EXPECT_EQ(held.StopBits, ONESTOPBIT);
    EXPECT_EQ(held.fDtrControl, unsigned(DTR_CONTROL_ENABLE));
    EXPECT_EQ(held.fRtsControl, unsigned(RTS_CONTROL_ENABLE));
    EXPECT_EQ(held.fOutX | held.fInX | held.fOutxCtsFlow, 0u) << "no handshake";
    EXPECT_TRUE(port.purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
    EXPECT_TRUE(port.setupQueues(2048, 2048));
    EXPECT_TRUE(port.setTimeouts({1, 0, 1, 0, 10}));

    const auto start = std::chrono::steady_clock::now();
    const std::string received = receive(port, expected.size());
    EXPECT_EQ(received, expected) << "CR LF and 8-bit bytes arrive untranslated";
    // Reads return at once: the whole transmission takes about its time on the line.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 9s);
    port.close();
    EXPECT_FALSE(port.isOpen());
}

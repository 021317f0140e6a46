// The serial device: open by port name, line settings from a device control block, non-blocking
// reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct termios;

namespace ronvalo::platform {

// Line settings in the layout of the Windows device control block; fields keep its names.
struct DeviceControlBlock {
    std::uint32_t DCBlength = 28; // the structure's size on Windows
    std::uint32_t BaudRate = 0;
    std::uint8_t fBinary = 0;
    std::uint8_t fParity = 0;
    std::uint8_t fOutxCtsFlow = 0;
    std::uint8_t fOutxDsrFlow = 0;
    std::uint8_t fDtrControl = 0; // 0 disabled, 1 enabled, 2 handshake
    std::uint8_t fDsrSensitivity = 0;
    std::uint8_t fTXContinueOnXoff = 0;
    std::uint8_t fOutX = 0;
    std::uint8_t fInX = 0;
    std::uint8_t fErrorChar = 0;
    std::uint8_t fNull = 0;
    std::uint8_t fRtsControl = 0; // 0 disabled, 1 enabled, 2 handshake, 3 toggle
    std::uint8_t fAbortOnError = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    // The one-bit and two-bit flags packed as the Windows structure packs them.
    std::uint32_t flags() const;

    bool operator==(const DeviceControlBlock&) const = default;
};

inline constexpr std::uint8_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t DTR_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t RTS_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t RTS_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t RTS_CONTROL_HANDSHAKE = 2;

// Purge directions; both abort bits are accepted and have nothing to abort here.
inline constexpr std::uint32_t PURGE_TXABORT = 0x1;
inline constexpr std::uint32_t PURGE_RXABORT = 0x2;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x4;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x8;

// Read and write time limits in milliseconds, in the layout of the Windows structure.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// The file a port name opens: "\\.\COMn" is $RONVALO_COMn when set, else /dev/ttyS<n-1>;
// any other name is a path.
std::string serialDevicePath(const std::string& portName);

// Fills a raw 8-bit termios from the block, speed excepted. False when the block asks for
// something no line can do (data bits outside 5..8, unknown parity or stop bits).
bool controlBlockToTermios(const DeviceControlBlock& dcb, termios& tio);

// One open serial device, held exclusively; closed when the object goes.
class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice() { close(); }
    SerialDevice(SerialDevice&& other) noexcept;
    SerialDevice& operator=(SerialDevice&& other) noexcept;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the port for reading and writing, refusing a port another opener holds: by flock,
    // by any open descriptor of another process this user can see, or by a UUCP lock file
    // ("LCK..name" in /run/lock or /var/lock) naming a live process. Holds such a lock file
    // itself while open. A refusal sets lastError() to EBUSY.
    bool open(const std::string& portName);
    bool isOpen() const { return fd_ >= 0; }
    // Releases the exclusive hold and the descriptor; nothing on a closed device.
    void close();

    // Writes the line settings; false when the device refuses them.
    bool setState(const DeviceControlBlock& dcb);
    // Discards the queued bytes of the directions named by the PURGE_* bits.
    bool purge(std::uint32_t flags);
    // The kernel sizes its own queues; accepted for any size.
    bool setupQueues(std::uint32_t inputSize, std::uint32_t outputSize);
    // Kept for the caller; reads never wait whatever they say.
    bool setTimeouts(const CommTimeouts& timeouts);
    const CommTimeouts& timeouts() const { return timeouts_; }

    // The count of bytes waiting to be read; nullopt when the device failed (gone, hung up).
    std::optional<std::uint32_t> bytesWaiting();
    // Reads what is queued, at most size bytes, without waiting. nullopt on a device error;
    // 0 when nothing was there.
    std::optional<std::uint32_t> read(void* buffer, std::uint32_t size);

    // The errno of the latest failed call.
    int lastError() const { return lastError_; }
    int descriptor() const { return fd_; }

private:
    bool fail();

    int fd_ = -1;
    int lastError_ = 0;
    CommTimeouts timeouts_;
    std::string lockFile_; // the UUCP lock file held while open, if any
};

} // namespace ronvalo::platform

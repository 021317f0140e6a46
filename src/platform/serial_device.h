// The serial device: open by port name, line settings from a device control block, reads that
// never wait. On Windows the serial-port calls themselves; on POSIX termios (serial_posix.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/os_error.h"

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

// Purge directions, as PurgeComm takes them.
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

// One open serial device, held exclusively; closed when the object goes.
class SerialDevice {
public:
    SerialDevice();
    ~SerialDevice();
    SerialDevice(SerialDevice&& other) noexcept;
    SerialDevice& operator=(SerialDevice&& other) noexcept;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the port for reading and writing, refusing a port another program holds. On POSIX
    // that is also a port any other process this user can see has open, or one a UUCP lock
    // file ("LCK..name" in /run/lock or /var/lock) claims for a live process; such a lock file
    // is then held while the port is open, and a refusal's error is EBUSY.
    bool open(const std::string& portName);
    bool isOpen() const { return handle_ != nullptr; }
    // Releases the port; nothing on a closed device.
    void close();

    // Writes the line settings; false when the device refuses them.
    bool setState(const DeviceControlBlock& dcb);
    // Discards the queued bytes of the directions named by the PURGE_* bits.
    bool purge(std::uint32_t flags);
    // Asks for input and output queues of these sizes (POSIX kernels size their own).
    bool setupQueues(std::uint32_t inputSize, std::uint32_t outputSize);
    // The read and write time limits (on POSIX kept for the caller: reads never wait).
    bool setTimeouts(const CommTimeouts& timeouts);
    const CommTimeouts& timeouts() const { return timeouts_; }

    // The count of bytes waiting to be read; nullopt when the device failed (gone, hung up).
    std::optional<std::uint32_t> bytesWaiting();
    // Reads what is queued, at most size bytes, without waiting. nullopt on a device error;
    // 0 when nothing was there.
    std::optional<std::uint32_t> read(void* buffer, std::uint32_t size);

    // The system's error of the latest failed call.
    const OsError& lastError() const { return lastError_; }

    // The backend's own handle, defined in its header; null while closed.
    struct Handle;
    const Handle* handle() const { return handle_.get(); }

private:
    bool fail();

    std::unique_ptr<Handle> handle_;
    OsError lastError_;
    CommTimeouts timeouts_;
};

} // namespace ronvalo::platform

// The serial device on Windows: the Win32 serial-port calls, synchronous, on "\\.\COMn".
#include "platform/serial_win32.h"

namespace ronvalo::platform {

namespace {

// Writes the fields the program sets over the block the port holds: the reserved fields and
// whatever a driver keeps in them stay as the driver reported them.
void applyTo(DCB& dcb, const DeviceControlBlock& block) {
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = block.BaudRate;
    dcb.fBinary = block.fBinary;
    dcb.fParity = block.fParity;
    dcb.fOutxCtsFlow = block.fOutxCtsFlow;
    dcb.fOutxDsrFlow = block.fOutxDsrFlow;
    dcb.fDtrControl = block.fDtrControl;
    dcb.fDsrSensitivity = block.fDsrSensitivity;
    dcb.fTXContinueOnXoff = block.fTXContinueOnXoff;
    dcb.fOutX = block.fOutX;
    dcb.fInX = block.fInX;
    dcb.fErrorChar = block.fErrorChar;
    dcb.fNull = block.fNull;
    dcb.fRtsControl = block.fRtsControl;
    dcb.fAbortOnError = block.fAbortOnError;
    dcb.XonLim = block.XonLim;
    dcb.XoffLim = block.XoffLim;
    dcb.ByteSize = block.ByteSize;
    dcb.Parity = block.Parity;
    dcb.StopBits = block.StopBits;
    dcb.XonChar = block.XonChar;
    dcb.XoffChar = block.XoffChar;
    dcb.ErrorChar = block.ErrorChar;
    dcb.EofChar = block.EofChar;
    dcb.EvtChar = block.EvtChar;
}

static_assert(sizeof(DCB) == 28, "the control block the port is given is 28 bytes");

} // namespace

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
    lastError_ = OsError::last();
    return false;
}

bool SerialDevice::open(const std::string& portName) {
    close();
    // No sharing: a port another program holds does not open. No overlapped flag: every read
    // is synchronous and returns at once by the time limits set after opening.
    const HANDLE handle = CreateFileA(portName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return fail();
    handle_ = std::make_unique<Handle>(handle);
    timeouts_ = {};
    return true;
}

void SerialDevice::close() {
    if (!handle_)
        return;
    CloseHandle(handle_->handle);
    handle_.reset();
}

bool SerialDevice::setState(const DeviceControlBlock& block) {
    if (!handle_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail();
    }
    // Read first, so that SetCommState gets the driver's own values in every field the program
    // does not set; a port that cannot report its state is refused like one that refuses it.
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(handle_->handle, &dcb))
        return fail();
    applyTo(dcb, block);
    return SetCommState(handle_->handle, &dcb) || fail();
}

bool SerialDevice::purge(std::uint32_t flags) {
    if (!handle_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail();
    }
    return PurgeComm(handle_->handle, flags) || fail();
}

bool SerialDevice::setupQueues(std::uint32_t inputSize, std::uint32_t outputSize) {
    if (!handle_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail();
    }
    return SetupComm(handle_->handle, inputSize, outputSize) || fail();
}

bool SerialDevice::setTimeouts(const CommTimeouts& timeouts) {
    if (!handle_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail();
    }
    COMMTIMEOUTS limits{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                        timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                        timeouts.WriteTotalTimeoutConstant};
    if (!SetCommTimeouts(handle_->handle, &limits))
        return fail();
    timeouts_ = timeouts;
    return true;
}

std::optional<std::uint32_t> SerialDevice::bytesWaiting() {
    // The line-error flags are cleared and dropped: framing, parity and overrun are not reported.
    DWORD errors = 0;
    COMSTAT status{};
    if (!handle_ || !ClearCommError(handle_->handle, &errors, &status)) {
        if (!handle_)
            SetLastError(ERROR_INVALID_HANDLE);
        fail();
        return std::nullopt;
    }
    return status.cbInQue;
}

std::optional<std::uint32_t> SerialDevice::read(void* buffer, std::uint32_t size) {
    if (!handle_) {
        SetLastError(ERROR_INVALID_HANDLE);
        fail();
        return std::nullopt;
    }
    if (size == 0)
        return 0;
    DWORD got = 0;
    if (!ReadFile(handle_->handle, buffer, size, &got, nullptr)) {
        fail();
        return std::nullopt;
    }
    return got;
}

} // namespace ronvalo::platform

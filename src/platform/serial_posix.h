// The POSIX serial backend's own parts: the port's file, termios from a control block, line
// speeds through the kernel's termios interface (which also takes speeds of no name).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/serial_device.h"

struct termios;

namespace ronvalo::platform {

struct SerialDevice::Handle {
    int fd;
    std::string lockFile; // the UUCP lock file held while open; empty when none could be made
};

// The file a port name opens: "\\.\COMn" is $RONVALO_COMn when set, else /dev/ttyS<n-1>;
// any other name is a path.
std::string serialDevicePath(const std::string& portName);

// Fills a raw 8-bit termios from the block, speed excepted. False when the block asks for
// something no line can do (data bits outside 5..8, unknown parity or stop bits).
bool controlBlockToTermios(const DeviceControlBlock& dcb, termios& tio);

// Sets the input and output speed of a terminal to any rate the driver accepts.
bool setArbitrarySpeed(int fd, std::uint32_t baud);

// The output speed the terminal holds, in bits per second.
std::optional<std::uint32_t> currentSpeed(int fd);

} // namespace ronvalo::platform

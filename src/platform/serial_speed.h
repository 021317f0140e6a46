// Line speeds through the kernel's own termios interface, which also takes speeds of no name.
#pragma once

#include <cstdint>
#include <optional>

namespace ronvalo::platform {

// Sets the input and output speed of a terminal to any rate the driver accepts.
bool setArbitrarySpeed(int fd, std::uint32_t baud);

// The output speed the terminal holds, in bits per second.
std::optional<std::uint32_t> currentSpeed(int fd);

} // namespace ronvalo::platform

// Writing through a file descriptor: shared by the file services and the file replacement.
#pragma once

#include <string_view>

#include "platform/os_error.h"

namespace ronvalo::platform {

// Writes every byte, going on after a signal interrupts a write.
OsError writeAll(int fd, std::string_view bytes);

} // namespace ronvalo::platform

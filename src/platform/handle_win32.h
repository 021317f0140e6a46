// Writing through a Windows file handle: shared by the file services and the file replacement.
#pragma once

#include <string_view>
#include <windows.h>

#include "platform/os_error.h"

namespace ronvalo::platform {

// Writes every byte, in pieces that a DWORD counts.
OsError writeAll(HANDLE file, std::string_view bytes);

} // namespace ronvalo::platform

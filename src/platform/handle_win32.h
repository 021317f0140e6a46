// Windows file calls shared by the file services and the file replacement: writing through a
// handle, the sharing every open of the program's own files grants, and a rename over a file
// that another program may hold open for a moment.
#pragma once

#include <string>
#include <string_view>
#include <windows.h>

#include "platform/os_error.h"

namespace ronvalo::platform {

// What the program's own opens let others do meanwhile: a virus scanner, a backup tool or a
// second session of the program may read, write, rename or delete the file while it is open.
inline constexpr DWORD shareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Writes every byte, in pieces that a DWORD counts.
OsError writeAll(HANDLE file, std::string_view bytes);

// MoveFileExW with MOVEFILE_REPLACE_EXISTING and `flags`. Windows refuses to replace a file that
// any handle holds open, and the scanners and backup tools that hold one let go within moments:
// a refusal (sharing, lock or access) is tried again for about two seconds before it is reported.
OsError moveReplacing(const std::string& from, const std::string& to, DWORD flags = 0);

} // namespace ronvalo::platform

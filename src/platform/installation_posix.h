// The POSIX installation's own part: reading the server setting from a file that root keeps.
#pragma once

#include <string>

#include "platform/installation.h"

namespace ronvalo::platform {

// The setting in `path`: Absent when neither it nor its folder exists; NotProtected unless the
// file is a plain file (no link) and it and its folder (no link either) belong to root and no
// group or other account may write them; otherwise its whole text, which may span lines (a
// connection string takes line breaks as blanks).
InstalledServerSetting readServerSettingFile(const std::string& path);

} // namespace ronvalo::platform

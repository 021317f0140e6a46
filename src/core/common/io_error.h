// I/O errors named as the operator's system names them ("File access denied", "Disk full", ...).
#pragma once

#include <QString>

#include "platform/os_error.h"

namespace ronvalo {

QString ioErrorText(const platform::OsError& error);
// Raises EInOutError for a failed file operation.
[[noreturn]] void raiseInOutError(const platform::OsError& error);

} // namespace ronvalo

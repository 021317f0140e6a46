// I/O errors named as the operator's system names them ("File access denied", "Disk full", ...).
#pragma once

#include <QString>

namespace ronvalo {

QString ioErrorText(int errnoValue);
// Raises EInOutError for a failed file operation (errno value).
[[noreturn]] void raiseInOutError(int errnoValue);

} // namespace ronvalo

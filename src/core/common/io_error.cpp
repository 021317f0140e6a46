// The I/O error texts the program shows, by the kind of the system's error.
#include "core/common/io_error.h"

#include "core/common/exception.h"

namespace ronvalo {

QString ioErrorText(const platform::OsError& error) {
    using Kind = platform::OsErrorKind;
    switch (error.kind()) {
    case Kind::NotFound:
        return QStringLiteral("File not found");
    case Kind::PathNotFound:
        return QStringLiteral("Path not found");
    case Kind::AccessDenied:
        return QStringLiteral("File access denied");
    case Kind::TooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case Kind::DiskFull:
        return QStringLiteral("Disk full");
    case Kind::DeviceError:
        return QStringLiteral("Disk write error");
    default:
        return QStringLiteral("I/O error %1").arg(error.code());
    }
}

void raiseInOutError(const platform::OsError& error) {
    throw EInOutError(ioErrorText(error), error.code());
}

} // namespace ronvalo

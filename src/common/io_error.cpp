// Mapping of errno values to the I/O error texts the program shows.
#include "common/io_error.h"

#include <cerrno>

#include "common/exception.h"

namespace ronvalo {

QString ioErrorText(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENOTDIR:
        return QStringLiteral("Path not found");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return QStringLiteral("File access denied");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("Disk full");
    case EIO:
        return QStringLiteral("Disk write error");
    default:
        return QStringLiteral("I/O error %1").arg(errnoValue);
    }
}

void raiseInOutError(int errnoValue) {
    throw EInOutError(ioErrorText(errnoValue), errnoValue);
}

} // namespace ronvalo

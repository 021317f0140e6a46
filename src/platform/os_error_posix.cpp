// OS errors on POSIX: errno values.
#include "platform/os_error.h"

#include <cerrno>
#include <cstring>

namespace ronvalo::platform {

OsError OsError::fromCode(int code) {
    switch (code) {
    case 0:
        return {};
    case ENOENT:
        return {code, OsErrorKind::NotFound};
    case ENOTDIR:
        return {code, OsErrorKind::PathNotFound};
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case ELOOP: // a link where this layer opens only the entry itself
        return {code, OsErrorKind::AccessDenied};
    case EMFILE:
    case ENFILE:
        return {code, OsErrorKind::TooManyOpenFiles};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {code, OsErrorKind::DiskFull};
    case EIO:
        return {code, OsErrorKind::DeviceError};
    default:
        return {code, OsErrorKind::Other};
    }
}

OsError OsError::last() {
    return fromCode(errno != 0 ? errno : EIO);
}

OsError OsError::accessDenied() {
    return fromCode(EACCES);
}

void OsError::clearLast() {
    errno = 0;
}

std::string OsError::text() const {
    return std::strerror(code_);
}

} // namespace ronvalo::platform

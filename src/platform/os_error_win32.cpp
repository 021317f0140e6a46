// OS errors on Windows: GetLastError() values and the system's message texts.
#include "platform/os_error.h"

#include "platform/text_win32.h"

#include <windows.h>

namespace ronvalo::platform {

OsError OsError::fromCode(int code) {
    switch (static_cast<DWORD>(code)) {
    case ERROR_SUCCESS:
        return {};
    case ERROR_FILE_NOT_FOUND:
        return {code, OsErrorKind::NotFound};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return {code, OsErrorKind::PathNotFound};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return {code, OsErrorKind::AccessDenied};
    case ERROR_TOO_MANY_OPEN_FILES:
        return {code, OsErrorKind::TooManyOpenFiles};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return {code, OsErrorKind::DiskFull};
    case ERROR_GEN_FAILURE:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_CRC:
        return {code, OsErrorKind::DeviceError};
    default:
        return {code, OsErrorKind::Other};
    }
}

OsError OsError::last() {
    const DWORD code = GetLastError();
    return fromCode(static_cast<int>(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE));
}

OsError OsError::accessDenied() {
    return fromCode(ERROR_ACCESS_DENIED);
}

void OsError::clearLast() {
    SetLastError(ERROR_SUCCESS);
}

std::string OsError::text() const {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code_), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring message(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    if (message.empty())
        return "error " + std::to_string(code_);
    return toUtf8(message);
}

} // namespace ronvalo::platform

// A failed operating-system call: the system's own error code, its kind and its text.
#pragma once

#include <string>

namespace ronvalo::platform {

// The few kinds of failure the program tells apart; every other code is Other.
enum class OsErrorKind {
    None,
    NotFound,
    PathNotFound,
    AccessDenied,
    TooManyOpenFiles,
    DiskFull,
    DeviceError,
    Other,
};

// errno on POSIX, GetLastError() on Windows. A default-constructed value means success.
class OsError {
public:
    OsError() = default;
    // Classifies a code of this system; 0 is success.
    static OsError fromCode(int code);
    // The calling thread's latest error; a general device error when the system left none.
    static OsError last();
    // The system's "access denied", for a refusal this layer makes itself (a read-only file).
    static OsError accessDenied();
    // Forgets the latest error, for calls that may fail without setting one.
    static void clearLast();

    bool failed() const { return code_ != 0; }
    int code() const { return code_; }
    OsErrorKind kind() const { return kind_; }
    // The system's own description, in UTF-8.
    std::string text() const;

    bool operator==(const OsError& other) const { return code_ == other.code_; }

private:
    OsError(int code, OsErrorKind kind) : code_(code), kind_(kind) {}
    int code_ = 0;
    OsErrorKind kind_ = OsErrorKind::None;
};

} // namespace ronvalo::platform

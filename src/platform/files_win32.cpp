// The file services on Windows: wide-character calls, so that any Unicode path works.
#include "platform/files.h"

#include "platform/handle_win32.h"
#include "platform/text_win32.h"

#include <algorithm>
#include <vector>
#include <windows.h>

namespace ronvalo::platform {

namespace {

class HandleCloser {
public:
    explicit HandleCloser(HANDLE handle) : handle_(handle) {}
    ~HandleCloser() {
        if (valid())
            CloseHandle(handle_);
    }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes now, so that a failed close can be reported.
    bool close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesW(toWide(path).c_str());
}

OsError result(BOOL ok) {
    return ok ? OsError() : OsError::last();
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

constexpr ULONGLONG replaceRetryMilliseconds = 2000;
constexpr DWORD replaceRetryPauseMilliseconds = 50;

// The refusals another program's open handle gives a rename; a read-only target or a folder
// without rights gives one of them too, and is then reported once the time is up.
bool heldByAnother(const OsError& error) {
    const auto code = static_cast<DWORD>(error.code());
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
           code == ERROR_LOCK_VIOLATION;
}

// What the open handle is: a file opened with FILE_FLAG_OPEN_REPARSE_POINT is the link itself
// when it is one, so this tells a link from its target without a second look by name.
bool isRegularFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(file, &information) &&
           !(information.dwFileAttributes &
             (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
}

} // namespace

std::int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(toWide(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool fileExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ReadAccess readAccess(const std::string& path) {
    const std::wstring wide = toWide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // The attributes need only the folders on the way: a refusal here is theirs.
        const OsError error = OsError::last();
        return {error, error.kind() == OsErrorKind::AccessDenied};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {OsError::fromCode(ERROR_FILE_NOT_FOUND), false};
    // Every kind of sharing allowed, so that only the account's rights can refuse it.
    HandleCloser file(CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return {OsError::last(), false};
    return {};
}

bool isLink(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

OsError deleteFile(const std::string& path) {
    return result(DeleteFileW(toWide(path).c_str()));
}

OsError renameFile(const std::string& from, const std::string& to) {
    return moveReplacing(from, to);
}

OsError moveReplacing(const std::string& from, const std::string& to, DWORD flags) {
    const std::wstring source = toWide(from), target = toWide(to);
    const ULONGLONG deadline = GetTickCount64() + replaceRetryMilliseconds;
    for (;;) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | flags))
            return {};
        const OsError error = OsError::last();
        if (!heldByAnother(error) || GetTickCount64() >= deadline)
            return error;
        Sleep(replaceRetryPauseMilliseconds);
    }
}

bool isReadOnly(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

OsError setReadOnly(const std::string& path, bool readOnly) {
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return OsError::last();
    const DWORD changed = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                   : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    return result(SetFileAttributesW(toWide(path).c_str(), changed));
}

std::optional<std::string> findNameIgnoringCase(const std::string& folder, std::string_view name) {
    std::string pattern = folder.empty() ? std::string(".") : folder;
    if (!isSeparator(pattern.back()))
        pattern += '\\';
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW(toWide(pattern + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> found;
    do {
        const std::string entryName = toUtf8(entry.cFileName);
        if (entryName == name) {
            found = entryName;
            break;
        }
        if (!found && equalIgnoringAsciiCase(entryName, name))
            found = entryName;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

// Windows refuses to write a read-only file; Wine run as root would not, so ask first.
bool refusedAsReadOnly(const std::string& path) {
    return isReadOnly(path) && !folderExists(path);
}

OsError createEmptyFile(const std::string& path) {
    if (refusedAsReadOnly(path) || isLink(path))
        return OsError::accessDenied();
    HandleCloser file(CreateFileW(toWide(path).c_str(), GENERIC_WRITE, shareEverything, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return OsError::last();
    return result(file.close());
}

OsError appendToFile(const std::string& path, std::string_view bytes) {
    if (refusedAsReadOnly(path))
        return OsError::accessDenied();
    // Two sessions may log at the same moment, and one may rotate the log while another appends:
    // each appended block lands whole at the end, whoever else has the file open.
    HandleCloser file(CreateFileW(toWide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                  shareEverything, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        return OsError::last();
    if (!isRegularFile(file.get()))
        return OsError::accessDenied();
    if (const OsError error = writeAll(file.get(), bytes); error.failed())
        return error;
    return result(file.close());
}

OsError writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr))
            return OsError::last();
        bytes.remove_prefix(written);
    }
    return {};
}

OsError createFolders(const std::string& path) {
    for (size_t end = 0; end != std::string::npos;) {
        end = path.find_first_of("\\/", end + 1);
        const std::string partial = path.substr(0, end);
        // A drive ("C:"), a share's server or the root are never made here.
        if (partial.empty() || partial.back() == ':' || isSeparator(partial.back()) ||
            folderExists(partial))
            continue;
        if (!CreateDirectoryW(toWide(partial).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return OsError::last();
    }
    return {};
}

OsError syncToDisk(const std::string& path) {
    HandleCloser file(CreateFileW(toWide(path).c_str(), GENERIC_WRITE, shareEverything, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !FlushFileBuffers(file.get()))
        return OsError::last();
    return result(file.close());
}

OsError copyModificationTime(const std::string& source, const std::string& path) {
    HandleCloser from(CreateFileW(toWide(source).c_str(), FILE_READ_ATTRIBUTES, shareEverything,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME written{};
    if (!from.valid() || !GetFileTime(from.get(), nullptr, nullptr, &written))
        return OsError::last();
    HandleCloser to(CreateFileW(toWide(path).c_str(), FILE_WRITE_ATTRIBUTES, shareEverything,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!to.valid() || !SetFileTime(to.get(), nullptr, nullptr, &written))
        return OsError::last();
    return result(to.close());
}

// New files take their access from the folder's inherited permissions: nothing to change.
void shareNewFilesWithGroup() {}

std::string executableFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return ".\\";
        if (length < buffer.size()) {
            const std::string path = toUtf8(std::wstring(buffer.data(), length));
            return path.substr(0, path.find_last_of("\\/") + 1);
        }
        buffer.resize(buffer.size() * 2); // a long path, cut short: ask again with room
    }
}

struct ReadableFile::Handle {
    HANDLE handle;
    ~Handle() { CloseHandle(handle); }
};

ReadableFile::ReadableFile() = default;
ReadableFile::~ReadableFile() = default;
ReadableFile::ReadableFile(ReadableFile&&) noexcept = default;
ReadableFile& ReadableFile::operator=(ReadableFile&&) noexcept = default;

OsError ReadableFile::open(const std::string& path) {
    handle_.reset();
    // No write sharing: refused while another handle may write, and no writer gets in after.
    // Delete sharing, so that another session may still rotate or replace the file meanwhile:
    // the copy goes on reading what it opened. Without FILE_FLAG_BACKUP_SEMANTICS a folder does
    // not open; with FILE_FLAG_OPEN_REPARSE_POINT a link opens as itself, not as its target, and
    // is refused.
    const HANDLE handle = CreateFileW(
        toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return OsError::last();
    auto opened = std::make_unique<Handle>(handle);
    if (!isRegularFile(handle) || GetFileType(handle) != FILE_TYPE_DISK)
        return OsError::accessDenied();
    handle_ = std::move(opened);
    return {};
}

std::optional<std::size_t> ReadableFile::read(void* buffer, std::size_t size) {
    if (!handle_)
        return std::nullopt;
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
        if (!ReadFile(handle_->handle, static_cast<char*>(buffer) + done, piece, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace ronvalo::platform

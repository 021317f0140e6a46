// File-system services the program needs, with Windows semantics where they differ (read-only
// attribute, names compared without regard to case). Paths are UTF-8. Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace ronvalo::platform {

// Size from the directory entry, as a 64-bit count; -1 when absent or a folder.
std::int64_t fileSize(const std::string& path);
// True for an existing entry that is not a folder.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Whether this account may open the file at `path` for reading. On failure `error` says why:
// NotFound or PathNotFound when no file is there (a folder in its place included), AccessDenied
// when one is but may not be read; `folderRefused` when the refusal is a folder's on the way
// that the account may not enter, not the file's own. An operator told "the file is missing" or
// "damaged" may replace a healthy file that is only closed to this account.
struct ReadAccess {
    OsError error;
    bool folderRefused = false;
};
ReadAccess readAccess(const std::string& path);
// True for a symbolic link (on Windows any reparse point: a symbolic link or a junction), the
// entry itself, whatever it points at.
bool isLink(const std::string& path);
OsError deleteFile(const std::string& path);
// Replaces an existing file of the new name. On Windows a new name that another program holds
// open is tried again for about two seconds before the refusal is reported.
OsError renameFile(const std::string& from, const std::string& to);

// The read-only attribute (on POSIX: no write permission for anyone). Writers of this layer
// refuse such a file even for root or an administrator.
bool isReadOnly(const std::string& path);
OsError setReadOnly(const std::string& path, bool readOnly);

// The entry of `folder` whose name equals `name` ignoring ASCII case; the exact name wins.
std::optional<std::string> findNameIgnoringCase(const std::string& folder, std::string_view name);
// `folder` + `relative` ("db/Odbicia.db"), each component replaced by the existing entry that
// matches it ignoring case; components with no match keep the spelling given.
std::string resolveIgnoringCase(const std::string& folder, std::string_view relative);

// Creates the file empty (or truncates it). A link in its place is refused (access denied).
OsError createEmptyFile(const std::string& path);
// Opens an existing file for appending, writes all bytes, closes. A link is refused (access
// denied): whoever planted it would otherwise choose which of this account's files is written.
OsError appendToFile(const std::string& path, std::string_view bytes);
// Creates the folder and any missing parents.
OsError createFolders(const std::string& path);

// Flushes the file's contents to the disk.
OsError syncToDisk(const std::string& path);

// Gives `path` the modification time of `source`.
OsError copyModificationTime(const std::string& source, const std::string& path);

// For an installation that the members of a group share: every file and folder the process
// creates from now on gets the owner's permissions for the group too (umask's group bits cleared,
// "others" keep what the umask gives them, never write). Call once at start.
void shareNewFilesWithGroup();

// Folder of the running executable, ending in the system's separator ("/" or "\").
std::string executableFolder();

// A file open for reading, with others denied write access where the system can deny it (on
// Windows, no write sharing: a file another program holds open for writing does not open, while
// others may still read, rename or delete it; on POSIX, a file another process holds an fcntl
// write lock on does not open).
// Closed when the object goes.
class ReadableFile {
public:
    ReadableFile();
    ~ReadableFile();
    ReadableFile(ReadableFile&&) noexcept;
    ReadableFile& operator=(ReadableFile&&) noexcept;

    // Only a regular file opens: a folder, a pipe, a device or a link is refused. A link is never
    // followed, so that one planted by another account cannot have this one read, and copy
    // where that account can read it, a file of its choosing.
    OsError open(const std::string& path);
    bool isOpen() const { return handle_ != nullptr; }
    // Up to `size` bytes, fewer only at the end of the file; nothing on a failed read.
    std::optional<std::size_t> read(void* buffer, std::size_t size);

    struct Handle; // the backend's own handle

private:
    std::unique_ptr<Handle> handle_;
};

} // namespace ronvalo::platform

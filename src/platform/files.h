// File-system services the program needs, with Windows semantics where they differ (read-only
// attribute, names compared without regard to case). Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Size from the directory entry, as a 64-bit count; -1 when absent or a folder.
std::int64_t fileSize(const std::string& path);
// True for an existing entry that is not a folder.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
bool deleteFile(const std::string& path);
bool renameFile(const std::string& from, const std::string& to);

// The read-only attribute: no write permission for anyone. Writers of this layer refuse such a
// file with EACCES even for root, as Windows refuses it to an administrator.
bool isReadOnly(const std::string& path);
bool setReadOnly(const std::string& path, bool readOnly);

// The entry of `folder` whose name equals `name` ignoring ASCII case; the exact name wins.
std::optional<std::string> findNameIgnoringCase(const std::string& folder, std::string_view name);
// `folder` + `relative` ("db/Odbicia.db"), each component replaced by the existing entry that
// matches it ignoring case; components with no match keep the spelling given.
std::string resolveIgnoringCase(const std::string& folder, std::string_view relative);

// Creates the file empty (or truncates it). 0 on success, else the errno value.
int createEmptyFile(const std::string& path);
// Opens for appending, writes all bytes, closes. 0 on success, else the errno value.
int appendToFile(const std::string& path, std::string_view bytes);
// Creates the folder and any missing parents. 0 on success, else the errno value.
int createFolders(const std::string& path);

// True when another process holds a write lock on any part of the file (the fcntl byte-range
// locks SQLite takes while it writes). Looking opens and closes the file, which would drop locks
// this process itself held on it: use it on files this process does not lock.
bool lockedForWritingByOther(const std::string& path);
// Flushes the file's contents to the disk. 0 on success, else the errno value.
int syncToDisk(const std::string& path);

// Gives `path` the modification time of `source`. 0 on success, else the errno value.
int copyModificationTime(const std::string& source, const std::string& path);

// Folder of the running executable, ending in "/".
std::string executableFolder();

} // namespace platform

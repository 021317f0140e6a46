// The file services on POSIX.
#include "platform/files.h"

#include "platform/descriptor_posix.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ronvalo::platform {

namespace {

constexpr mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Opens for writing, refusing a read-only file as Windows does, and a link (ELOOP).
int openForWriting(const std::string& path, int flags) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & writeBits) == 0) {
        errno = EACCES;
        return -1;
    }
    return ::open(path.c_str(), flags | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
}

} // namespace

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ReadAccess readAccess(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // stat() needs only the folders on the way: a refusal here is theirs.
        const OsError error = OsError::last();
        return {error, error.kind() == OsErrorKind::AccessDenied};
    }
    if (S_ISDIR(st.st_mode))
        return {OsError::fromCode(ENOENT), false};
    // Opened, not asked: access() answers for the real account, and says nothing of what an
    // access control list or a security module refuses.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {OsError::last(), false};
    ::close(fd);
    return {};
}

bool isLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

OsError deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? OsError() : OsError::last();
}

OsError renameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? OsError() : OsError::last();
}

bool isReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & writeBits) == 0;
}

OsError setReadOnly(const std::string& path, bool readOnly) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return OsError::last();
    const mode_t mode = readOnly ? (st.st_mode & ~writeBits) : (st.st_mode | S_IWUSR);
    return ::chmod(path.c_str(), mode & 07777) == 0 ? OsError() : OsError::last();
}

std::optional<std::string> findNameIgnoringCase(const std::string& folder, std::string_view name) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                                  &::closedir);
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entryName(entry->d_name);
        if (entryName == name)
            return std::string(entryName);
        if (!found && equalIgnoringCase(entryName, name))
            found = std::string(entryName);
    }
    return found;
}

OsError createEmptyFile(const std::string& path) {
    const int fd = openForWriting(path, O_CREAT | O_TRUNC);
    if (fd < 0)
        return OsError::last();
    return ::close(fd) == 0 ? OsError() : OsError::last();
}

OsError appendToFile(const std::string& path, std::string_view bytes) {
    FdCloser file{openForWriting(path, O_APPEND)};
    if (file.fd < 0)
        return OsError::last();
    if (const OsError error = writeAll(file.fd, bytes); error.failed())
        return error;
    return ::close(std::exchange(file.fd, -1)) == 0 ? OsError() : OsError::last();
}

OsError writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return OsError::last();
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

OsError createFolders(const std::string& path) {
    std::string partial;
    size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        partial = path.substr(0, position);
        if (partial.empty() || folderExists(partial))
            continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return OsError::last();
    }
    return {};
}

OsError syncToDisk(const std::string& path) {
    FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0 || ::fsync(file.fd) != 0)
        return OsError::last();
    return ::close(std::exchange(file.fd, -1)) == 0 ? OsError() : OsError::last();
}

OsError copyModificationTime(const std::string& source, const std::string& path) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0)
        return OsError::last();
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? OsError() : OsError::last();
}

void shareNewFilesWithGroup() {
    const mode_t current = ::umask(0);
    ::umask((current & S_IRWXO) | S_IWOTH);
}

std::string executableFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0)
        return "./";
    std::string path(buffer.data(), static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

struct ReadableFile::Handle {
    explicit Handle(int descriptor) : fd(descriptor) {} // clang 14 has no aggregate (...)
    int fd;
    ~Handle() { ::close(fd); }
};

ReadableFile::ReadableFile() = default;
ReadableFile::~ReadableFile() = default;
ReadableFile::ReadableFile(ReadableFile&&) noexcept = default;
ReadableFile& ReadableFile::operator=(ReadableFile&&) noexcept = default;

// POSIX has no share modes: the file opens whoever else has it open. What it has instead are
// fcntl byte-range locks, which SQLite takes while it writes: a file another process holds a
// write lock on is refused, as Windows refuses a file another program has open for writing.
// O_NONBLOCK keeps the open of a pipe from waiting for a writer; it is cleared once the file is
// known to be a regular one.
OsError ReadableFile::open(const std::string& path) {
    handle_.reset();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OsError::last();
    auto handle = std::make_unique<Handle>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return OsError::last();
    if (S_ISDIR(st.st_mode))
        return OsError::fromCode(EISDIR);
    if (!S_ISREG(st.st_mode))
        return OsError::accessDenied();
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return OsError::last();
    // A read lock over the whole file conflicts with any write lock of another process.
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &lock) != 0)
        return OsError::last();
    if (lock.l_type != F_UNLCK)
        return OsError::fromCode(EAGAIN);
    handle_ = std::move(handle);
    return {};
}

std::optional<std::size_t> ReadableFile::read(void* buffer, std::size_t size) {
    if (!handle_)
        return std::nullopt;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(handle_->fd, static_cast<char*>(buffer) + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace ronvalo::platform

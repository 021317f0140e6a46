// POSIX implementation of the file services.
#include "platform/files.h"

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

namespace platform {

namespace {

constexpr mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Opens for writing, refusing a read-only file as Windows does.
int openForWriting(const std::string& path, int flags) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & writeBits) == 0) {
        errno = EACCES;
        return -1;
    }
    return ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0666);
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

bool deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool isReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & writeBits) == 0;
}

bool setReadOnly(const std::string& path, bool readOnly) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const mode_t mode = readOnly ? (st.st_mode & ~writeBits) : (st.st_mode | S_IWUSR);
    return ::chmod(path.c_str(), mode & 07777) == 0;
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

std::string resolveIgnoringCase(const std::string& folder, std::string_view relative) {
    std::string path = folder;
    while (!relative.empty()) {
        const size_t slash = relative.find('/');
        const std::string_view part = relative.substr(0, slash);
        relative =
            slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (part.empty())
            continue;
        const auto match = findNameIgnoringCase(path, part);
        path += match ? *match : std::string(part);
        if (slash != std::string_view::npos)
            path += '/';
    }
    return path;
}

int createEmptyFile(const std::string& path) {
    const int fd = openForWriting(path, O_CREAT | O_TRUNC);
    if (fd < 0)
        return errno;
    return ::close(fd) == 0 ? 0 : errno;
}

int appendToFile(const std::string& path, std::string_view bytes) {
    FdCloser file{openForWriting(path, O_APPEND)};
    if (file.fd < 0)
        return errno;
    while (!bytes.empty()) {
        const ssize_t written = ::write(file.fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    const int fd = file.fd;
    file.fd = -1;
    return ::close(fd) == 0 ? 0 : errno;
}

int createFolders(const std::string& path) {
    std::string partial;
    size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        partial = path.substr(0, position);
        if (partial.empty() || folderExists(partial))
            continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

bool lockedForWritingByOther(const std::string& path) {
    const FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    // A read lock over the whole file conflicts with any write lock another process holds.
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    return file.fd >= 0 && ::fcntl(file.fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

int syncToDisk(const std::string& path) {
    FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0 || ::fsync(file.fd) != 0)
        return errno;
    const int fd = std::exchange(file.fd, -1);
    return ::close(fd) == 0 ? 0 : errno;
}

int copyModificationTime(const std::string& source, const std::string& path) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0)
        return errno;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

std::string executableFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0)
        return "./";
    std::string path(buffer.data(), static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace platform

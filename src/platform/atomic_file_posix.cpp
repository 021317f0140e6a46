// A file's replacement on POSIX: O_EXCL creation, fsync, rename, and the folder synced after.
#include "platform/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "platform/descriptor_posix.h"

namespace ronvalo::platform {

struct AtomicFile::File {
    explicit File(int descriptor) : fd(descriptor) {} // clang 14 has no aggregate (...)
    ~File() {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

// Only this file knows what a File is, so only here can one be deleted.
void AtomicFile::FileCloser::operator()(File* file) const {
    std::default_delete<File>()(file);
}

// O_EXCL refuses any entry of that name, a link included, so nothing is opened through one;
// O_NOFOLLOW makes that explicit.
AtomicFile::FilePtr AtomicFile::createNew(const std::string& path, OsError& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = OsError::last();
        return nullptr;
    }
    return FilePtr(std::make_unique<File>(fd).release());
}

bool AtomicFile::nameTaken(const OsError& error, const std::string&) {
    return error.code() == EEXIST;
}

OsError AtomicFile::writeAll(File& file, std::string_view bytes) {
    return platform::writeAll(file.fd, bytes);
}

OsError AtomicFile::flushAndClose(FilePtr file) {
    OsError error = ::fsync(file->fd) == 0 ? OsError() : OsError::last();
    // Closed here rather than by the File, so that a failed close is reported too.
    if (::close(std::exchange(file->fd, -1)) != 0 && !error.failed())
        error = OsError::last();
    return error;
}

// The rename lasts through a power cut only once the folder that holds the name reaches the disk.
// That sync is best effort: the file is in place whatever it says, and some file systems refuse
// to sync a folder.
OsError AtomicFile::replace(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return OsError::last();
    const std::size_t start = nameStart(to);
    const std::string folder = start == 0 ? std::string(".") : to.substr(0, start);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
}

std::size_t AtomicFile::nameStart(const std::string& path) {
    return path.rfind('/') + 1; // npos + 1 is 0: a bare name
}

} // namespace ronvalo::platform

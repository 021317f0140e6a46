// Who else claims a serial device: descriptors under /proc, pseudo-terminal far ends, lock files.
#include "platform/serial_claims_posix.h"

#include "platform/descriptor_posix.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <memory>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ronvalo::platform {

namespace {

using Folder = std::unique_ptr<DIR, int (*)(DIR*)>;

// What a symbolic link (such as /proc/PID/fd/N) points at; empty when it cannot be read.
std::string linkTarget(const std::string& link) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    return length > 0 && length < static_cast<ssize_t>(sizeof target)
               ? std::string(target, static_cast<std::size_t>(length))
               : std::string();
}

// The number after a path's last "/", or nothing when that part is not all digits.
std::optional<unsigned long> lastNumber(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::strtoul(name.c_str(), nullptr, 10);
}

// The N of the pseudo-terminal slave N the descriptor is, as the kernel names it, so whatever
// link it was opened through; nothing for any other device.
std::optional<unsigned long> ptyIndex(int fd) {
    struct statfs fileSystem {};
    if (fstatfs(fd, &fileSystem) != 0 || fileSystem.f_type != DEVPTS_SUPER_MAGIC)
        return std::nullopt;
    return lastNumber(linkTarget("/proc/self/fd/" + std::to_string(fd)));
}

// True when descriptor `fd` of a process (/proc/PID) is the master of pseudo-terminal `index`:
// opened through /dev/ptmx or /dev/pts/ptmx, and its fdinfo names that terminal.
bool isMasterOf(const std::string& process, const char* fd, unsigned long index) {
    const std::string target = linkTarget(process + "/fd/" + fd);
    if (target.substr(target.rfind('/') + 1) != "ptmx")
        return false;
    std::ifstream info(process + "/fdinfo/" + fd);
    const std::string field = "tty-index:";
    for (std::string line; std::getline(info, line);) {
        if (line.compare(0, field.size(), field) != 0)
            continue;
        char* end = nullptr;
        const unsigned long held = std::strtoul(line.c_str() + field.size(), &end, 10);
        return end != line.c_str() + field.size() && held == index;
    }
    return false;
}

// True when a process (/proc/PID) holds the device other than as its pseudo-terminal's far end.
bool holdsAsAnotherOpener(const std::string& process, dev_t device,
                          std::optional<unsigned long> pty) {
    const std::string descriptors = process + "/fd/";
    const Folder folder(opendir(descriptors.c_str()), &closedir);
    bool holds = false;
    bool farEnd = false;
    while (const dirent* entry = folder ? readdir(folder.get()) : nullptr) {
        struct stat held {};
        if (entry->d_name[0] == '.' || stat((descriptors + entry->d_name).c_str(), &held) != 0 ||
            !S_ISCHR(held.st_mode))
            continue;
        if (held.st_rdev == device)
            holds = true;
        else if (pty && !farEnd)
            farEnd = isMasterOf(process, entry->d_name, *pty);
    }
    return holds && !farEnd;
}

// The live process other than this one that a lock file names, or 0. The number is written as
// text (ten digits and a newline) or, by old writers, as a binary int.
pid_t lockHolder(const std::string& lock) {
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[32] = {};
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    char* end = text;
    pid_t pid = size > 0 ? static_cast<pid_t>(std::strtol(text, &end, 10)) : 0;
    if (end == text && size == sizeof(int)) // no digits: the binary form
        std::memcpy(&pid, text, sizeof(int));
    const bool alive = pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
    return alive && pid != getpid() ? pid : 0;
}

// This process's lock file written in full under a name of its own in the lock folder, so that
// it can be linked into place whole; the file goes with the object.
class Claim {
public:
    explicit Claim(const std::string& folder) : path_(folder + "/LTMP.XXXXXX") {
        const int fd = mkostemp(path_.data(), O_CLOEXEC);
        if (fd < 0) {
            error_ = errno;
            path_.clear();
            return;
        }
        char text[16];
        const int size = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
        // Readable by all: other programs read the number to tell a live claim from a stale one.
        OsError failure =
            fchmod(fd, 0644) == 0 ? writeAll(fd, std::string_view(text, size)) : OsError::last();
        if (::close(fd) != 0 && !failure.failed())
            failure = OsError::last();
        error_ = failure.code();
    }
    ~Claim() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    // Links the claim in as `lock`: 0, or the error (EEXIST when the name is taken).
    int linkAs(const std::string& lock) const {
        if (error_ != 0)
            return error_;
        return ::link(path_.c_str(), lock.c_str()) == 0 ? 0 : errno;
    }

private:
    std::string path_;
    int error_ = 0;
};

} // namespace

bool openElsewhere(int fd) {
    struct stat device {};
    if (fstat(fd, &device) != 0 || !S_ISCHR(device.st_mode))
        return false;
    // A terminal program or a modem probe opens the device without flock, so only the
    // descriptors themselves tell: every one under /proc that this user may see is compared.
    const std::optional<unsigned long> pty = ptyIndex(fd);
    const std::string self = std::to_string(getpid());
    const Folder processes(opendir("/proc"), &closedir);
    while (const dirent* process = processes ? readdir(processes.get()) : nullptr) {
        if (std::isdigit(static_cast<unsigned char>(process->d_name[0])) &&
            self != process->d_name &&
            holdsAsAnotherOpener(std::string("/proc/") + process->d_name, device.st_rdev, pty))
            return true;
    }
    return false;
}

std::string lockFilePath(const std::string& path) {
    char resolved[PATH_MAX];
    std::string name = realpath(path.c_str(), resolved) ? resolved : path;
    name = name.rfind("/dev/", 0) == 0 ? name.substr(5) : name.substr(name.rfind('/') + 1);
    for (char& c : name)
        if (c == '/')
            c = '_';
    for (const char* folder : {"/run/lock", "/var/lock"}) {
        struct stat st {};
        if (stat(folder, &st) == 0 && S_ISDIR(st.st_mode))
            return std::string(folder) + "/LCK.." + name;
    }
    return {};
}

std::optional<std::string> takeLockFile(const std::string& lock) {
    if (lock.empty())
        return lock;
    const Claim claim(lock.substr(0, lock.rfind('/')));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int error = claim.linkAs(lock);
        if (error == 0)
            return lock;
        // A live claim is honoured even where this process cannot write one of its own.
        if (lockHolder(lock) != 0)
            return std::nullopt;
        if (error != EEXIST)
            return std::string();
        ::unlink(lock.c_str()); // stale: its process has gone
    }
    return std::nullopt;
}

} // namespace ronvalo::platform

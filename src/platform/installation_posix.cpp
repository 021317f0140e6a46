// The installation's data folder and server setting on POSIX: paths fixed when the package was
// built.
#include "platform/installation_posix.h"

#include "platform/descriptor_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ronvalo::platform {

namespace {

#ifdef RONVALO_DATA_FOLDER
constexpr std::string_view dataFolder = RONVALO_DATA_FOLDER;
#else
constexpr std::string_view dataFolder;
#endif

#ifdef RONVALO_SERVER_SETTING
constexpr std::string_view serverSettingFile = RONVALO_SERVER_SETTING;
#else
constexpr std::string_view serverSettingFile = "/etc/ronvalo/baza";
#endif

// A connection string is a line; anything near this size is not one.
constexpr size_t maxSettingSize = 64 * 1024;

// Only root may change it: root's, and no write bit for the group or the others.
bool onlyRootWrites(const struct stat& st) {
    return st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

InstalledServerSetting unreadable(InstalledServerSetting setting, OsError error) {
    setting.state = InstalledServerSetting::State::Unreadable;
    setting.error = error;
    return setting;
}

} // namespace

std::optional<std::string> installedDataFolder() {
    if (dataFolder.empty())
        return std::nullopt;
    std::string folder(dataFolder);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

InstalledServerSetting installedServerSetting() {
    return readServerSettingFile(std::string(serverSettingFile));
}

InstalledServerSetting readServerSettingFile(const std::string& path) {
    using State = InstalledServerSetting::State;
    InstalledServerSetting setting;
    setting.place = path;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    // O_NONBLOCK: a FIFO in its place must not hang the program before it is refused.
    const FdCloser file{
        ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) {
        const int code = errno;
        if (code == ENOENT || code == ENOTDIR)
            return setting;
        if (code == ELOOP) { // a link: whoever may change it is not this file's business
            setting.state = State::NotProtected;
            return setting;
        }
        return unreadable(setting, OsError::fromCode(code));
    }
    struct stat fileStat {};
    struct stat folderStat {};
    if (::fstat(file.fd, &fileStat) != 0 || ::lstat(folder.c_str(), &folderStat) != 0)
        return unreadable(setting, OsError::last());
    if (!S_ISREG(fileStat.st_mode) || !S_ISDIR(folderStat.st_mode) || !onlyRootWrites(fileStat) ||
        !onlyRootWrites(folderStat)) {
        setting.state = State::NotProtected;
        return setting;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(setting, OsError::last());
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > maxSettingSize)
            return unreadable(setting, OsError::fromCode(EFBIG));
    }
    setting.state = State::Present;
    setting.value = std::move(text);
    return setting;
}

} // namespace ronvalo::platform

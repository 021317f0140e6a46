// The installation's data folder on POSIX: a path fixed when the package was built.
#include "platform/installation.h"

#include <string_view>

namespace ronvalo::platform {

namespace {

#ifdef RONVALO_DATA_FOLDER
constexpr std::string_view dataFolder = RONVALO_DATA_FOLDER;
#else
constexpr std::string_view dataFolder;
#endif

} // namespace

std::optional<std::string> installedDataFolder() {
    if (dataFolder.empty())
        return std::nullopt;
    std::string folder(dataFolder);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace ronvalo::platform

// The choice of the base folder between the executable's folder and the installation's.
#include "core/common/base_folder.h"

#include "platform/files.h"

namespace ronvalo {

std::string chooseBaseFolder(const std::string& executableFolder,
                             const std::optional<std::string>& installedDataFolder) {
    const auto database = platform::findNameIgnoringCase(executableFolder, "db");
    if (database && platform::folderExists(executableFolder + *database))
        return executableFolder;
    if (installedDataFolder && !installedDataFolder->empty())
        return *installedDataFolder;
    return executableFolder;
}

namespace {

QString folderIgnoringCase(const QString& baseFolder, const QString& name) {
    const auto found = platform::findNameIgnoringCase(baseFolder.toStdString(), name.toStdString());
    return baseFolder + (found ? QString::fromStdString(*found) : name) + '/';
}

} // namespace

QString databaseFolder(const QString& baseFolder) {
    return folderIgnoringCase(baseFolder, QStringLiteral("db"));
}

QString backupFolder(const QString& baseFolder) {
    return folderIgnoringCase(baseFolder, QStringLiteral("BACKUP"));
}

} // namespace ronvalo

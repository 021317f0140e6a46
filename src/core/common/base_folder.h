// Which folder the program keeps its data in: beside itself, or where its installation says.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace ronvalo {

// The base folder (db/, txt/, BACKUP/, the service log), ending in the system's separator:
// `executableFolder` when it holds a "db" folder (any letter case), as a copied folder and a
// build do; otherwise `installedDataFolder`, the folder an installation that keeps its code
// apart from its data names (platform::installedDataFolder); without one, `executableFolder`.
std::string chooseBaseFolder(const std::string& executableFolder,
                             const std::optional<std::string>& installedDataFolder);

// The database folder "db" in `baseFolder` (ending in "/"), whatever its case on disk; "db/"
// when there is none yet.
QString databaseFolder(const QString& baseFolder);
// The backup folder "BACKUP" in `baseFolder`, whatever its case on disk.
QString backupFolder(const QString& baseFolder);

} // namespace ronvalo

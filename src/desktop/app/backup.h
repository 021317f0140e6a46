// Backup of the database folder to BACKUP and restore from it, with the menu commands' questions.
#pragma once

#include <QString>

#include "core/common/base_folder.h"

namespace ronvalo {

class ServiceLog;
class TDM3;

// Copies every file of the database folder into the backup folder, each one replaced only when
// its copy is complete, and stamps "BackupDate" with now when every file was copied. The tables
// are closed meanwhile and opened again whatever happened. Errors are raised, not shown.
void MakeBackup(const QString& baseFolder, TDM3& dm, ServiceLog& log);

// Copies every file of the backup folder back into the database folder: all of them are copied
// to temporary files first and put in place only when all are complete, so a failed restore
// leaves the database folder as it was. Without a backup it says so and changes nothing.
void RestoreBackup(const QString& baseFolder, TDM3& dm, ServiceLog& log);

// The two commands of the backup menu: their question, then the operation on Yes.
void mWykonajBackupClick(const QString& baseFolder, TDM3& dm, ServiceLog& log);
void mOdtworzZBackupuClick(const QString& baseFolder, TDM3& dm, ServiceLog& log);

} // namespace ronvalo

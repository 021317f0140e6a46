// Backup and restore: the folder copy, the tables closed around it, "BackupDate", the log lines.
#include "desktop/app/backup.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QTemporaryDir>
#include <array>
#include <deque>
#include <exception>
#include <functional>

#include "core/common/clock.h"
#include "core/common/dialogs.h"
#include "core/common/exception.h"
#include "core/common/file_copy.h"
#include "core/common/ole_date.h"
#include "core/common/registry.h"
#include "core/common/service_log.h"
#include "core/store/data_module.h"
#include "core/store/server_connection.h"
#include "core/store/server_snapshot.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

// The path `name` takes in `folder`: an existing entry spelled otherwise is the same file.
QString targetPath(const QString& folder, const QString& name) {
    const auto found = platform::findNameIgnoringCase(folder.toStdString(), name.toStdString());
    return folder + (found ? QString::fromStdString(*found) : name);
}

// Every entry of `folder` in the order the file system lists them, hidden and system ones
// included, except those whose name begins with "." (which also keeps out our temporaries) and
// links. A link is not copied: in a folder several accounts write, another account may have put
// it there to have this one copy a file only this one can read to where that account reads it.
// (One made after the listing is refused by the copy itself.)
QStringList entriesToCopy(const QString& folder) {
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    names.removeIf([&folder](const QString& name) {
        return name.startsWith('.') || platform::isLink((folder + name).toStdString());
    });
    return names;
}

// A copy of hundreds of megabytes takes a while: the window keeps repainting between blocks,
// but takes no input, so no other command can start while the tables are closed.
void keepWindowPainted() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The wait cursor for the length of an operation, when there is a screen to show it on.
class WaitCursor {
public:
    WaitCursor() : shown_(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        if (shown_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (shown_)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool shown_;
};

// Runs `work` with tbCzytniki, tbOdbicia and tbNrOdc closed, then opens them again in that
// order whatever happened; a table that fails does not keep the next ones closed. When both
// the work and a reopening fail, the work's error is raised: it came first and is the cause,
// and a table left closed reports itself when it is next used.
void withTablesClosed(TDM3& dm, const std::function<void()>& work) {
    const std::array tables{&dm.tbCzytniki, &dm.tbOdbicia, &dm.tbNrOdc};
    for (TTable* table : tables)
        table->Close();
    std::exception_ptr failure;
    try {
        work();
    } catch (...) {
        failure = std::current_exception();
    }
    for (TTable* table : tables) {
        try {
            table->Open();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

// A server's tables are written as new files in a folder hidden in BACKUP, which then replace
// the older copies one at a time, each by a rename; the folder goes whatever happens.
void backupServer(const QString& baseFolder, TDM3& dm) {
    const QString target = backupFolder(baseFolder);
    if (platform::createFolders(target.toStdString()).failed())
        throw EFCreateError(
            QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(target)));
    QTemporaryDir staging(target + QStringLiteral(".kopia-XXXXXX"));
    if (!staging.isValid())
        throw EFCreateError(
            QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(staging.path())));
    const QString base = staging.path() + QLatin1Char('/');
    writeServerSnapshot(dm, base, keepWindowPainted);
    const QString made = base + QStringLiteral("db/");
    for (const QString& name : entriesToCopy(made)) {
        const QString destination = targetPath(target, name);
        if (platform::renameFile((made + name).toStdString(), destination.toStdString()).failed())
            throw EFCreateError(
                QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(destination)));
    }
}

} // namespace

void MakeBackup(const QString& baseFolder, TDM3& dm, ServiceLog& log) {
    log.WriteLog(QStringLiteral("Wykonanie kopii bezpieczenstwa"));
    const WaitCursor waiting;
    if (dm.onServer()) {
        // The server's tables stay open: other sites go on storing into them meanwhile.
        Registry settings;
        settings.OpenKey(settingsKey, true);
        backupServer(baseFolder, dm);
        settings.WriteDateTimeBinary(QStringLiteral("BackupDate"), toOle(Clock::now()));
        return;
    }
    withTablesClosed(dm, [&] {
        const QString source = databaseFolder(baseFolder);
        const QStringList names = entriesToCopy(source);
        Registry settings;
        settings.OpenKey(settingsKey, true);
        const QString target = backupFolder(baseFolder);
        // One file at a time: each replaces its older copy only when it is complete.
        for (const QString& name : names)
            StagedFileCopy(source + name, targetPath(target, name), keepWindowPainted).commit();
        settings.WriteDateTimeBinary(QStringLiteral("BackupDate"), toOle(Clock::now()));
    });
}

void RestoreBackup(const QString& baseFolder, TDM3& dm, ServiceLog& log) {
    if (dm.onServer()) {
        // Files of one site never replace what every site stores into.
        Dialogs::current().notice(
            QStringLiteral("Tabele są na serwerze %1. Odtworzenie danych z kopii bezpieczeństwa "
                           "jest tu niemożliwe: dane serwera odtwarza jego własna kopia.")
                .arg(serverName(dm.serverConnectionString())));
        log.WriteLog(QStringLiteral("Proba odtworzenia danych z kopii - tabele na serwerze"));
        return;
    }
    const QString source = backupFolder(baseFolder);
    // A link in the marker's place is no backup: the copy would leave it out.
    const std::string marker = targetPath(source, QStringLiteral("odbicia.db")).toStdString();
    if (!platform::fileExists(marker) || platform::isLink(marker)) {
        Dialogs::current().notice(
            QStringLiteral("Brak kopii bezpieczeństwa! Otworzenie danych niemożliwe!"));
        log.WriteLog(QStringLiteral("Proba odtworzenia danych z kopii - stwierdzono brak kopii"));
        return;
    }
    log.WriteLog(QStringLiteral("Odtworzenie danych z kopii bezpieczenstwa"));
    const WaitCursor waiting;
    withTablesClosed(dm, [&] {
        const QString target = databaseFolder(baseFolder);
        // Every file copied before any is put in place: the tables come back from one moment.
        std::deque<StagedFileCopy> copies;
        for (const QString& name : entriesToCopy(source))
            copies.emplace_back(source + name, targetPath(target, name), keepWindowPainted);
        for (StagedFileCopy& copy : copies)
            copy.commit();
    });
}

void mWykonajBackupClick(const QString& baseFolder, TDM3& dm, ServiceLog& log) {
    if (Dialogs::current().confirm(QStringLiteral("Wykonać kopię bezpieczeństwa?")))
        MakeBackup(baseFolder, dm, log);
}

void mOdtworzZBackupuClick(const QString& baseFolder, TDM3& dm, ServiceLog& log) {
    if (Dialogs::current().confirm(QStringLiteral(
            "Operacji odtworzenia danych z kopii bezpieczeństwa nie można cofnąć! Wykonać?")))
        RestoreBackup(baseFolder, dm, log);
}

} // namespace ronvalo

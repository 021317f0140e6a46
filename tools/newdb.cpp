// ronvalo-newdb FOLDER: makes FOLDER/db/ with the three empty tables and the rounds' file, and
// FOLDER/txt/, and records the archive's beginning.
// ronvalo-newdb --server CONNINFO: makes the same tables on a PostgreSQL server, owned by the
// administrator running it, the sites' group role with its rights, and the archive's beginning.
// ronvalo-newdb --server CONNINFO --uprawnienia: on an earlier release's tables, adds the missing
// table, the group role, its rights and the archive's trigger.
// ronvalo-newdb --settings-key: makes the settings key and lets every user write it.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "core/common/command_line.h"
#include "core/common/exception.h"
#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/server_schema.h"
#include "platform/installation.h"
#include "platform/registry.h"

namespace {

// Run by the installer as administrator: the program opens the key to read and write its values
// at every start, which a standard account is refused unless the key allows it. Users get that
// and no more, so that none of them can change the key's rights or subkeys.
int prepareSettingsKey(QTextStream& err) {
    auto key = ronvalo::platform::RegistryKey::open(ronvalo::settingsKey.toStdString(), true);
    if (!key || !key->allowEveryUserToReadAndWrite()) {
        err << "ronvalo-newdb: nie można przygotować klucza " << ronvalo::settingsKey << '\n';
        return 1;
    }
    return 0;
}

// The archive's first row, its beginning, made with the tables: a new installation has nothing
// before it to pin. `server` empty: the tables in `folder`/db/.
bool beginArchive(const QString& folder, const QString& server) {
    try {
        ronvalo::TDM3 dm;
        dm.setDatabaseFolder(QDir(folder).absolutePath() + QStringLiteral("/db/"));
        dm.setServer(server);
        dm.openTables();
        if (const QString notice = dm.takeArchiveNotice(); !notice.isEmpty()) {
            ronvalo::printFailure(QStringLiteral("ronvalo-newdb"), notice);
            return false;
        }
    } catch (const ronvalo::Exception& error) {
        ronvalo::printFailure(QStringLiteral("ronvalo-newdb"), error.message());
        return false;
    }
    return true;
}

// The tool's work, once Qt has read the arguments.
int run(const QStringList& arguments) {
    QTextStream err(stderr);
    if (arguments.size() == 2 && arguments[1] == QStringLiteral("--settings-key"))
        return prepareSettingsKey(err);
    const bool rights = arguments.size() == 4 && arguments[3] == QStringLiteral("--uprawnienia");
    if ((arguments.size() == 3 || rights) && arguments[1] == QStringLiteral("--server")) {
        QString error;
        const bool made = rights ? ronvalo::addServerRights(arguments[2], &error)
                                 : ronvalo::createServerDatabase(arguments[2], &error);
        if (!made) {
            ronvalo::printFailure(QStringLiteral("ronvalo-newdb"), error);
            return 1;
        }
        // Tables of an earlier release get their beginning from the first program that opens
        // them, as an installation's files do.
        return rights || beginArchive(QString(), arguments[2]) ? 0 : 1;
    }
    if (arguments.size() != 2) {
        err << "Użycie: ronvalo-newdb FOLDER\n"
               "       ronvalo-newdb --server \"host=... dbname=... user=...\" [--uprawnienia]\n"
               "       ronvalo-newdb --settings-key\n"
               "Tworzy FOLDER/db/ z trzema pustymi tabelami oraz FOLDER/txt/.\n"
               "Tworzy też FOLDER/db/Obchody.db z pustymi tabelami obchodów.\n"
               "Z --server tworzy te same tabele na serwerze PostgreSQL, należące do\n"
               "administratora, oraz rolę grupową ronvalo_stanowisko z uprawnieniami stanowisk.\n"
               "Z --uprawnienia uzupełnia tabele wcześniejszego wydania: brakującą tabelę,\n"
               "rolę grupową, jej uprawnienia i wyzwalacz archiwum.\n"
               "Z --settings-key tworzy klucz ustawień i pozwala każdemu użytkownikowi go "
               "zapisywać.\n";
        return 2;
    }
    QString error;
    if (!ronvalo::createEmptyDatabase(arguments[1], &error)) {
        ronvalo::printFailure(QStringLiteral("ronvalo-newdb"), error);
        return 1;
    }
    return beginArchive(arguments[1], QString()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // An operator who makes the tables again in the shared folder makes them for the group.
    ronvalo::platform::shareNewFilesAsInstalled();
    QCoreApplication app(argc, argv);
    // The arguments through Qt, which reads them as Unicode on Windows (a folder "C:\Łódź").
    return ronvalo::runTool(QStringLiteral("ronvalo-newdb"), 1,
                            [&] { return run(app.arguments()); });
}

// ronvalo-newdb FOLDER: makes FOLDER/db/ with the three empty tables and the rounds' file, and
// FOLDER/txt/, and records the archive's beginning.
// ronvalo-newdb --server CONNINFO: makes the same tables on a PostgreSQL server.
// ronvalo-newdb --settings-key: makes the settings key and lets every user write it.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "common/exception.h"
#include "common/registry.h"
#include "platform/installation.h"
#include "platform/registry.h"
#include "store/data_module.h"
#include "store/schema.h"
#include "store/server_schema.h"

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
bool beginArchive(const QString& folder, const QString& server, QTextStream& err) {
    try {
        ronvalo::TDM3 dm;
        dm.setDatabaseFolder(QDir(folder).absolutePath() + QStringLiteral("/db/"));
        dm.setServer(server);
        dm.openTables();
        if (const QString notice = dm.takeArchiveNotice(); !notice.isEmpty()) {
            err << "ronvalo-newdb: " << notice << '\n';
            return false;
        }
    } catch (const ronvalo::Exception& error) {
        err << "ronvalo-newdb: " << error.message() << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // An operator who makes the tables again in the shared folder makes them for the group.
    ronvalo::platform::shareNewFilesAsInstalled();
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    // The arguments through Qt, which reads them as Unicode on Windows (a folder "C:\Łódź").
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2 && arguments[1] == QStringLiteral("--settings-key"))
        return prepareSettingsKey(err);
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--server")) {
        QString error;
        if (!ronvalo::createServerDatabase(arguments[2], &error)) {
            err << "ronvalo-newdb: " << error << '\n';
            return 1;
        }
        return beginArchive(QString(), arguments[2], err) ? 0 : 1;
    }
    if (arguments.size() != 2) {
        err << "Użycie: ronvalo-newdb FOLDER\n"
               "       ronvalo-newdb --server \"host=... dbname=... user=...\"\n"
               "       ronvalo-newdb --settings-key\n"
               "Tworzy FOLDER/db/ z trzema pustymi tabelami oraz FOLDER/txt/.\n"
               "Tworzy też FOLDER/db/Obchody.db z pustymi tabelami obchodów.\n"
               "Z --server tworzy te same tabele na serwerze PostgreSQL.\n"
               "Z --settings-key tworzy klucz ustawień i pozwala każdemu użytkownikowi go "
               "zapisywać.\n";
        return 2;
    }
    QString error;
    if (!ronvalo::createEmptyDatabase(arguments[1], &error)) {
        err << "ronvalo-newdb: " << error << '\n';
        return 1;
    }
    return beginArchive(arguments[1], QString(), err) ? 0 : 1;
}

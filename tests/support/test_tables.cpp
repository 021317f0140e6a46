// Making a test's empty tables on the engine it runs on.
#include "support/test_tables.h"

#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/server_rights.h"
#include "core/store/server_schema.h"
#include "support/postgres_server.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUuid>

namespace ronvalo::test {

TestTables::TestTables(Engine engine) : engine_(engine) {
    QString error;
    if (engine == Engine::Files) {
        ready_ = createEmptyDatabase(folder_.path(), &error);
    } else {
        server_ = newServerTables(&error);
        ready_ = !server_.isEmpty() && QDir(folder_.path()).mkdir("txt");
    }
    if (!ready_)
        ADD_FAILURE() << "no tables: " << error.toStdString();
}

void TestTables::point(TDM3& dm) const {
    dm.setDatabaseFolder(folder_.file(QStringLiteral("db/")));
    dm.setServer(server_);
}

QString newServerTables(QString* error) {
    PostgresServer& postgres = sharedPostgresServer();
    const QString database = postgres.ok() ? postgres.createDatabase() : QString();
    if (database.isEmpty()) {
        *error = postgres.problem();
        return {};
    }
    const QString server = postgres.connectionString(database);
    return createServerDatabase(server, error) ? server : QString();
}

QString newSiteLogin(const QString& admin, QString* error) {
    return newLogin(admin, siteGroupRole, error);
}

QString newLogin(const QString& admin, const QString& group, QString* error) {
    // Roles belong to the whole cluster, not to one database.
    const QString role =
        QStringLiteral("konto_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    ServerConnection db(admin);
    QSqlQuery make(db.database());
    if (!make.exec(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE %2").arg(role, group))) {
        *error = make.lastError().text();
        return {};
    }
    return QString(admin).replace(QRegularExpression("user=\\S+"), "user=" + role);
}

void setServerSetting(const QString& connectionString) {
    auto settings = platform::RegistryKey::open(settingsKey.toStdString(), true);
    const QByteArray text = connectionString.toUtf8() + '\0';
    if (!settings ||
        !settings->set("Baza", {platform::RegType::String, {text.begin(), text.end()}}))
        ADD_FAILURE() << "cannot write Baza";
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::Files ? "Files" : "Server";
}

} // namespace ronvalo::test

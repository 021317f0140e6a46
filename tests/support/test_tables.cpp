// Making a test's empty tables on the engine it runs on.
#include "support/test_tables.h"

#include "store/data_module.h"
#include "store/schema.h"
#include "store/server_schema.h"
#include "support/postgres_server.h"

#include <QDir>

namespace ronvalo::test {

TestTables::TestTables(Engine engine) : engine_(engine) {
    QString error;
    if (engine == Engine::Files) {
        ready_ = createEmptyDatabase(folder_.path(), &error);
    } else {
        PostgresServer& postgres = sharedPostgresServer();
        error = postgres.problem();
        const QString database = postgres.ok() ? postgres.createDatabase() : QString();
        if (!database.isEmpty()) {
            server_ = postgres.connectionString(database);
            ready_ = createServerDatabase(server_, &error) && QDir(folder_.path()).mkdir("txt");
        } else if (error.isEmpty()) {
            error = postgres.problem();
        }
    }
    if (!ready_)
        ADD_FAILURE() << "no tables: " << error.toStdString();
}

void TestTables::point(TDM3& dm) const {
    dm.setDatabaseFolder(folder_.file(QStringLiteral("db/")));
    dm.setServer(server_);
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::Files ? "Files" : "Server";
}

} // namespace ronvalo::test

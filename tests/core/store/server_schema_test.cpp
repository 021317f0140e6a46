// The tables on a PostgreSQL server: the same tables and fields as the local files, made all or
// nothing, never over existing ones, and a clear message for a server that is not there.
#include "core/store/schema.h"
#include "core/store/server_connection.h"
#include "core/store/server_schema.h"
#include "support/postgres_server.h"
#include "support/temp_folder.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

namespace ronvalo::test {
namespace {

// Each local table with the schema the connection attaches its file as.
QList<std::pair<QString, const TableSchema*>> localTables() {
    QList<std::pair<QString, const TableSchema*>> tables{
        {"main", &punchSchema()}, {"cz", &readerSchema()}, {"nr", &downloadSchema()}};
    for (const TableSchema& table : roundsSchema().tables)
        tables.append({"ob", &table});
    return tables;
}

QStringList serverFields(QSqlDatabase& db, const QString& schema, const QString& table) {
    QSqlQuery query(db);
    query.prepare("SELECT column_name FROM information_schema.columns WHERE table_schema = ? "
                  "AND table_name = ? ORDER BY ordinal_position");
    query.addBindValue(schema);
    query.addBindValue(table.toLower());
    EXPECT_TRUE(query.exec());
    QStringList fields;
    while (query.next())
        fields << query.value(0).toString();
    return fields;
}

TEST(ServerSchema, HoldsTheLocalTablesAndIsNeverMadeTwice) {
    PostgresServer& server = sharedPostgresServer();
    ASSERT_TRUE(server.ok()) << server.problem().toStdString();
    const QString conninfo = server.connectionString(server.createDatabase());
    QString error;
    ASSERT_TRUE(createServerDatabase(conninfo, &error)) << error.toStdString();

    ServerConnection db(conninfo);
    ASSERT_TRUE(db.isOpen());
    for (const auto& [schema, table] : localTables()) {
        QStringList expected;
        for (const QString& field : table->fields)
            expected << (field == "Do" ? field : field.toLower());
        EXPECT_EQ(serverFields(db.database(), schema, table->tableName), expected)
            << table->tableName.toStdString();
    }
    EXPECT_EQ(serverFields(db.database(), "ob", "Transmisje"),
              QStringList({"nrczytnika", "tresc"}));

    QSqlQuery(db.database()).exec("INSERT INTO cz.Czytniki (NrCzytnika) VALUES ('12')");
    EXPECT_FALSE(createServerDatabase(conninfo, &error));
    EXPECT_TRUE(error.contains("już istnieją")) << error.toStdString();
    QSqlQuery kept(db.database());
    ASSERT_TRUE(kept.exec("SELECT count(*) FROM cz.Czytniki") && kept.next());
    EXPECT_EQ(kept.value(0).toInt(), 1);
}

TEST(ServerSchema, AServerThatIsNotThereIsNamedWithinSeconds) {
    TempFolder nowhere;
    const QString conninfo = "host='" + nowhere.path() + "' port=5999 dbname=ronvalo user=x";
    QElapsedTimer timer;
    timer.start();
    QString error;
    EXPECT_FALSE(createServerDatabase(conninfo, &error));
    EXPECT_LT(timer.elapsed(), 7000);
    EXPECT_TRUE(error.startsWith("Nie można połączyć się z serwerem bazy danych " + nowhere.path() +
                                 ":5999, baza ronvalo: "))
        << error.toStdString();
}

} // namespace
} // namespace ronvalo::test

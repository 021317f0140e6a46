// The tests' own PostgreSQL server: reached through Qt's QPSQL driver, a database per test, and
// a stop that a connection notices within seconds.
#include "support/postgres_server.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace ronvalo::test {
namespace {

TEST(PostgresServer, ServesDatabasesAndComesBackAfterAStop) {
    PostgresServer server;
    ASSERT_TRUE(server.ok()) << server.problem().toStdString();
    ASSERT_TRUE(QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")));
    const QString name = server.createDatabase();
    ASSERT_FALSE(name.isEmpty()) << server.problem().toStdString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("t"));
        // The driver appends its connect options to the libpq connection string it makes, so
        // that a whole connection string goes there.
        db.setConnectOptions(server.connectionString(name) + QStringLiteral(" connect_timeout=3"));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT current_database()")) && query.next());
        EXPECT_EQ(query.value(0).toString(), name);

        ASSERT_TRUE(server.stop());
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(QSqlQuery(db).exec(QStringLiteral("SELECT 1")));
        db.close();
        EXPECT_FALSE(db.open());
        EXPECT_LT(timer.elapsed(), 5000);

        ASSERT_TRUE(server.start());
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("t"));
}

} // namespace
} // namespace ronvalo::test

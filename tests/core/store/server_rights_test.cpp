// What a site's login may do on the server: what the program needs and no more, and the
// archive's trigger that takes a row only as the next link of the chain.
#include "core/store/server_connection.h"
#include "core/store/server_rights.h"
#include "core/store/server_schema.h"
#include "support/postgres_server.h"
#include "support/test_tables.h"

#include <QProcess>
#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

namespace ronvalo::test {
namespace {

// The tables made by the administrator, and a site's login role in the group.
struct SiteLogin {
    SiteLogin() {
        QString error;
        admin = newServerTables(&error);
        if (!admin.isEmpty())
            site = newSiteLogin(admin, &error);
        if (site.isEmpty())
            ADD_FAILURE() << error.toStdString();
    }
    QString admin, site;
};

// The SQLSTATE a statement failed with; empty when it ran.
QString stateOf(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    return query.exec(sql) ? QString() : query.lastError().nativeErrorCode();
}

const QString refused = "42501"; // insufficient_privilege
const QString notChained = "23514";

TEST(ServerRights, ASiteMayAddAndReadButNeverChangeOrRemoveTheRecords) {
    SiteLogin login;
    ServerConnection db(login.site);
    ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
    const struct {
        const char* sql;
        QString state;
    } cases[] = {
        {"INSERT INTO nr.NrOdc (Data) VALUES ('2024-03-05 08:16:00') RETURNING Nrodczytu", ""},
        {"INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
         "VALUES ('2024-03-05', '08:15:00', 12, '1234567', 1)",
         ""},
        {"INSERT INTO cz.Czytniki (NrCzytnika) VALUES ('1234567')", ""},
        {"INSERT INTO ob.Transmisje VALUES ('1234567', 'a') ON CONFLICT (NrCzytnika) "
         "DO UPDATE SET Tresc = EXCLUDED.Tresc",
         ""},
        {"INSERT INTO ob.Transmisje VALUES ('1234567', 'b') ON CONFLICT (NrCzytnika) "
         "DO UPDATE SET Tresc = EXCLUDED.Tresc",
         ""},
        {"INSERT INTO ob.Punkty (Nrwewpkt, Nazwa) VALUES (12, 'Brama')", ""},
        {"UPDATE ob.Punkty SET Nazwa = 'Brama główna'", ""},
        {"INSERT INTO ob.CzytnikiOpis VALUES ('1234567', 'Jan')", ""},
        {"DELETE FROM ob.CzytnikiOpis", ""},
        {"INSERT INTO ob.Plany VALUES (1, 'Noc', '1234567', 1, 127, '22:00', '05:00', 60, 5, "
         "30, '2024-01-01', NULL)",
         ""},
        {"INSERT INTO ob.KrokiPlanu VALUES (1, 1, 12, 0)", ""},
        {"UPDATE ob.Plany SET Tolerancja = 10", ""},
        {"DELETE FROM ob.KrokiPlanu", ""},
        {"SELECT count(*) FROM ob.Archiwum, ob.ArchiwumZmian", ""},
        {"UPDATE main.Odbicia SET Czas = '08:05:00'", refused},
        {"DELETE FROM main.Odbicia", refused},
        {"TRUNCATE main.Odbicia", refused},
        {"UPDATE nr.NrOdc SET Data = '2024-03-06 08:16:00'", refused},
        {"DELETE FROM nr.NrOdc", refused},
        {"TRUNCATE nr.NrOdc", refused},
        {"DELETE FROM cz.Czytniki", refused},
        {"UPDATE ob.Archiwum SET Skrot = 'x'", refused},
        {"DELETE FROM ob.Archiwum", refused},
        {"TRUNCATE ob.Archiwum", refused},
        {"UPDATE ob.ArchiwumZmian SET Skrot = 'x'", refused},
        {"DELETE FROM ob.ArchiwumZmian", refused},
        {"TRUNCATE ob.ArchiwumZmian", refused},
        {"DELETE FROM ob.Transmisje", refused},
        {"ALTER TABLE ob.Archiwum DISABLE TRIGGER ALL", refused},
        {"DROP TABLE main.Odbicia", refused},
        {"CREATE TABLE ob.Obca (x integer)", refused},
        {"SET session_replication_role = replica", refused},
    };
    for (const auto& [sql, state] : cases)
        EXPECT_EQ(stateOf(db.database(), sql), state) << sql;

    ServerConnection admin(login.admin);
    QSqlQuery owners(admin.database());
    ASSERT_TRUE(owners.exec("SELECT DISTINCT tableowner FROM pg_tables WHERE schemaname IN "
                            "('main', 'cz', 'nr', 'ob')"));
    ASSERT_TRUE(owners.next());
    EXPECT_EQ(owners.value(0).toString(), "ronvalo");
    EXPECT_FALSE(owners.next());
}

// The web service's login reads every table and keeps its accounts, and changes nothing else.
TEST(ServerRights, TheWebServiceReadsAllAndWritesOnlyItsAccounts) {
    QString error;
    const QString admin = newServerTables(&error);
    ASSERT_FALSE(admin.isEmpty()) << error.toStdString();
    const QString web = newLogin(admin, webGroupRole, &error);
    ASSERT_FALSE(web.isEmpty()) << error.toStdString();
    ServerConnection db(web);
    ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
    const struct {
        const char* sql;
        QString state;
    } cases[] = {
        {"SELECT count(*) FROM main.Odbicia, cz.Czytniki, nr.NrOdc", ""},
        {"SELECT count(*) FROM ob.Archiwum, ob.ArchiwumZmian, ob.Plany, ob.KrokiPlanu", ""},
        {"INSERT INTO ob.Konta VALUES ('anna', 'x', 'biuro', '')", ""},
        {"UPDATE ob.Konta SET Haslo = 'y'", ""},
        {"DELETE FROM ob.Konta", ""},
        {"INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
         "VALUES ('2024-03-05', '08:15:00', 12, '1234567', 1)",
         refused},
        {"INSERT INTO nr.NrOdc (Data) VALUES ('2024-03-05 08:16:00')", refused},
        {"INSERT INTO ob.Archiwum VALUES (1, '1', '2024-03-05 08:16:00', NULL, 'x', NULL, 'a')",
         refused},
        {"UPDATE ob.Plany SET Tolerancja = 10", refused},
        {"DELETE FROM ob.Punkty", refused},
        {"DROP TABLE ob.Konta", refused},
    };
    for (const auto& [sql, state] : cases)
        EXPECT_EQ(stateOf(db.database(), sql), state) << sql;
}

TEST(ServerRights, TheArchiveTakesARowOnlyAsTheNextLinkOfItsChain) {
    SiteLogin login;
    ServerConnection db(login.site);
    ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
    const auto download = [](int number, const char* previous, const char* digest) {
        return QString("INSERT INTO ob.Archiwum VALUES (%1, '1234567', '2024-03-05 08:16:00', "
                       "NULL, 'x', %2, '%3')")
            .arg(number)
            .arg(previous ? QString("'%1'").arg(previous) : "NULL", digest);
    };
    const auto change = [](int lp, int after, const char* previous, const char* digest) {
        return QString("INSERT INTO ob.ArchiwumZmian VALUES (%1, 'plan', %2, "
                       "'2024-03-05 09:00:00', 'x', '%3', '%4')")
            .arg(lp)
            .arg(after)
            .arg(previous, digest);
    };
    const struct {
        QString sql;
        QString state;
    } steps[] = {
        {download(1, "zz", "a1"), notChained},    // the first row names no previous one
        {download(1, nullptr, "a1"), ""},         //
        {download(2, nullptr, "a2"), notChained}, // the chain has a first row already
        {download(2, "zz", "a2"), notChained},    // not the last digest
        {change(1, 1, "a1", "z1"), ""},           // after download 1, at its place
        {download(2, "a1", "a2"), notChained},    // the change row is the last now
        {change(2, 0, "z1", "z2"), notChained},   // before the last row's place
        {change(1, 1, "z1", "z2"), notChained},   // Lp not after the last
        {download(1, "z1", "a2"), notChained},    // a download number not after the last place
        {download(3, "z1", "a3"), ""},            //
        {change(2, 3, "a3", "z2"), ""},           //
        {change(3, 3, "z2", "z3"), ""},           //
        {download(4, "z2", "a4"), notChained},    // a row left out
        {download(4, "z3", "a4"), ""},
    };
    for (const auto& [sql, state] : steps)
        EXPECT_EQ(stateOf(db.database(), sql), state) << sql.toStdString();

    // A snapshot older than the lock could see an older last row: only READ COMMITTED appends.
    ASSERT_TRUE(QSqlQuery(db.database()).exec("BEGIN ISOLATION LEVEL REPEATABLE READ"));
    EXPECT_EQ(stateOf(db.database(), download(5, "a4", "a5")), notChained);
    QSqlQuery(db.database()).exec("ROLLBACK");
}

TEST(ServerRights, TheSessionsRunUnderTheirTimeLimits) {
    SiteLogin login;
    ServerConnection db(login.site);
    ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
    QSqlQuery query(db.database());
    ASSERT_TRUE(query.exec("SELECT current_setting('statement_timeout'), "
                           "current_setting('lock_timeout'), "
                           "current_setting('idle_in_transaction_session_timeout')"));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), "6s");
    EXPECT_EQ(query.value(1).toString(), "4s");
    EXPECT_EQ(query.value(2).toString(), "20s");

    // Any other client of the database, a site's psql included, has the server's own limit on
    // idle transactions.
    ServerConnection admin(login.admin);
    QSqlQuery setting(admin.database());
    ASSERT_TRUE(setting.exec("SELECT setconfig FROM pg_db_role_setting JOIN pg_database d "
                             "ON d.oid = setdatabase WHERE datname = current_database() "
                             "AND setrole = 0"));
    ASSERT_TRUE(setting.next());
    EXPECT_TRUE(setting.value(0).toString().contains("idle_in_transaction_session_timeout=60s"))
        << setting.value(0).toString().toStdString();
}

TEST(ServerRights, AnEarlierReleasesTablesGetTheMissingTableTheRoleAndTheTrigger) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString admin = postgres.connectionString(postgres.createDatabase());
    {
        // The earlier release: its tables, nothing else.
        ServerConnection db(admin);
        QSqlQuery make(db.database());
        for (const QString& statement : serverSchemaStatements()) {
            if (statement.startsWith("CREATE TABLE ob.ArchiwumZmian"))
                continue;
            ASSERT_TRUE(make.exec(statement)) << make.lastError().text().toStdString();
        }
        ASSERT_TRUE(make.exec("INSERT INTO ob.Archiwum VALUES (1, '1', '2024-03-05 08:16:00', "
                              "NULL, 'x', NULL, 'a1')"));
    }
    QString error;
    EXPECT_FALSE(createServerDatabase(admin, &error));
    EXPECT_TRUE(error.contains("--uprawnienia")) << error.toStdString();
    ASSERT_TRUE(addServerRights(admin, &error)) << error.toStdString();
    // Again: it only makes the same anew.
    ASSERT_TRUE(addServerRights(admin, &error)) << error.toStdString();

    ServerConnection db(admin);
    EXPECT_EQ(stateOf(db.database(), "INSERT INTO ob.Archiwum VALUES (2, '1', "
                                     "'2024-03-05 08:16:00', NULL, 'x', 'zz', 'a2')"),
              notChained);
    EXPECT_EQ(stateOf(db.database(), "INSERT INTO ob.ArchiwumZmian VALUES (1, 'plan', 1, "
                                     "'2024-03-05 09:00:00', 'x', 'a1', 'z1')"),
              "");
    EXPECT_EQ(stateOf(db.database(), "SELECT 1 FROM pg_roles WHERE rolname = "
                                     "'ronvalo_stanowisko'"),
              "");
}

TEST(ServerRights, TablesAnotherRoleOwnsAreNamedAndLeftAlone) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString database = postgres.createDatabase();
    const QString admin = postgres.connectionString(database);
    QString error;
    ASSERT_TRUE(createServerDatabase(admin, &error)) << error.toStdString();
    {
        ServerConnection db(admin);
        QSqlQuery alter(db.database());
        ASSERT_TRUE(alter.exec("CREATE ROLE dawny_" + database + " LOGIN"));
        ASSERT_TRUE(alter.exec("ALTER TABLE main.Odbicia OWNER TO dawny_" + database));
    }
    EXPECT_FALSE(addServerRights(admin, &error));
    EXPECT_TRUE(error.contains("main.odbicia (rola dawny_" + database + ")"))
        << error.toStdString();
}

TEST(ServerRights, NewdbMakesTheTablesOnceAndTheRightsAgainOnRequest) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString admin = postgres.connectionString(postgres.createDatabase());
    const struct {
        QStringList arguments;
        int exitCode;
        const char* says;
    } runs[] = {
        {{"--server", admin}, 0, ""},
        {{"--server", admin}, 1, "--uprawnienia"},
        {{"--server", admin, "--uprawnienia"}, 0, ""},
        {{"--server", admin, "--inne"}, 2, "Użycie"},
    };
    for (const auto& [arguments, exitCode, says] : runs) {
        QProcess newdb;
        newdb.start(RONVALO_BIN_DIR "/ronvalo-newdb", arguments);
        ASSERT_TRUE(newdb.waitForFinished(60000));
        const QString output = QString::fromUtf8(newdb.readAllStandardError());
        EXPECT_EQ(newdb.exitCode(), exitCode) << arguments.join(' ').toStdString();
        EXPECT_TRUE(output.contains(QString::fromUtf8(says))) << output.toStdString();
    }
}

} // namespace
} // namespace ronvalo::test

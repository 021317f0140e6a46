// The web service's accounts on both engines: the rules of a new account, passwords that verify,
// the last administrator kept, and the table an installation or server from before gets.
#include "web/accounts.h"

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "core/common/exception.h"
#include "core/store/accounts_store.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "core/store/schema.h"
#include "core/store/server_connection.h"
#include "core/store/server_schema.h"
#include "core/store/sqlite_connection.h"
#include "support/postgres_server.h"
#include "support/test_tables.h"
#include "web/password_hash.h"

using namespace ronvalo;
using namespace ronvalo::test;
using namespace ronvalo::web;

namespace {

const QString password = QStringLiteral("zielona-brama-7");

struct AccountsTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;
    std::optional<Accounts> accounts;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
        // "101" has punches, "102" only a description, "103" neither.
        dm.insertReader(QStringLiteral("101"));
        saveInstruments(dm, {{QStringLiteral("102"), QStringLiteral("Magazyn")}});
        accounts.emplace(dm);
    }
};

INSTANTIATE_TEST_SUITE_P(, AccountsTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

TEST_P(AccountsTest, ANewAccountFollowsTheRules) {
    ASSERT_EQ(accounts->add("szef", Role::Administrator, {}, password), "");
    const QByteArray longLogin(maxLoginLength + 1, 'a');
    const struct {
        const char* login;
        Role role;
        QStringList instruments;
        QString password;
        const char* refusal; // part of the message; empty: accepted
    } cases[] = {
        {"", Role::Office, {}, password, "pusty"},
        {"jan kowalski", Role::Office, {}, password, "tylko litery"},
        {"-jan", Role::Office, {}, password, "zaczynać się"},
        {"łucja", Role::Office, {}, password, "tylko litery"},
        {longLogin.constData(), Role::Office, {}, password, "najwyżej 64"},
        {"krotkie", Role::Office, {}, "123456789", "co najmniej 10"},
        {"sterujace", Role::Office, {}, "abc\x1b[2Jdefghij", "sterujących"},
        {"klient0", Role::Client, {}, password, "co najmniej jeden czytnik"},
        {"klient9", Role::Client, {"999"}, password, "Czytnik 999 nie jest znany"},
        {"klientp", Role::Client, {"101,102"}, password, "Niepoprawny numer"},
        {"biuro2", Role::Office, {"101"}, password, "tylko dla konta klienta"},
        {"SZEF", Role::Office, {}, password, "już istnieje"},
        {"biuro", Role::Office, {}, password, ""},
        {"Klient.A@firma-1", Role::Client, {"101", "102", "101"}, "długie hasło ąę", ""},
    };
    for (const auto& c : cases) {
        const QString problem = accounts->add(c.login, c.role, c.instruments, c.password);
        if (*c.refusal) {
            EXPECT_TRUE(problem.contains(QString::fromUtf8(c.refusal)))
                << c.login << ": " << problem.toStdString();
        } else {
            EXPECT_EQ(problem, "") << c.login;
        }
    }
    const QList<Account> listed = accounts->list();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[0].login, "biuro");
    EXPECT_EQ(listed[0].role, Role::Office);
    EXPECT_EQ(listed[1].login, "klient.a@firma-1");
    EXPECT_EQ(listed[1].instruments, QStringList({"101", "102"}));
    EXPECT_EQ(listed[2].login, "szef");
}

TEST_P(AccountsTest, AStoredPasswordVerifiesAndAChangedOneReplacesIt) {
    ASSERT_EQ(accounts->add("biuro", Role::Office, {}, password), "");
    auto stored = accounts->findWithHash("BIURO");
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->second.startsWith("$argon2id$")) << stored->second.toStdString();
    EXPECT_FALSE(stored->second.contains(password));
    EXPECT_TRUE(verifyPassword(stored->second, password));
    EXPECT_FALSE(verifyPassword(stored->second, password + "x"));

    EXPECT_TRUE(accounts->changePassword("biuro", "krotkie").contains("co najmniej 10"));
    EXPECT_EQ(accounts->changePassword("nikt", "nowe-haslo-99"), "Nie ma konta nikt.");
    ASSERT_EQ(accounts->changePassword("biuro", "nowe-haslo-99"), "");
    stored = accounts->findWithHash("biuro");
    EXPECT_FALSE(verifyPassword(stored->second, password));
    EXPECT_TRUE(verifyPassword(stored->second, "nowe-haslo-99"));
}

TEST_P(AccountsTest, TheLastAdministratorStays) {
    ASSERT_EQ(accounts->add("szef", Role::Administrator, {}, password), "");
    ASSERT_EQ(accounts->add("zastepca", Role::Administrator, {}, password), "");
    ASSERT_EQ(accounts->add("klient", Role::Client, {"101"}, password), "");
    const struct {
        const char* login;
        const char* answer;
    } steps[] = {
        {"nikt", "Nie ma konta nikt."},
        {"szef", ""},
        {"zastepca", "Nie można usunąć ostatniego konta administratora."},
        {"klient", ""},
        {"zastepca", "Nie można usunąć ostatniego konta administratora."},
    };
    for (const auto& step : steps)
        EXPECT_EQ(accounts->remove(step.login), QString::fromUtf8(step.answer)) << step.login;
    const QList<Account> left = accounts->list();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].login, "zastepca");
}

TEST(AccountsTable, AnInstallationFromBeforeGetsItWhenOpenedForWriting) {
    TestTables tables(Engine::Files);
    ASSERT_TRUE(tables.ready());
    const QString rounds = tables.base() + "db/Obchody.db";
    {
        SqliteConnection file(rounds);
        QSqlQuery drop(file.database());
        ASSERT_TRUE(drop.exec("DROP TABLE Konta"));
    }
    {
        // A tool that only reads leaves the file as it was.
        TDM3 reader;
        reader.setReadOnly(true);
        tables.point(reader);
        reader.openTables();
        EXPECT_THROW(Accounts(reader).list(), EDatabaseError);
    }
    TDM3 dm;
    tables.point(dm);
    dm.openTables();
    Accounts accounts(dm);
    EXPECT_TRUE(accounts.list().isEmpty());
    EXPECT_EQ(accounts.add("szef", Role::Administrator, {}, password), "");
}

TEST(AccountsTable, AServerFromBeforeGetsItAndNoSiteReadsIt) {
    PostgresServer& postgres = sharedPostgresServer();
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString admin = postgres.connectionString(postgres.createDatabase());
    {
        // The release before: every table but the accounts'.
        ServerConnection db(admin);
        QSqlQuery make(db.database());
        for (const QString& statement : serverSchemaStatements()) {
            if (statement != accountsServerStatement()) {
                ASSERT_TRUE(make.exec(statement)) << make.lastError().text().toStdString();
            }
        }
    }
    QString error;
    ASSERT_TRUE(addServerRights(admin, &error)) << error.toStdString();
    {
        TDM3 dm;
        dm.setServer(admin);
        dm.openTables();
        EXPECT_EQ(Accounts(dm).add("szef", Role::Administrator, {}, password), "");
    }
    const QString site = newSiteLogin(admin, &error);
    ASSERT_FALSE(site.isEmpty()) << error.toStdString();
    ServerConnection db(site);
    QSqlQuery read(db.database());
    EXPECT_FALSE(read.exec("SELECT Haslo FROM ob.Konta"));
    EXPECT_TRUE(read.exec("SELECT COUNT(*) FROM ob.Plany"))
        << read.lastError().text().toStdString();
}

} // namespace

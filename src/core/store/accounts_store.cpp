// Konta on either engine: the same statements on the rounds' connection, the instruments of a
// client in one field, separated by commas (an instrument number the accounts accept has none).
#include "core/store/accounts_store.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/sqlite_connection.h"

namespace ronvalo {

namespace {

const QString administratorRole = QStringLiteral("administrator");

// Never NULL: the field is NOT NULL, and Qt binds an empty join as NULL.
QString joinedInstruments(const QStringList& instruments) {
    return instruments.isEmpty() ? QStringLiteral("") : instruments.join(QLatin1Char(','));
}

AccountRow rowFrom(const QSqlQuery& query) {
    const QString instruments = query.value(3).toString();
    return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
            instruments.isEmpty() ? QStringList{} : instruments.split(QLatin1Char(','))};
}

qint64 administrators(TDM3& dm) {
    QSqlQuery count = runRoundsQuery(
        dm, QStringLiteral("SELECT COUNT(*) FROM ob.Konta WHERE Rola = ?"), {administratorRole});
    return count.next() ? count.value(0).toLongLong() : 0;
}

const QString selectFields = QStringLiteral("SELECT Login, Haslo, Rola, Czytniki FROM ob.Konta");

} // namespace

const QString& accountsFileStatement() {
    static const QString statement =
        QStringLiteral("CREATE TABLE Konta (Login TEXT NOT NULL PRIMARY KEY, Haslo TEXT NOT NULL, "
                       "Rola TEXT NOT NULL, Czytniki TEXT NOT NULL DEFAULT '')");
    return statement;
}

const QString& accountsServerStatement() {
    static const QString statement =
        QStringLiteral("CREATE TABLE ob.Konta (Login TEXT COLLATE \"C\" NOT NULL PRIMARY KEY, "
                       "Haslo TEXT COLLATE \"C\" NOT NULL, Rola TEXT COLLATE \"C\" NOT NULL, "
                       "Czytniki TEXT COLLATE \"C\" NOT NULL DEFAULT '')");
    return statement;
}

QString accountsServerStatementIfMissing() {
    QString statement = accountsServerStatement();
    return statement.replace(QStringLiteral("CREATE TABLE "),
                             QStringLiteral("CREATE TABLE IF NOT EXISTS "));
}

QString addAccountsTable(const QString& path) {
    SqliteConnection file(path);
    if (!file.isOpen())
        return file.lastError().text();
    QSqlQuery query(file.database());
    // Looked for first, so that a file that has it is only read, never locked for writing.
    if (!query.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'Konta' "
                                   "COLLATE NOCASE")))
        return query.lastError().text();
    if (query.next())
        return {};
    query.finish();
    return query.exec(accountsFileStatement()) ? QString() : query.lastError().text();
}

QList<AccountRow> loadAccounts(TDM3& dm) {
    QSqlQuery query = runRoundsQuery(dm, selectFields + QStringLiteral(" ORDER BY Login"));
    QList<AccountRow> accounts;
    while (query.next())
        accounts.append(rowFrom(query));
    return accounts;
}

std::optional<AccountRow> findAccount(TDM3& dm, const QString& login) {
    QSqlQuery query =
        runRoundsQuery(dm, selectFields + QStringLiteral(" WHERE Login = ?"), {login});
    if (!query.next())
        return std::nullopt;
    return rowFrom(query);
}

bool insertAccount(TDM3& dm, const AccountRow& account) {
    const QSqlQuery query = runRoundsQuery(
        dm,
        QStringLiteral("INSERT INTO ob.Konta (Login, Haslo, Rola, Czytniki) SELECT ?, ?, ?, ? "
                       "WHERE NOT EXISTS (SELECT 1 FROM ob.Konta WHERE Login = ?)"),
        {account.login, account.hash, account.role, joinedInstruments(account.instruments),
         account.login});
    return query.numRowsAffected() == 1;
}

bool updateAccountHash(TDM3& dm, const QString& login, const QString& hash) {
    const QSqlQuery query = runRoundsQuery(
        dm, QStringLiteral("UPDATE ob.Konta SET Haslo = ? WHERE Login = ?"), {hash, login});
    return query.numRowsAffected() == 1;
}

AccountRemoval removeAccount(TDM3& dm, const QString& login) {
    Transaction transaction(dm);
    if (dm.onServer())
        runRoundsQuery(dm, QStringLiteral("LOCK TABLE ob.Konta IN SHARE ROW EXCLUSIVE MODE"));
    const std::optional<AccountRow> account = findAccount(dm, login);
    if (!account)
        return AccountRemoval::NotFound;
    if (account->role == administratorRole && administrators(dm) <= 1)
        return AccountRemoval::LastAdministrator;
    runRoundsQuery(dm, QStringLiteral("DELETE FROM ob.Konta WHERE Login = ?"), {login});
    transaction.commit();
    return AccountRemoval::Removed;
}

} // namespace ronvalo

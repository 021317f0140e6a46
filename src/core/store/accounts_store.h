// The web service's accounts in the table Konta beside the rounds' tables (Obchody.db, or the
// schema ob on a server): every statement on it, on either engine.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ronvalo {

class TDM3;

// One row of Konta. The role is stored as its name ("administrator", "biuro", "klient"); the
// instruments are a client's, empty for the other roles.
struct AccountRow {
    QString login;
    QString hash; // the password's hash in libsodium's string form, salt and limits included
    QString role;
    QStringList instruments;
};

// The statement that makes Konta in the rounds' file (on its own connection, without a schema).
const QString& accountsFileStatement();
// The statement that makes ob.Konta on a server, and the same when it may be there already.
const QString& accountsServerStatement();
QString accountsServerStatementIfMissing();

// Adds Konta to the rounds' file at `path` made by a release before the web service; an empty
// text when done or when the table is there already, otherwise why not.
QString addAccountsTable(const QString& path);

// Every function below raises EDatabaseError naming Obchody.db (or the server) when the table
// cannot be read or written.

// Every account, by login.
QList<AccountRow> loadAccounts(TDM3& dm);
// The account of `login` (compared byte for byte); nullopt when there is none.
std::optional<AccountRow> findAccount(TDM3& dm, const QString& login);
// Adds the account; false, with nothing written, when its login is taken.
bool insertAccount(TDM3& dm, const AccountRow& account);
// Replaces the account's hash; false when there is no such account.
bool updateAccountHash(TDM3& dm, const QString& login, const QString& hash);

enum class AccountRemoval { Removed, NotFound, LastAdministrator };
// Removes the account, unless it is the last administrator's: one transaction, which on a server
// holds the table against another removal meanwhile, so that two administrators removing each
// other at once cannot leave none.
AccountRemoval removeAccount(TDM3& dm, const QString& login);

} // namespace ronvalo

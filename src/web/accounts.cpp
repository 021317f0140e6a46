// Account changes: the rules first, then the hash, then one statement on the table.
#include "web/accounts.h"

#include <QSet>

#include "core/store/accounts_store.h"
#include "core/store/rounds_tables.h"
#include "web/password_hash.h"

namespace ronvalo::web {

namespace {

std::optional<Account> accountOf(const AccountRow& row) {
    const std::optional<Role> role = roleFromName(row.role);
    if (!role)
        return std::nullopt;
    return Account{row.login, *role, *role == Role::Client ? row.instruments : QStringList{}};
}

QString noSuchAccount(const QString& login) {
    return QStringLiteral("Nie ma konta %1.").arg(login);
}

} // namespace

QString Accounts::instrumentsProblem(Role role, const QStringList& instruments) {
    if (role != Role::Client)
        return instruments.isEmpty()
                   ? QString()
                   : QStringLiteral("Czytniki podaje się tylko dla konta klienta.");
    if (instruments.isEmpty())
        return QStringLiteral("Konto klienta musi mieć co najmniej jeden czytnik.");
    QSet<QString> known;
    for (const InstrumentName& instrument : loadInstruments(dm_))
        known.insert(instrument.instrument);
    for (const QString& instrument : instruments) {
        if (const QString problem = instrumentProblem(instrument); !problem.isEmpty())
            return problem;
        if (!known.contains(instrument))
            return QStringLiteral("Czytnik %1 nie jest znany w tej instalacji.").arg(instrument);
    }
    return {};
}

QString Accounts::addProblem(const QString& login, Role role, const QStringList& instruments) {
    if (const QString problem = loginProblem(normalizedLogin(login)); !problem.isEmpty())
        return problem;
    return instrumentsProblem(role, instruments);
}

QString Accounts::add(const QString& login, Role role, const QStringList& instruments,
                      const QString& password) {
    const QString name = normalizedLogin(login);
    QStringList distinct = instruments;
    distinct.removeDuplicates();
    if (const QString problem = addProblem(name, role, distinct); !problem.isEmpty())
        return problem;
    if (const QString problem = passwordProblem(password); !problem.isEmpty())
        return problem;
    if (!insertAccount(dm_, {name, hashPassword(password), roleName(role), distinct}))
        return QStringLiteral("Konto %1 już istnieje.").arg(name);
    return {};
}

QString Accounts::changePassword(const QString& login, const QString& password) {
    const QString name = normalizedLogin(login);
    if (const QString problem = passwordProblem(password); !problem.isEmpty())
        return problem;
    return updateAccountHash(dm_, name, hashPassword(password)) ? QString() : noSuchAccount(name);
}

QString Accounts::remove(const QString& login) {
    const QString name = normalizedLogin(login);
    switch (removeAccount(dm_, name)) {
    case AccountRemoval::Removed:
        return {};
    case AccountRemoval::NotFound:
        return noSuchAccount(name);
    case AccountRemoval::LastAdministrator:
        break;
    }
    return QStringLiteral("Nie można usunąć ostatniego konta administratora.");
}

QList<Account> Accounts::list() {
    QList<Account> accounts;
    for (const AccountRow& row : loadAccounts(dm_))
        if (const std::optional<Account> account = accountOf(row))
            accounts.append(*account);
    return accounts;
}

std::optional<std::pair<Account, QString>> Accounts::findWithHash(const QString& login) {
    const std::optional<AccountRow> row = findAccount(dm_, normalizedLogin(login));
    if (!row)
        return std::nullopt;
    const std::optional<Account> account = accountOf(*row);
    if (!account)
        return std::nullopt;
    return std::pair{*account, row->hash};
}

} // namespace ronvalo::web

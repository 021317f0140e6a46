// The web service's accounts over an installation's tables: adding, a new password, removing and
// listing, each checked against the account rules first. Used by the command line and the page
// "Konta" alike.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "web/account_rules.h"

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

// Each change returns an empty text when done, otherwise why not in one Polish sentence (nothing
// is then changed). A table that cannot be read or written raises EDatabaseError.
class Accounts {
public:
    explicit Accounts(TDM3& dm) : dm_(dm) {}

    // A client needs at least one instrument, each one the installation knows (in its reader
    // table or with a description); the other roles take none.
    QString add(const QString& login, Role role, const QStringList& instruments,
                const QString& password);
    // What add() would refuse before the password: the login, the role's instruments.
    QString addProblem(const QString& login, Role role, const QStringList& instruments);
    QString changePassword(const QString& login, const QString& password);
    // The last administrator's account stays.
    QString remove(const QString& login);
    QList<Account> list();
    // The account of `login` with its stored hash, for the login check; nullopt when none, or
    // when the row's role is not one of the three.
    std::optional<std::pair<Account, QString>> findWithHash(const QString& login);

private:
    QString instrumentsProblem(Role role, const QStringList& instruments);

    TDM3& dm_;
};

} // namespace ronvalo::web

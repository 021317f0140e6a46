// The page "Logowanie" without the page: a login and password checked against the accounts,
// throttled, answered alike and in the same time whether the login exists or not.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <utility>

#include "web/account_rules.h"

namespace ronvalo::web {

class LoginThrottle;

enum class LoginOutcome { Accepted, Refused, Wait };

struct LoginAnswer {
    LoginOutcome outcome = LoginOutcome::Refused;
    std::optional<Account> account; // when accepted
    QString message;                // what the page shows when not
};

// The account of a login with its stored hash; nullopt when there is none (Accounts::findWithHash).
using AccountLookup =
    std::function<std::optional<std::pair<Account, QString>>(const QString& login)>;

inline const QString wrongLoginText = QStringLiteral("Nieprawidłowy login lub hasło.");
inline const QString waitText =
    QStringLiteral("Zbyt wiele nieudanych prób logowania. Spróbuj ponownie później.");

class LoginCheck {
public:
    // Makes the hash an unknown login is checked against (as long as a real one takes).
    LoginCheck(LoginThrottle& throttle, AccountLookup lookup);

    // Checks `password` for `login` tried from `address`. A lookup that fails raises what it
    // raised, counting nothing.
    LoginAnswer logIn(const QString& login, const QString& password, const QString& address);

private:
    LoginThrottle& throttle_;
    AccountLookup lookup_;
    QString unknownLoginHash_;
};

} // namespace ronvalo::web

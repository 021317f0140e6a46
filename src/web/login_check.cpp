// Logging in: the throttle first, then one password hash checked whatever the login.
#include "web/login_check.h"

#include "web/login_throttle.h"
#include "web/password_hash.h"

namespace ronvalo::web {

LoginCheck::LoginCheck(LoginThrottle& throttle, AccountLookup lookup)
    : throttle_(throttle), lookup_(std::move(lookup)),
      unknownLoginHash_(hashPassword(QString::fromLatin1(randomBytes(32).toHex()))) {}

LoginAnswer LoginCheck::logIn(const QString& login, const QString& password,
                              const QString& address) {
    if (!throttle_.allows(login, address))
        return {LoginOutcome::Wait, std::nullopt, waitText};
    const QString name = normalizedLogin(login);
    // A login the rules refuse is never looked up, yet checked as long as any other.
    const auto found = loginProblem(name).isEmpty() ? lookup_(name) : std::nullopt;
    // No account has a password longer than the rules allow: a huge one is not hashed whole.
    const bool tooLong = password.toUtf8().size() > maxPasswordBytes;
    const bool right = verifyPassword(found && !tooLong ? found->second : unknownLoginHash_,
                                      tooLong ? QString() : password) &&
                       found && !tooLong;
    if (!right) {
        throttle_.recordFailure(login, address);
        return {LoginOutcome::Refused, std::nullopt, wrongLoginText};
    }
    throttle_.recordSuccess(login);
    return {LoginOutcome::Accepted, found->first, {}};
}

} // namespace ronvalo::web

// Login throttling: after 5 failed logins in 15 minutes for one login or from one address,
// further tries are refused until the oldest of those failures is 15 minutes old.
#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

namespace ronvalo::web {

class LoginThrottle {
public:
    static constexpr int maxFailures = 5;
    static constexpr qint64 windowMs = 15 * 60 * 1000;

    // Whether a try of `login` from `address` may be checked now (by the program's clock).
    bool allows(const QString& login, const QString& address);
    // A wrong login or password, counted for both.
    void recordFailure(const QString& login, const QString& address);
    // A right one: the login's failures are forgotten (the address's are not, so that an
    // account of one's own does not open the way to guessing others').
    void recordSuccess(const QString& login);

private:
    using Failures = QHash<QString, QList<qint64>>;
    // The failures of `key` still within the window, the older ones dropped.
    static qsizetype recentFailures(Failures& failures, const QString& key, qint64 nowMs);
    // Drops every key whose failures have all left the window, so that tries with ever new
    // logins or addresses cannot grow the tables without bound.
    static void forgetExpired(Failures& failures, qint64 nowMs);

    QMutex mutex_;
    Failures byLogin_;
    Failures byAddress_;
};

} // namespace ronvalo::web

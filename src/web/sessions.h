// Sessions held on the server: a random token per login, ended after 30 idle minutes (by the
// program's clock) and at logout, and the token every form of a session carries.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <optional>

namespace ronvalo::web {

class Sessions {
public:
    static constexpr qint64 idleLimitMs = 30 * 60 * 1000;

    // A new key for the form tokens: forms of an earlier run of the service are refused.
    Sessions();
    ~Sessions();
    Sessions(const Sessions&) = delete;
    Sessions& operator=(const Sessions&) = delete;

    // Starts a session of `login`; its token (64 hex digits of 32 random bytes), for the cookie.
    // `stamp` is kept with it for whoever must tell later that the account changed meanwhile
    // (a digest of its password hash), even when it changed in another process.
    QString begin(const QString& login, const QString& stamp = {});
    // The login of the session `token`, its idle time starting again; nullopt for a token that
    // is unknown, ended, or idle for 30 minutes or more (which ends it).
    std::optional<QString> touch(const QString& token);
    // The same with the stamp the session began with.
    struct Owner {
        QString login;
        QString stamp;
    };
    std::optional<Owner> touchOwner(const QString& token);
    // Ends the session (logout); an unknown token is no error.
    void end(const QString& token);
    // Ends every session of `login` (its password changed, the account removed).
    void endAllOf(const QString& login);

    // The token the forms of session `token` carry: a MAC of the session's token under the
    // service's key, so that a form made for another session, or changed, is refused.
    QString formToken(const QString& token) const;
    // Whether `form` is the form token of session `token` (compared in constant time). Says
    // nothing of whether the session is still alive: touch() does.
    bool formTokenMatches(const QString& token, const QString& form) const;

private:
    struct Session {
        QString login;
        QString stamp;
        qint64 lastSeenMs;
    };
    // Ends the sessions idle too long; with the mutex held.
    void dropIdle(qint64 nowMs);

    QByteArray key_;
    mutable QMutex mutex_;
    // By a digest of the token: the tokens themselves are kept nowhere on the server.
    QHash<QByteArray, Session> sessions_;
};

} // namespace ronvalo::web

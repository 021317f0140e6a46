// Sessions and form tokens.
#include "web/sessions.h"

#include <QCryptographicHash>
#include <QMutexLocker>
#include <QRegularExpression>
#include <sodium.h>

#include "core/common/clock.h"
#include "web/password_hash.h"

namespace ronvalo::web {

namespace {

constexpr int tokenBytes = 32;

QByteArray digestOf(const QString& token) {
    return QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

Sessions::Sessions() : key_(randomBytes(crypto_auth_KEYBYTES)) {}

Sessions::~Sessions() {
    sodium_memzero(key_.data(), static_cast<size_t>(key_.size()));
}

void Sessions::dropIdle(qint64 now) {
    for (auto it = sessions_.begin(); it != sessions_.end();)
        it = now - it->lastSeenMs >= idleLimitMs ? sessions_.erase(it) : std::next(it);
}

QString Sessions::begin(const QString& login, const QString& stamp) {
    const QString token = QString::fromLatin1(randomBytes(tokenBytes).toHex());
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    QMutexLocker lock(&mutex_);
    dropIdle(now);
    sessions_.insert(digestOf(token), {login, stamp, now});
    return token;
}

std::optional<QString> Sessions::touch(const QString& token) {
    if (std::optional<Owner> owner = touchOwner(token))
        return owner->login;
    return std::nullopt;
}

std::optional<Sessions::Owner> Sessions::touchOwner(const QString& token) {
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    QMutexLocker lock(&mutex_);
    const auto it = sessions_.find(digestOf(token));
    if (it == sessions_.end())
        return std::nullopt;
    // A clock put back counts as no time passed, never as a session made younger than it is.
    if (now - it->lastSeenMs >= idleLimitMs) {
        sessions_.erase(it);
        return std::nullopt;
    }
    it->lastSeenMs = std::max(it->lastSeenMs, now);
    return Owner{it->login, it->stamp};
}

void Sessions::end(const QString& token) {
    QMutexLocker lock(&mutex_);
    sessions_.remove(digestOf(token));
}

void Sessions::endAllOf(const QString& login) {
    QMutexLocker lock(&mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();)
        it = it->login == login ? sessions_.erase(it) : std::next(it);
}

QString Sessions::formToken(const QString& token) const {
    const QByteArray message = token.toUtf8();
    unsigned char mac[crypto_auth_BYTES];
    crypto_auth(mac, reinterpret_cast<const unsigned char*>(message.constData()),
                static_cast<unsigned long long>(message.size()),
                reinterpret_cast<const unsigned char*>(key_.constData()));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(mac), sizeof mac).toHex());
}

bool Sessions::formTokenMatches(const QString& token, const QString& form) const {
    // Only the form formToken() writes: fromHex() would skip any other character.
    static const QRegularExpression hex(
        QStringLiteral("^[0-9a-f]{%1}$").arg(2 * crypto_auth_BYTES));
    if (!hex.match(form).hasMatch())
        return false;
    const QByteArray mac = QByteArray::fromHex(form.toLatin1());
    const QByteArray message = token.toUtf8();
    return crypto_auth_verify(reinterpret_cast<const unsigned char*>(mac.constData()),
                              reinterpret_cast<const unsigned char*>(message.constData()),
                              static_cast<unsigned long long>(message.size()),
                              reinterpret_cast<const unsigned char*>(key_.constData())) == 0;
}

} // namespace ronvalo::web

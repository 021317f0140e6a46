// Argon2id through libsodium.
#include "web/password_hash.h"

#include <sodium.h>

#include "core/common/exception.h"

namespace ronvalo::web {

void startSodium() {
    // Once per process, whichever thread comes first; the others wait for it.
    static const bool started = sodium_init() >= 0;
    if (!started)
        throw Exception(QStringLiteral("Nie można uruchomić biblioteki kryptograficznej."));
}

QString hashPassword(const QString& password) {
    startSodium();
    const QByteArray bytes = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Exception(QStringLiteral("Brak pamięci na obliczenie skrótu hasła."));
    return QString::fromLatin1(hash);
}

bool verifyPassword(const QString& hash, const QString& password) {
    startSodium();
    const QByteArray stored = hash.toLatin1();
    if (stored.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}

QByteArray randomBytes(int size) {
    startSodium();
    QByteArray bytes(size, Qt::Uninitialized);
    randombytes_buf(bytes.data(), static_cast<size_t>(bytes.size()));
    return bytes;
}

} // namespace ronvalo::web

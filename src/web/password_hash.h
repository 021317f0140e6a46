// Password hashes of the web service's accounts: Argon2id with libsodium's interactive limits, in
// libsodium's string form (algorithm, limits and salt inside the text), and random bytes.
#pragma once

#include <QByteArray>
#include <QString>

namespace ronvalo::web {

// The hash of `password` (its UTF-8 bytes), new salt each time. Raises ronvalo::Exception when
// the library cannot start or the memory for the hash is not there.
QString hashPassword(const QString& password);

// Whether `password` is the one `hash` was made of; false for a hash that is not one. Takes the
// same time for a right and a wrong password.
bool verifyPassword(const QString& hash, const QString& password);

// `size` bytes from the system's random source.
QByteArray randomBytes(int size);

// Starts libsodium, once per process; raises ronvalo::Exception when it cannot.
void startSodium();

} // namespace ronvalo::web

// A connection to a PostgreSQL server through Qt's QPSQL driver, from a libpq connection string
// ("host=... dbname=ronvalo user=..."). Passwords come from libpq's own means (~/.pgpass,
// PGPASSFILE, a service file), never from the program.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <chrono>

#include "core/common/exception.h"
#include "core/store/owned_connection.h"

namespace ronvalo {

class ServerDriver;

// The server could not be reached, refused the login, stopped answering, or another site holds
// the lock a command needs; the message names the server and says which.
class EServerUnreachable : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};

// How long a connection attempt may take before it gives up, in seconds, unless the connection
// string sets its own connect_timeout.
inline constexpr int serverConnectTimeout = 5;

// The limits every site's session runs under, set by the program on its connection. A
// statement the server takes longer over is cancelled by the server; a lock not granted in time
// fails the statement that waits for it; a transaction left idle (its site vanished) is ended.
inline constexpr std::chrono::seconds serverStatementLimit{6};
inline constexpr std::chrono::seconds serverLockLimit{4};
inline constexpr std::chrono::seconds serverIdleTransactionLimit{20};
// How long the program waits for one answer of the server before it takes the server for
// stalled and cuts the connection: above the statement limit, so that a server that answers
// cancels a slow statement itself first.
inline constexpr std::chrono::seconds serverAnswerLimit{8};

// The connection of Qt's own driver that ServerDriver makes its calls on; a base of
// ServerConnection made before and removed after the connection that wraps it.
class QpsqlConnection {
protected:
    struct Inner : OwnedConnection {
        Inner() : OwnedConnection(QStringLiteral("QPSQL")) {}
    } qpsql_;
};

class ServerConnection : private QpsqlConnection, public OwnedConnection {
public:
    // Opens at once; isOpen() and lastError() tell how it went. Connecting and every statement
    // later are waited for with the windows painting (see ServerDriver).
    explicit ServerConnection(const QString& connectionString,
                              std::chrono::milliseconds answerLimit = serverAnswerLimit);

    // The server stopped answering and the connection was cut: it is of no more use.
    bool broken() const;

private:
    ServerDriver* driver_; // owned by the connection
};

// The connection string as the program passes it to libpq: the caller's, with the program's
// limits and keepalives added where it sets none of its own.
QString sessionConnectionString(const QString& connectionString);

// The server a connection string names, for messages: its host (and port), or "localhost".
QString serverName(const QString& connectionString);

// The message shown when the server cannot be reached or refuses the login: the driver's
// first line says why.
QString serverUnreachableMessage(const QString& connectionString, const QSqlError& error);

// Whether a statement failed because the server stopped answering (or the connection was in use
// by another statement): the error's text names the server and says so.
bool serverStopped(const QSqlError& error);

// Whether a statement failed because a lock it waited for was not granted within the limit.
bool lockNotGranted(const QSqlError& error);

} // namespace ronvalo

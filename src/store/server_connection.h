// A connection to a PostgreSQL server through Qt's QPSQL driver, from a libpq connection string
// ("host=... dbname=ronvalo user=..."). Passwords come from libpq's own means (~/.pgpass,
// PGPASSFILE, a service file), never from the program.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include "common/exception.h"
#include "store/owned_connection.h"

namespace ronvalo {

// The server could not be reached or refused the login; the message names it.
class EServerUnreachable : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};

// How long a connection attempt may take before it gives up, in seconds, unless the connection
// string sets its own connect_timeout.
inline constexpr int serverConnectTimeout = 5;

class ServerConnection : public OwnedConnection {
public:
    // Opens at once; isOpen() and lastError() tell how it went.
    explicit ServerConnection(const QString& connectionString);
};

// The server a connection string names, for messages: its host (and port), or "localhost".
QString serverName(const QString& connectionString);

// The message shown when the server cannot be reached or refuses the login: the driver's
// first line says why.
QString serverUnreachableMessage(const QString& connectionString, const QSqlError& error);

// Tries a connection on a thread of its own while this one keeps the windows painted (input
// excluded), as a server that is down takes the whole connect timeout to say so. Raises
// EServerUnreachable when it fails.
void probeServer(const QString& connectionString);

} // namespace ronvalo

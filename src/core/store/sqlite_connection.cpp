#include "core/store/sqlite_connection.h"

namespace ronvalo {

SqliteConnection::SqliteConnection(const QString& path, const QString& options)
    : OwnedConnection(QStringLiteral("QSQLITE")) {
    db_.setDatabaseName(path);
    db_.setConnectOptions(options);
    db_.open();
}

} // namespace ronvalo

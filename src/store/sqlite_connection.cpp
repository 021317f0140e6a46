#include "store/sqlite_connection.h"

#include <QUuid>

namespace ronvalo {

SqliteConnection::SqliteConnection(const QString& path, const QString& options)
    : name_(QStringLiteral("sqlite-") + QUuid::createUuid().toString()) {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(options);
    db_.open();
}

SqliteConnection::~SqliteConnection() {
    db_.close();
    // Qt removes a connection only when no handle to it is left.
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

} // namespace ronvalo

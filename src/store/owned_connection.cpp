#include "store/owned_connection.h"

#include <QUuid>

namespace ronvalo {

OwnedConnection::OwnedConnection(const QString& driver)
    : name_(driver + QLatin1Char('-') + QUuid::createUuid().toString()),
      db_(QSqlDatabase::addDatabase(driver, name_)) {}

OwnedConnection::~OwnedConnection() {
    db_.close();
    // Qt removes a connection only when no handle to it is left.
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

} // namespace ronvalo

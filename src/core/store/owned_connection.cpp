#include "core/store/owned_connection.h"

#include <QUuid>

namespace ronvalo {

namespace {

QString uniqueName(const QString& kind) {
    return kind + QLatin1Char('-') + QUuid::createUuid().toString();
}

} // namespace

OwnedConnection::OwnedConnection(const QString& driver)
    : name_(uniqueName(driver)), db_(QSqlDatabase::addDatabase(driver, name_)) {}

OwnedConnection::OwnedConnection(QSqlDriver* driver, const QString& kind)
    : name_(uniqueName(kind)), db_(QSqlDatabase::addDatabase(driver, name_)) {}

OwnedConnection::~OwnedConnection() {
    db_.close();
    // Qt removes a connection only when no handle to it is left.
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

} // namespace ronvalo

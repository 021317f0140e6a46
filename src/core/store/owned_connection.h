// A database connection of its own: added under a unique name, and closed and removed when the
// object goes. Queries made on it must be gone before it, as with any QSqlDatabase.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace ronvalo {

class OwnedConnection {
public:
    OwnedConnection(const OwnedConnection&) = delete;
    OwnedConnection& operator=(const OwnedConnection&) = delete;

    bool isOpen() const { return db_.isOpen(); }
    QSqlError lastError() const { return db_.lastError(); }
    QSqlDatabase& database() { return db_; }

protected:
    // Adds the connection of Qt's `driver` ("QSQLITE", "QPSQL"), not yet opened.
    explicit OwnedConnection(const QString& driver);
    // Adds a connection of a driver of the program's own, which the connection then owns;
    // `kind` starts its name.
    OwnedConnection(QSqlDriver* driver, const QString& kind);
    ~OwnedConnection();

private:
    QString name_;

protected:
    QSqlDatabase db_;
};

} // namespace ronvalo

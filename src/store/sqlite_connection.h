// A SQLite connection of its own: added under a unique name, opened, and closed and removed when
// the object goes. Queries made on it must be gone before it, as with any QSqlDatabase.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace ronvalo {

class SqliteConnection {
public:
    // Opens `path` with Qt's SQLite connect options (e.g. "QSQLITE_OPEN_READONLY"); isOpen() and
    // lastError() tell how it went.
    explicit SqliteConnection(const QString& path, const QString& options = {});
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool isOpen() const { return db_.isOpen(); }
    QSqlError lastError() const { return db_.lastError(); }
    QSqlDatabase& database() { return db_; }

private:
    QString name_;
    QSqlDatabase db_;
};

} // namespace ronvalo

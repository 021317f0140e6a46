// A SQLite connection of its own, opened at once on one file.
#pragma once

#include <QString>

#include "core/store/owned_connection.h"

namespace ronvalo {

class SqliteConnection : public OwnedConnection {
public:
    // Opens `path` with Qt's SQLite connect options (e.g. "QSQLITE_OPEN_READONLY"); isOpen() and
    // lastError() tell how it went.
    explicit SqliteConnection(const QString& path, const QString& options = {});
};

} // namespace ronvalo

// A snapshot of the server's tables as the local files: the three tables and Obchody.db, the
// same SQLite files as db/ holds, so that any SQLite tool opens a server's backup.
#pragma once

#include <QString>
#include <functional>

namespace ronvalo {

class TDM3;

// Writes the table files into `base`/db/ (`base` ending in "/"), which must hold none of them
// yet, as ronvalo-newdb makes them, from one consistent moment of the server's tables (a single
// read-only transaction). `progress` is called every few thousand rows. Raises EDatabaseError
// naming the server or the file; the files written so far are left for the caller to remove.
void writeServerSnapshot(TDM3& dm, const QString& base, const std::function<void()>& progress);

} // namespace ronvalo

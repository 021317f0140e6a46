// The table files in the database folder: finding one by name, and checking that a file holds
// this program's tables before the module's connection opens it.
#pragma once

#include <QString>

#include "platform/files.h"

namespace ronvalo {

struct TableSchema;

namespace table_files {

// The file `fileName` in `folder` (ending in "/"), its name matched without regard to case; the
// name as given when no file matches.
QString pathIn(const QString& folder, const QString& fileName);

bool missing(const platform::ReadAccess& access);

// What keeps this account from reading the file at `path`, in the opening messages' words;
// empty when nothing does, or when only the engine can tell (its message then says why).
QString refusal(const QString& path, const platform::ReadAccess& access);

// Opens the file on a private connection and compares the table's fields; empty when the file
// holds this program's table, otherwise why not.
QString validateTableFile(const QString& path, const TableSchema& schema, bool readOnly);

// The same for the rounds' file and every table in it; other tables an operator added are left
// alone. A file without the table of the chain's changes sets `changesMissing`; one without the
// web service's accounts, `accountsMissing`.
QString validateRoundsFile(const QString& path, bool readOnly, bool* changesMissing,
                           bool* accountsMissing);

// Adds the table of the chain's changes to a file made by the release before; an empty text
// when done.
QString addChangesTable(const QString& path);

} // namespace table_files
} // namespace ronvalo

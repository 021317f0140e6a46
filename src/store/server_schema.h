// The tables on a PostgreSQL server: the three tables with their field names in schemas named
// as the local connection attaches their files (main, cz, nr), the rounds' tables and the
// archive in ob, and the last transmission of every instrument for the repeat test. Queries
// written for the local files run there unchanged.
#pragma once

#include <QString>
#include <QStringList>

namespace ronvalo {

// The schemas the server's tables live in.
const QStringList& serverSchemas();

// The statements that make the schemas and their empty tables, in order.
const QStringList& serverSchemaStatements();

// Makes the schema on the server the connection string names, all or nothing. Refuses when any
// of the schemas exists already, touching nothing. Returns false with `error` set (a Polish
// message naming the server).
bool createServerDatabase(const QString& connectionString, QString* error);

} // namespace ronvalo

// The tables on a PostgreSQL server: the three tables with their field names in schemas named
// as the local connection attaches their files (main, cz, nr), the rounds' tables and the
// archive in ob, and the last transmission of every instrument for the repeat test. Queries
// written for the local files run there unchanged.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ronvalo {

struct TableSchema;

// One of the local tables as it stands on the server: its schema there and its fields.
struct ServerTable {
    QString schema; // "main", "cz", "nr" or "ob"
    const TableSchema* table;
};

// The three tables and Obchody.db's, in that order.
const QList<ServerTable>& serverTables();

// A field's name as the server keeps it: unquoted names fold to lower case, "Do" is quoted.
QString serverFieldName(const QString& field);
QStringList serverFieldNames(const TableSchema& table);

// The schemas the server's tables live in.
const QStringList& serverSchemas();

// The statements that make the schemas and their empty tables, in order.
const QStringList& serverSchemaStatements();

// Makes the schema on the server the connection string names, all or nothing: the tables, owned
// by the role that logs in (the administrator's), and the sites' group role with its rights
// (server_rights.h). Refuses when any of the schemas exists already, touching nothing. Returns
// false with `error` set (a Polish message naming the server).
bool createServerDatabase(const QString& connectionString, QString* error);

// On the tables of an earlier release: adds the tables that are missing, and makes the sites'
// group role, its rights and the archive's trigger anew, all or nothing. Refuses when the tables
// are not there, or when any of them belongs to another role than the one logged in.
bool addServerRights(const QString& connectionString, QString* error);

} // namespace ronvalo

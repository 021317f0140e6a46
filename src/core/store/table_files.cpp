// Finding the table files in the database folder and checking what they hold, each on a private
// connection of its own.
#include "core/store/table_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <optional>

#include "core/store/schema.h"
#include "core/store/sqlite_connection.h"

namespace ronvalo::table_files {

namespace {

// The fields of `table` in the file open on `file`, in order; nullopt with `error` set when the
// file cannot be read.
std::optional<QStringList> fieldsOf(SqliteConnection& file, const QString& table, QString* error) {
    if (!file.isOpen()) {
        *error = file.lastError().text();
        return std::nullopt;
    }
    QSqlQuery query(file.database());
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    QStringList fields;
    while (query.next())
        fields << query.value(1).toString();
    return fields;
}

// Empty when `table` in the file open on `file` is a table, or is not there at all (which the
// comparison of its fields finds); otherwise what it is instead. A view under the table's name
// would be read as the table: one that never ends (a recursive one) would hold every reader, and
// one that makes rows up would pass for them.
QString notATable(SqliteConnection& file, const QString& table) {
    if (!file.isOpen())
        return {};
    QSqlQuery query(file.database());
    query.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return {};
    const QString type = query.value(0).toString();
    if (type == QStringLiteral("table"))
        return {};
    return QStringLiteral("%1 nie jest tabelą, lecz %2")
        .arg(table, type == QStringLiteral("view") ? QStringLiteral("widokiem")
                                                   : QStringLiteral("obiektem typu ") + type);
}

// The options of a private connection that checks a file. A program that writes opens it for
// writing too: a write cut off by a crash left a journal that SQLite rolls back at the first
// reading, and a read-only connection cannot, so it would refuse the table for good.
QString checkingOptions(bool readOnly) {
    return readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY") : QString();
}

// The table of the chain's rows that are not downloads, which a file made by the release before
// it lacks.
bool isChangesTable(const TableSchema& table) {
    return table.tableName == QStringLiteral("ArchiwumZmian");
}

} // namespace

QString pathIn(const QString& folder, const QString& fileName) {
    const auto name = platform::findNameIgnoringCase(folder.toStdString(), fileName.toStdString());
    return folder + (name ? QString::fromStdString(*name) : fileName);
}

QString validateTableFile(const QString& path, const TableSchema& schema, bool readOnly) {
    SqliteConnection file(path, checkingOptions(readOnly));
    QString error;
    if (const QString what = notATable(file, schema.tableName); !what.isEmpty())
        return QStringLiteral("to nie jest tabela %1 programu (%2)").arg(schema.tableName, what);
    const auto fields = fieldsOf(file, schema.tableName, &error);
    if (!fields)
        return error;
    if (*fields != schema.fields)
        return QStringLiteral("to nie jest tabela %1 programu").arg(schema.tableName);
    return {};
}

QString validateRoundsFile(const QString& path, bool readOnly, bool* changesMissing,
                           bool* accountsMissing) {
    SqliteConnection file(path, checkingOptions(readOnly));
    *changesMissing = false;
    *accountsMissing = false;
    for (const TableSchema& table : roundsSchema().tables) {
        if (const QString what = notATable(file, table.tableName); !what.isEmpty())
            return QStringLiteral("to nie jest plik tabel obchodów programu (%1)").arg(what);
        QString error;
        const auto fields = fieldsOf(file, table.tableName, &error);
        if (!fields)
            return QStringLiteral("plik jest uszkodzony (%1)").arg(error);
        if (fields->isEmpty() && isChangesTable(table)) {
            *changesMissing = true;
            continue;
        }
        if (*fields != table.fields)
            return QStringLiteral("to nie jest plik tabel obchodów programu (tabela %1)")
                .arg(table.tableName);
    }
    QString error;
    const auto accounts = fieldsOf(file, QStringLiteral("Konta"), &error);
    if (!accounts)
        return QStringLiteral("plik jest uszkodzony (%1)").arg(error);
    *accountsMissing = accounts->isEmpty();
    return {};
}

bool missing(const platform::ReadAccess& access) {
    return access.error.kind() == platform::OsErrorKind::NotFound ||
           access.error.kind() == platform::OsErrorKind::PathNotFound;
}

QString refusal(const QString& path, const platform::ReadAccess& access) {
    if (access.error.kind() != platform::OsErrorKind::AccessDenied)
        return {};
    if (access.folderRefused)
        return QStringLiteral("brak dostępu do folderu %1")
            .arg(QDir::toNativeSeparators(QFileInfo(path).path()));
    return QStringLiteral("brak uprawnień do odczytu pliku");
}

QString addChangesTable(const QString& path) {
    SqliteConnection file(path);
    QSqlQuery query(file.database());
    for (const TableSchema& table : roundsSchema().tables)
        if (isChangesTable(table))
            for (const QString& statement : table.createStatements)
                if (!query.exec(statement))
                    return query.lastError().text();
    return {};
}

} // namespace ronvalo::table_files

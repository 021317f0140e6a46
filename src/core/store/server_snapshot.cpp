// Copying the server's tables row by row into new SQLite files. Every field is copied as it is,
// the numbering fields included, so that the files hold exactly the server's rows.
#include "core/store/server_snapshot.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <optional>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/server_schema.h"
#include "core/store/sqlite_connection.h"

namespace ronvalo {

namespace {

constexpr int rowsBetweenProgress = 4096;

// The local file a server's table goes to.
QString fileOf(const ServerTable& table) {
    return table.schema == QStringLiteral("ob") ? roundsSchema().fileName : table.table->fileName;
}

QString quotedFields(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields)
        quoted << QLatin1Char('"') + field + QLatin1Char('"');
    return quoted.join(QStringLiteral(", "));
}

[[noreturn]] void fail(const QString& where, const QSqlError& error) {
    throw EDatabaseError(where + QStringLiteral(": ") + error.text());
}

// Copies one table's rows from the server into the open file, in one transaction of the file.
void copyRows(QSqlDatabase& server, const QString& serverName, const ServerTable& source,
              SqliteConnection& file, const QString& filePath,
              const std::function<void()>& progress) {
    QSqlQuery read(server);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2.%3")
                       .arg(quotedFields(serverFieldNames(*source.table)), source.schema,
                            source.table->tableName)))
        fail(serverName, read.lastError());
    QStringList marks;
    for (qsizetype i = 0; i < source.table->fields.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery write(file.database());
    if (!write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(source.table->tableName, quotedFields(source.table->fields),
                                marks.join(QStringLiteral(", ")))))
        fail(filePath, write.lastError());
    qint64 rows = 0;
    while (read.next()) {
        for (int i = 0; i < int(source.table->fields.size()); ++i)
            write.bindValue(i, read.value(i));
        if (!write.exec())
            fail(filePath, write.lastError());
        if (++rows % rowsBetweenProgress == 0 && progress)
            progress();
    }
    if (read.lastError().isValid())
        fail(serverName, read.lastError());
}

} // namespace

void writeServerSnapshot(TDM3& dm, const QString& base, const std::function<void()>& progress) {
    // The files' own statements make them; only the rows come from the server.
    QString error;
    if (!createEmptyDatabase(base, &error))
        throw EDatabaseError(error);
    const QString folder = base + QStringLiteral("db/");
    QSqlDatabase& server = dm.roundsDatabase();
    const QString serverName = dm.roundsFilePath();
    QSqlQuery snapshot(server);
    // One moment for every table: a download stored meanwhile by another site is in all of them
    // or in none.
    if (!snapshot.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
        fail(serverName, snapshot.lastError());
    // A table is read as one statement, at the pace the files take its rows: longer than the
    // session's statement limit allows, each row still arriving within the answer limit.
    if (!snapshot.exec(QStringLiteral("SET LOCAL statement_timeout = '30min'"))) {
        const QSqlError error = snapshot.lastError();
        snapshot.exec(QStringLiteral("ROLLBACK"));
        fail(serverName, error);
    }
    try {
        QString openPath;
        std::optional<SqliteConnection> file;
        for (const ServerTable& table : serverTables()) {
            const QString path = folder + fileOf(table);
            if (path != openPath) {
                if (file && !file->database().commit())
                    fail(openPath, file->database().lastError());
                file.reset();
                file.emplace(path);
                if (!file->isOpen() || !file->database().transaction())
                    fail(path, file->database().lastError());
                openPath = path;
            }
            copyRows(server, serverName, table, *file, path, progress);
        }
        if (file && !file->database().commit())
            fail(openPath, file->database().lastError());
    } catch (...) {
        snapshot.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    snapshot.exec(QStringLiteral("COMMIT"));
}

} // namespace ronvalo

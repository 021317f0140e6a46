// Copying the server's tables row by row into new SQLite files. Every field is copied as it is,
// the numbering fields included, so that the files hold exactly the server's rows.
#include "store/server_snapshot.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <optional>

#include "common/exception.h"
#include "store/data_module.h"
#include "store/schema.h"
#include "store/sqlite_connection.h"

namespace ronvalo {

namespace {

constexpr int rowsBetweenProgress = 4096;

// One of the server's tables and the file it goes to.
struct SnapshotTable {
    QString schemaName; // on the server
    const TableSchema* table;
    QString fileName; // in the folder
};

QList<SnapshotTable> snapshotTables() {
    QList<SnapshotTable> tables{{"main", &punchSchema(), punchSchema().fileName},
                                {"cz", &readerSchema(), readerSchema().fileName},
                                {"nr", &downloadSchema(), downloadSchema().fileName}};
    for (const TableSchema& table : roundsSchema().tables)
        tables.append({"ob", &table, roundsSchema().fileName});
    return tables;
}

QString quotedFields(const TableSchema& table) {
    QStringList fields;
    for (const QString& field : table.fields)
        fields << QLatin1Char('"') + (field == QStringLiteral("Do") ? field : field.toLower()) +
                      QLatin1Char('"');
    return fields.join(QStringLiteral(", "));
}

[[noreturn]] void fail(const QString& where, const QSqlError& error) {
    throw EDatabaseError(where + QStringLiteral(": ") + error.text());
}

// Copies one table's rows from the server into the open file, in one transaction of the file.
void copyRows(QSqlDatabase& server, const QString& serverName, const SnapshotTable& source,
              SqliteConnection& file, const QString& filePath,
              const std::function<void()>& progress) {
    QSqlQuery read(server);
    read.setForwardOnly(true);
    if (!read.exec(
            QStringLiteral("SELECT %1 FROM %2.%3")
                .arg(quotedFields(*source.table), source.schemaName, source.table->tableName)))
        fail(serverName, read.lastError());
    QStringList marks;
    for (qsizetype i = 0; i < source.table->fields.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery write(file.database());
    QStringList fields;
    for (const QString& field : source.table->fields)
        fields << QLatin1Char('"') + field + QLatin1Char('"');
    if (!write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(source.table->tableName, fields.join(QStringLiteral(", ")),
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
    try {
        QString openPath;
        std::optional<SqliteConnection> file;
        for (const SnapshotTable& table : snapshotTables()) {
            const QString path = folder + table.fileName;
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

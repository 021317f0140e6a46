// What the data module does only on a PostgreSQL server: opening the tables, checking them all
// once connected, making a dropped connection anew, and the server's own statements of the import.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/server_schema.h"
#include "core/store/statement_failure.h"

namespace ronvalo {

using statement_failure::fail;

void TTable::openOnServer() {
    // The server's tables are checked once connected, all at once; a server that cannot be
    // reached leaves the last table closed, so that the next Open() tries again.
    active_ = true;
    try {
        module_.tableOpened();
    } catch (...) {
        active_ = false;
        throw;
    }
}

// Every table of the three and of Obchody.db must be on the server with this program's fields,
// or none is opened: a message names the server and the first table that is not right.
void TDM3::connectToServer() {
    serverConnection_.emplace(server_);
    if (!serverConnection_->isOpen()) {
        const QSqlError error = serverConnection_->lastError();
        serverConnection_.reset();
        throw EServerUnreachable(serverUnreachableMessage(server_, error));
    }
    serverIdle_.start();
    QSqlQuery query(serverConnection_->database());
    // Only a base table: a view under a table's name (one that never ends, or one that makes
    // rows up) would be read as the table.
    query.prepare(
        QStringLiteral("SELECT c.column_name FROM information_schema.columns c "
                       "JOIN information_schema.tables t "
                       "ON t.table_schema = c.table_schema AND t.table_name = c.table_name "
                       "WHERE c.table_schema = ? AND c.table_name = ? "
                       "AND t.table_type = 'BASE TABLE' "
                       "ORDER BY c.ordinal_position"));
    for (const auto& [schemaName, table] : serverTables()) {
        query.bindValue(0, schemaName);
        query.bindValue(1, table->tableName.toLower());
        QStringList fields;
        if (query.exec())
            while (query.next())
                fields << query.value(0).toString();
        if (fields != serverFieldNames(*table)) {
            const QString problem = query.lastError().isValid()
                                        ? query.lastError().text()
                                        : QStringLiteral("brak tabeli programu (albo widok "
                                                         "w jej miejscu)");
            query = QSqlQuery();
            disconnect();
            throw EDatabaseError(QStringLiteral("Nie można otworzyć tabeli %1 na serwerze %2: %3")
                                     .arg(table->tableName, serverName(server_), problem));
        }
    }
}

namespace {

// How long a server's connection may stay unused before it is tried before the next statement.
constexpr qint64 serverIdleMs = 2000;

} // namespace

void TDM3::reconnectIfDropped() {
    if (inTransaction_ || !serverIdle_.isValid() || serverIdle_.elapsed() < serverIdleMs)
        return;
    serverIdle_.start();
    QSqlQuery probe(serverConnection_->database());
    if (probe.exec(QStringLiteral("SELECT 1")))
        return;
    const QSqlError error = probe.lastError();
    probe = QSqlQuery();
    disconnect();
    // A server that stopped answering is not tried again by the same command: a new
    // connection would wait out its whole connect timeout too. The next command tries.
    if (serverStopped(error))
        throw EServerUnreachable(error.text());
    connectToServer();
}

QSqlDatabase& TDM3::serverDatabase() {
    // A connection cut off when the server stopped answering is made anew, though never
    // inside a transaction: its rollback fails at once on the old one.
    if (serverConnection_ && serverConnection_->broken() && !inTransaction_)
        disconnect();
    // A server that was down when last tried is tried again by the next command: the
    // tables it left closed open now, and the last of them connects.
    if (!serverConnection_)
        openTables();
    if (!serverConnection_)
        connectToServer();
    reconnectIfDropped();
    serverIdle_.start();
    return serverConnection_->database();
}

// Statements of the server's own: the local files have no such table, and SQLite lets one
// writer in at a time anyway.
void TDM3::lockImports() {
    QSqlQuery query(database());
    if (query.exec(QStringLiteral("LOCK TABLE ob.Transmisje IN SHARE ROW EXCLUSIVE MODE")))
        return;
    // The wait is bounded by the session's lock limit; the transaction then rolls back whole.
    if (lockNotGranted(query.lastError()))
        throw EServerUnreachable(
            QStringLiteral("Inne stanowisko zapisuje teraz odczyt na serwerze %1. Nic nie zostało "
                           "zapisane; spróbuj ponownie za chwilę.")
                .arg(serverName(server_)));
    fail(roundsFilePath(), query.lastError());
}

std::optional<QByteArray> TDM3::storedTransmission(const QString& instrument) {
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT Tresc FROM ob.Transmisje WHERE NrCzytnika = ?"));
    query.addBindValue(instrument);
    if (!query.exec())
        fail(roundsFilePath(), query.lastError());
    if (!query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

// Replaced in place: a site may add and update transmissions, never delete them.
void TDM3::storeTransmission(const QString& instrument, const QByteArray& lines) {
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO ob.Transmisje (NrCzytnika, Tresc) VALUES (?, ?) "
                                 "ON CONFLICT (NrCzytnika) DO UPDATE SET Tresc = EXCLUDED.Tresc"));
    query.addBindValue(instrument);
    query.addBindValue(lines);
    if (!query.exec())
        fail(roundsFilePath(), query.lastError());
}

} // namespace ronvalo

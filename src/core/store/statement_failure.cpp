// Raising the data module's failures.
#include "core/store/statement_failure.h"

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/server_connection.h"

namespace ronvalo::statement_failure {

void fail(const QString& what, const QSqlError& error) {
    // A server that stopped answering is named by the error itself, and said to be away
    // whatever the statement was.
    if (serverStopped(error))
        throw EServerUnreachable(error.text());
    throw EDatabaseError(what + QStringLiteral(": ") + error.text());
}

// The table's file is named only on failure: finding it means listing the folder.
void exec(QSqlQuery& query, const TTable& table) {
    if (!query.exec())
        fail(table.filePath(), query.lastError());
}

} // namespace ronvalo::statement_failure

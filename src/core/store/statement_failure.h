// How a statement of the data module fails: an EDatabaseError naming the table's file, or an
// EServerUnreachable when the server stopped answering.
#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace ronvalo {

class TTable;

namespace statement_failure {

[[noreturn]] void fail(const QString& what, const QSqlError& error);

// Executes `query`, raising on failure.
void exec(QSqlQuery& query, const TTable& table);

} // namespace statement_failure
} // namespace ronvalo

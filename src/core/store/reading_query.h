// Queries that are only read forward, on either engine.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace ronvalo {

// Marks a query that is read forward only. On the local files that saves memory. A server's
// driver would then read the result row by row from the connection, which takes no other
// statement until that result ends; the program's readers nest statements (a download's punches
// inside the archive's rows, a plan's steps inside the plans), so there the result is read whole.
inline void readForward(QSqlQuery& query, const QSqlDatabase& db) {
    query.setForwardOnly(db.driverName() == QLatin1String("QSQLITE"));
}

class TDM3;

// A statement on the rounds' connection (Obchody.db's tables and the three): prepared, bound
// with `values` in order, executed and read forward; a failure raises EDatabaseError naming
// Obchody.db (or the server).
QSqlQuery runRoundsQuery(TDM3& dm, const QString& sql, const QVariantList& values = {});

} // namespace ronvalo

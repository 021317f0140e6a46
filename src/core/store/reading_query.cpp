// Statements on the rounds' connection.
#include "core/store/reading_query.h"

#include <QSqlError>
#include <QVariant>

#include "core/common/exception.h"
#include "core/store/data_module.h"

namespace ronvalo {

QSqlQuery runRoundsQuery(TDM3& dm, const QString& sql, const QVariantList& values) {
    QSqlQuery query(dm.roundsDatabase());
    readForward(query, dm.roundsDatabase());
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        throw EDatabaseError(dm.roundsFilePath() + QStringLiteral(": ") + query.lastError().text());
    return query;
}

} // namespace ronvalo

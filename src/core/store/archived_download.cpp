// Reading one archived transmission.
#include "core/store/archived_download.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/store/reading_query.h"

namespace ronvalo {

std::optional<QByteArray> archivedTransmission(TDM3& dm, qint32 download) {
    QSqlQuery row = runRoundsQuery(
        dm, QStringLiteral("SELECT Tresc FROM ob.Archiwum WHERE Nrodczytu = ?"), {download});
    if (!row.next())
        return std::nullopt;
    return row.value(0).toByteArray();
}

} // namespace ronvalo

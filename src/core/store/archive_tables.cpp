// The archive check's questions to the tables themselves.
#include "core/store/archive_tables.h"

#include <QSqlQuery>

#include "core/store/data_module.h"
#include "core/store/reading_query.h"

namespace ronvalo {

qint64 chainRowCount(TDM3& dm) {
    QSqlQuery count = runRoundsQuery(dm, QStringLiteral("SELECT COUNT(*) FROM ob.Archiwum"));
    qint64 rows = count.next() ? count.value(0).toLongLong() : 0;
    count = QSqlQuery();
    if (!dm.roundsChangesMissing()) {
        QSqlQuery changes =
            runRoundsQuery(dm, QStringLiteral("SELECT COUNT(*) FROM ob.ArchiwumZmian"));
        rows += changes.next() ? changes.value(0).toLongLong() : 0;
    }
    return rows;
}

QList<PunchesWithoutDownload> punchGroupsWithoutDownload(TDM3& dm) {
    const QString sql =
        dm.onServer()
            ? QStringLiteral("SELECT 'integer', NrSczytania, COUNT(*), MIN(AutoNr) "
                             "FROM main.Odbicia o WHERE NOT EXISTS (SELECT 1 FROM nr.NrOdc d "
                             "WHERE d.Nrodczytu = o.NrSczytania) "
                             "GROUP BY NrSczytania ORDER BY MIN(AutoNr)")
            : QStringLiteral("SELECT typeof(NrSczytania), NrSczytania, COUNT(*), MIN(AutoNr) "
                             "FROM main.Odbicia o WHERE typeof(NrSczytania) <> 'integer' "
                             "OR NOT EXISTS (SELECT 1 FROM nr.NrOdc d "
                             "WHERE d.Nrodczytu = o.NrSczytania) "
                             "GROUP BY typeof(NrSczytania), NrSczytania ORDER BY MIN(AutoNr)");
    QSqlQuery groups = runRoundsQuery(dm, sql);
    QList<PunchesWithoutDownload> found;
    while (groups.next())
        found << PunchesWithoutDownload{groups.value(0).toString(), groups.value(1),
                                        groups.value(2).toLongLong(), groups.value(3).toLongLong()};
    return found;
}

std::optional<qint64> downloadCounter(TDM3& dm) {
    QSqlQuery counter(dm.roundsDatabase());
    const bool read =
        counter.exec(QStringLiteral("SELECT seq FROM nr.sqlite_sequence WHERE name = 'NrOdc'"));
    if (!read || !counter.next() || counter.value(0).isNull())
        return std::nullopt;
    return counter.value(0).toLongLong();
}

} // namespace ronvalo

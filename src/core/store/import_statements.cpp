// The statements of an import on the three tables: a download's punches, its reader and its
// number; with the lists of the readers and downloads those tables hold.
#include <QSqlError>
#include <QVariant>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/statement_failure.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

using statement_failure::exec;

void TDM3::insertPunch(const Punch& punch) {
    QSqlQuery& query = prepared(insertPunch_, tbOdbicia,
                                "INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, "
                                "Nrczyt, NrSczytania) VALUES (?, ?, ?, ?, ?)");
    query.bindValue(0, storedDate(punch.Data));
    query.bindValue(1, storedTime(punch.Czas));
    query.bindValue(2, punch.Nrwewpkt);
    query.bindValue(3, punch.Nrczyt.left(10));
    query.bindValue(4, punch.NrSczytania);
    exec(query, tbOdbicia);
}

bool TDM3::findReader(const QString& instrument) {
    QSqlQuery& query =
        prepared(findReader_, tbCzytniki, "SELECT 1 FROM cz.Czytniki WHERE NrCzytnika = ?");
    query.bindValue(0, instrument);
    exec(query, tbCzytniki);
    const bool found = query.next();
    query.finish();
    return found;
}

void TDM3::insertReader(const QString& instrument) {
    QSqlQuery& query =
        prepared(insertReader_, tbCzytniki, "INSERT INTO cz.Czytniki (NrCzytnika) VALUES (?)");
    query.bindValue(0, instrument);
    exec(query, tbCzytniki);
}

QStringList TDM3::readers() {
    QSqlQuery query(database());
    query.prepare("SELECT NrCzytnika FROM cz.Czytniki ORDER BY NrCzytnika");
    exec(query, tbCzytniki);
    QStringList result;
    while (query.next())
        result << query.value(0).toString();
    return result;
}

// The number comes back from the insert itself: on a server another site's download may be
// numbered between this insert and any later query.
qint32 TDM3::appendDownload(const QDateTime& data) {
    QSqlQuery& query = prepared(insertDownload_, tbNrOdc,
                                "INSERT INTO nr.NrOdc (Data) VALUES (?) RETURNING Nrodczytu");
    query.bindValue(0, storedDateTime(data));
    exec(query, tbNrOdc);
    if (!query.next())
        throw EDatabaseError(tbNrOdc.filePath());
    const qint32 number = query.value(0).toInt();
    query.finish();
    return number;
}

QList<qint32> TDM3::downloads() {
    QSqlQuery query(database());
    query.prepare("SELECT Nrodczytu FROM nr.NrOdc ORDER BY Nrodczytu");
    exec(query, tbNrOdc);
    QList<qint32> result;
    while (query.next())
        result << query.value(0).toInt();
    return result;
}

} // namespace ronvalo

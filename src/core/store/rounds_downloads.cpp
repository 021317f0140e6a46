// The downloads' transfers and clocks and the instruments' latest punches, read on the data
// module's one connection.
#include "core/store/rounds_downloads.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// Rows of Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika as clocks.
QList<DownloadClock> readDownloadClocks(QSqlQuery& rows) {
    QList<DownloadClock> clocks;
    while (rows.next()) {
        ArchiveRow row;
        row.received = receivedFromStored(rows.value(2).toString());
        if (!rows.value(3).isNull())
            row.instrumentClock = instrumentClockFromStored(rows.value(3).toString());
        clocks.append({rows.value(0).toInt(), rows.value(1).toString(), row.received,
                       clockDriftMinutes(row)});
    }
    return clocks;
}

} // namespace

QList<DownloadClock> loadDownloadClocks(TDM3& dm, const QDate& from, const QDate& to) {
    QSqlQuery rows = runRoundsQuery(
        dm,
        // Each archived download looks for one punch of its own in the period through the
        // download index, where a list of the period's downloads took every punch of the period
        // (seconds for a year, even with an empty archive).
        QStringLiteral("SELECT a.Nrodczytu, a.NrCzytnika, a.Odebrano, a.ZegarCzytnika FROM "
                       "ob.Archiwum a WHERE EXISTS (SELECT 1 FROM main.Odbicia o WHERE "
                       "o.NrSczytania = a.Nrodczytu AND o.Data >= ? AND o.Data <= ?) "
                       "ORDER BY a.Nrodczytu"),
        {storedDate(from), storedDate(to)});
    return readDownloadClocks(rows);
}

QList<DownloadClock> loadLatestDownloadClocks(TDM3& dm) {
    QSqlQuery rows = runRoundsQuery(
        dm, QStringLiteral("SELECT a.Nrodczytu, a.NrCzytnika, a.Odebrano, a.ZegarCzytnika FROM "
                           "ob.Archiwum a WHERE a.Nrodczytu IN (SELECT MAX(b.Nrodczytu) FROM "
                           "ob.Archiwum b GROUP BY b.NrCzytnika) ORDER BY a.Nrodczytu"));
    return readDownloadClocks(rows);
}

namespace {

// NrOdc's Data as written ("2004-04-26 08:15:00"); a bare date counts from its midnight, the
// earliest the download can have been made.
QDateTime downloadMoment(const QString& text) {
    const QDateTime moment = receivedFromStored(text);
    if (moment.isValid())
        return moment;
    const QDate day = dateFromStored(text.left(10));
    return day.isValid() ? QDateTime(day, QTime(0, 0), Qt::UTC) : QDateTime();
}

} // namespace

QList<Transfer> loadTransfers(TDM3& dm) {
    QList<Transfer> transfers;
    QSqlQuery archived = runRoundsQuery(
        dm,
        QStringLiteral("SELECT Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika FROM ob.Archiwum"));
    while (archived.next()) {
        QDateTime moment;
        if (!archived.value(3).isNull())
            moment = instrumentClockFromStored(archived.value(3).toString());
        if (!moment.isValid())
            moment = receivedFromStored(archived.value(2).toString());
        transfers.append({archived.value(0).toInt(), archived.value(1).toString(), moment});
    }
    archived = QSqlQuery();
    // One download holds one instrument's punches: any of them names it.
    QSqlQuery older = runRoundsQuery(
        dm, QStringLiteral("SELECT d.Nrodczytu, d.Data, (SELECT o.Nrczyt FROM main.Odbicia o "
                           "WHERE o.NrSczytania = d.Nrodczytu LIMIT 1) FROM nr.NrOdc d "
                           "WHERE NOT EXISTS (SELECT 1 FROM ob.Archiwum a "
                           "WHERE a.Nrodczytu = d.Nrodczytu)"));
    while (older.next())
        if (!older.value(2).isNull())
            transfers.append({older.value(0).toInt(), older.value(2).toString(),
                              downloadMoment(older.value(1).toString())});
    return transfers;
}

QHash<QString, QDateTime> loadLatestPunches(TDM3& dm, const QStringList& instruments) {
    QHash<QString, QDateTime> latest;
    for (const QString& instrument : instruments) {
        QSqlQuery last =
            runRoundsQuery(dm,
                           QStringLiteral("SELECT Data, Czas FROM main.Odbicia WHERE Nrczyt = ? "
                                          "ORDER BY Data DESC, Czas DESC LIMIT 1"),
                           {instrument});
        if (last.next())
            latest.insert(instrument, QDateTime(dateFromStored(last.value(0).toString()),
                                                timeFromStored(last.value(1).toString()), Qt::UTC));
    }
    return latest;
}

} // namespace ronvalo

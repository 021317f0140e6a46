// The archive check's questions to the tables themselves.
#include "core/proof/archive_tables.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/proof/archive_punches.h"
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

namespace {

// How a stored value that is no download number is named: SQLite keeps the type of what was
// written, the server's column holds integers only.
QString storedNumberText(const QString& type, const QVariant& value) {
    if (type == QLatin1String("null"))
        return QStringLiteral("NULL");
    if (type == QLatin1String("integer"))
        return value.toString();
    if (type == QLatin1String("real"))
        return value.toString() + QStringLiteral(" (liczba niecałkowita)");
    if (type == QLatin1String("text"))
        return QLatin1Char('"') + value.toString() + QStringLiteral("\" (tekst)");
    return QStringLiteral("dane binarne");
}

} // namespace

QList<ArchiveFinding> punchesWithoutDownload(TDM3& dm) {
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
    QList<ArchiveFinding> findings;
    while (groups.next()) {
        const QString type = groups.value(0).toString();
        const qint64 rows = groups.value(2).toLongLong();
        const qint64 first = groups.value(3).toLongLong();
        const qint32 download = type == QLatin1String("integer") ? groups.value(1).toInt() : 0;
        findings << ArchiveFinding{
            ArchiveFindingKind::PunchWithoutDownload, download, QString(),
            QStringLiteral("Odbicia bez odczytu: NrSczytania %1 nie jest numerem żadnego "
                           "odczytu: %2 (od AutoNr %3)")
                .arg(storedNumberText(type, groups.value(1)),
                     countedText(rows, "wiersz", "wiersze", "wierszy"))
                .arg(first),
            first};
    }
    return findings;
}

QString countedText(qint64 count, const char* one, const char* few, const char* many) {
    const qint64 lastTwo = count % 100;
    const qint64 last = count % 10;
    const char* word = count == 1                                                 ? one
                       : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? few
                                                                                  : many;
    return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(word);
}

QList<ArchiveFinding> removedDownloads(TDM3& dm, const QList<qint32>& downloads) {
    // A server's sequence moves on outside transactions: an import that failed after taking its
    // number leaves a gap that no deletion made. There the sites cannot delete downloads at all;
    // SQLite's counter goes back with a rolled-back import, so a gap there was deleted.
    if (dm.onServer())
        return {};
    QSqlQuery counter(dm.roundsDatabase());
    const bool read =
        counter.exec(QStringLiteral("SELECT seq FROM nr.sqlite_sequence WHERE name = 'NrOdc'"));
    if (!read || !counter.next() || counter.value(0).isNull())
        return {};
    const qint64 numbered = counter.value(0).toLongLong();
    const qint64 last = downloads.isEmpty() ? 0 : downloads.last();
    if (numbered <= last)
        return {};
    return {ArchiveFinding{
        ArchiveFindingKind::DownloadsRemoved, static_cast<qint32>(last + 1), QString(),
        QStringLiteral("Usunięto najnowsze odczyty: tabela odczytów nadała już nr %1, a jej "
                       "ostatni odczyt to nr %2")
            .arg(numbered)
            .arg(last),
        0}};
}

} // namespace ronvalo

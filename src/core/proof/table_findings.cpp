// The archive check's findings from the tables' own answers.
#include "core/proof/table_findings.h"

#include <QVariant>

#include "core/store/archive_tables.h"
#include "core/store/data_module.h"

namespace ronvalo {

namespace {

// How a stored value that is no download number is named (by its type as stored).
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
    QList<ArchiveFinding> findings;
    for (const PunchesWithoutDownload& group : punchGroupsWithoutDownload(dm)) {
        const qint32 download = group.type == QLatin1String("integer") ? group.value.toInt() : 0;
        findings << ArchiveFinding{
            ArchiveFindingKind::PunchWithoutDownload, download, QString(),
            QStringLiteral("Odbicia bez odczytu: NrSczytania %1 nie jest numerem żadnego "
                           "odczytu: %2 (od AutoNr %3)")
                .arg(storedNumberText(group.type, group.value),
                     countedText(group.rows, "wiersz", "wiersze", "wierszy"))
                .arg(group.firstAutoNr),
            group.firstAutoNr};
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
    const std::optional<qint64> numbered = downloadCounter(dm);
    if (!numbered)
        return {};
    const qint64 last = downloads.isEmpty() ? 0 : downloads.last();
    if (*numbered <= last)
        return {};
    return {ArchiveFinding{
        ArchiveFindingKind::DownloadsRemoved, static_cast<qint32>(last + 1), QString(),
        QStringLiteral("Usunięto najnowsze odczyty: tabela odczytów nadała już nr %1, a jej "
                       "ostatni odczyt to nr %2")
            .arg(*numbered)
            .arg(last),
        0}};
}

} // namespace ronvalo

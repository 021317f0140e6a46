// Matching a transmission's punches to its download's rows: equal records pair up in order, so
// that a repeated punch needs a row of its own and a changed row shows as one missing and one
// added.
#include "rounds/archive_punches.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace ronvalo {

namespace {

using Record = std::tuple<QString, QString, qint32, QString>;

Record recordOf(const ArchivedPunch& punch) {
    return {punch.date, punch.time, punch.checkpoint, punch.instrument};
}

// A punch's time is stored "08:15:00" and shown "08:15"; any other text as it stands, so that a
// time someone wrote by hand shows as written.
QString shownTime(const QString& stored) {
    return stored.size() == 8 && stored.endsWith(QLatin1String(":00")) ? stored.left(5) : stored;
}

QString described(const ArchivedPunch& punch, const QString& instrument) {
    QString text = punch.date + QLatin1Char(' ') + shownTime(punch.time) + QStringLiteral(" pkt ") +
                   QString::number(punch.checkpoint);
    if (punch.instrument != instrument)
        text += QStringLiteral(" czytnik ") + punch.instrument;
    return text;
}

// The first row, of those matched, from which on the rows hold their punches in another order
// than received: where the places in the transmission stop rising one by one.
std::optional<qint64> firstOutOfOrder(const std::vector<std::pair<qsizetype, qint64>>& matched) {
    std::vector<qsizetype> places;
    places.reserve(matched.size());
    for (const auto& [place, autoNr] : matched)
        places.push_back(place);
    std::sort(places.begin(), places.end());
    for (std::size_t i = 0; i < matched.size(); ++i)
        if (matched[i].first != places[i])
            return matched[i].second;
    return std::nullopt;
}

bool sameRecords(const QList<ArchivedPunch>& received, const QList<ArchivedPunch>& stored) {
    if (received.size() != stored.size())
        return false;
    for (qsizetype i = 0; i < received.size(); ++i)
        if (recordOf(received[i]) != recordOf(stored[i]))
            return false;
    return true;
}

} // namespace

ArchiveFinding archiveFinding(ArchiveFindingKind kind, qint32 download, const QString& instrument,
                              const QString& what, qint64 autoNr) {
    return {kind, download, instrument, QStringLiteral("Odczyt nr %1: ").arg(download) + what,
            autoNr};
}

QList<ArchiveFinding> comparePunches(qint32 download, const QString& instrument,
                                     const QList<ArchivedPunch>& received,
                                     const QList<ArchivedPunch>& stored) {
    if (sameRecords(received, stored))
        return {};
    // Each record's places in the transmission, first first.
    std::map<Record, std::deque<qsizetype>> places;
    for (qsizetype i = 0; i < received.size(); ++i)
        places[recordOf(received[i])].push_back(i);

    QList<bool> matched(received.size(), false);
    std::vector<std::pair<qsizetype, qint64>> pairs; // place in the transmission, AutoNr
    QList<ArchiveFinding> added;
    for (const ArchivedPunch& row : stored) {
        auto found = places.find(recordOf(row));
        if (found == places.end() || found->second.empty()) {
            added << archiveFinding(ArchiveFindingKind::PunchAdded, download, instrument,
                                    QStringLiteral("odbicie spoza odczytu (AutoNr %1) %2")
                                        .arg(row.autoNr)
                                        .arg(described(row, instrument)),
                                    row.autoNr);
            continue;
        }
        const qsizetype place = found->second.front();
        found->second.pop_front();
        matched[place] = true;
        pairs.emplace_back(place, row.autoNr);
    }

    QList<ArchiveFinding> findings;
    for (qsizetype i = 0; i < received.size(); ++i)
        if (!matched[i])
            findings << archiveFinding(ArchiveFindingKind::PunchMissing, download, instrument,
                                       QStringLiteral("brak odbicia ") +
                                           described(received[i], instrument));
    findings << added;
    if (const auto outOfOrder = firstOutOfOrder(pairs))
        findings << archiveFinding(
            ArchiveFindingKind::PunchesReordered, download, instrument,
            QStringLiteral("odbicia w innej kolejności niż odebrane (od AutoNr %1)")
                .arg(*outOfOrder),
            *outOfOrder);
    return findings;
}

} // namespace ronvalo

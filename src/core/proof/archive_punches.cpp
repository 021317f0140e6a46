// Matching a transmission's punches to its download's rows: equal records pair up in order, so
// that a repeated punch needs a row of its own; a row left over at the place of a punch left over
// is a changed row, named with both.
#include "core/proof/archive_punches.h"

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

// What differs between a download's transmission and its rows, by place in each.
struct PunchDifferences {
    QList<std::pair<qsizetype, qsizetype>> changed; // place received, place stored
    QList<qsizetype> missing;                       // places received
    QList<qsizetype> added;                         // places stored
    std::optional<qint64> outOfOrder;               // AutoNr
};

// Up to this many differing rows of one download are named one by one; more are counted in one
// finding, so that a download whose rows were all moved is one line, not thousands.
constexpr qsizetype rowsNamed = 10;

QList<ArchiveFinding> describedDifferences(qint32 download, const QString& instrument,
                                           const QList<ArchivedPunch>& received,
                                           const QList<ArchivedPunch>& stored,
                                           const PunchDifferences& d);

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
    QList<qsizetype> unmatchedRows;                  // places in `stored`
    for (qsizetype i = 0; i < stored.size(); ++i) {
        auto found = places.find(recordOf(stored[i]));
        if (found == places.end() || found->second.empty()) {
            unmatchedRows << i;
            continue;
        }
        const qsizetype place = found->second.front();
        found->second.pop_front();
        matched[place] = true;
        pairs.emplace_back(place, stored[i].autoNr);
    }

    // A row that holds another punch than the one received at its place was changed: one
    // finding naming both, rather than one punch missing and one added.
    PunchDifferences differences;
    for (const qsizetype row : unmatchedRows) {
        if (row < received.size() && !matched[row]) {
            matched[row] = true;
            differences.changed.append({row, row});
        } else {
            differences.added << row;
        }
    }
    for (qsizetype i = 0; i < received.size(); ++i)
        if (!matched[i])
            differences.missing << i;
    differences.outOfOrder = firstOutOfOrder(pairs);
    return describedDifferences(download, instrument, received, stored, differences);
}

namespace {

QList<ArchiveFinding> describedDifferences(qint32 download, const QString& instrument,
                                           const QList<ArchivedPunch>& received,
                                           const QList<ArchivedPunch>& stored,
                                           const PunchDifferences& d) {
    QList<ArchiveFinding> findings;
    const qsizetype differing = d.changed.size() + d.missing.size() + d.added.size();
    // A download left without a row, its rows all moved or deleted, is one finding too.
    if (differing > rowsNamed || (stored.isEmpty() && received.size() > 1)) {
        const qint64 firstRow = !d.changed.isEmpty() ? stored[d.changed.first().second].autoNr
                                : !d.added.isEmpty() ? stored[d.added.first()].autoNr
                                                     : 0;
        findings << archiveFinding(
            ArchiveFindingKind::PunchesDiffer, download, instrument,
            QStringLiteral("odbicia niezgodne z odczytem: zmienione %1, brak %2, spoza odczytu "
                           "%3 (odebrano %4, w tabeli %5)")
                    .arg(d.changed.size())
                    .arg(d.missing.size())
                    .arg(d.added.size())
                    .arg(received.size())
                    .arg(stored.size()) +
                (firstRow > 0 ? QStringLiteral(", pierwszy wiersz: AutoNr %1").arg(firstRow)
                              : QString()),
            firstRow);
        return findings;
    }
    for (const auto& [place, row] : d.changed)
        findings << archiveFinding(
            ArchiveFindingKind::PunchChanged, download, instrument,
            QStringLiteral("wiersz zmieniony (AutoNr %1): odebrano %2, "
                           "w tabeli %3")
                .arg(stored[row].autoNr)
                .arg(described(received[place], instrument), described(stored[row], instrument)),
            stored[row].autoNr);
    for (const qsizetype place : d.missing)
        findings << archiveFinding(ArchiveFindingKind::PunchMissing, download, instrument,
                                   QStringLiteral("brak odbicia ") +
                                       described(received[place], instrument));
    for (const qsizetype row : d.added)
        findings << archiveFinding(ArchiveFindingKind::PunchAdded, download, instrument,
                                   QStringLiteral("odbicie spoza odczytu (AutoNr %1) %2")
                                       .arg(stored[row].autoNr)
                                       .arg(described(stored[row], instrument)),
                                   stored[row].autoNr);
    if (d.outOfOrder)
        findings << archiveFinding(
            ArchiveFindingKind::PunchesReordered, download, instrument,
            QStringLiteral("odbicia w innej kolejności niż odebrane (od AutoNr %1)")
                .arg(*d.outOfOrder),
            *d.outOfOrder);
    return findings;
}

} // namespace

} // namespace ronvalo

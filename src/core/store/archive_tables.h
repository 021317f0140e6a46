// What the archive check asks of the tables beyond the chain: how many rows the chain has, the
// punch rows that belong to no download, and the download table's own counter.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace ronvalo {

class TDM3;

// Each function here raises EDatabaseError naming Obchody.db (or the server) when a table cannot
// be read, except downloadCounter().

// The rows of both archive tables.
qint64 chainRowCount(TDM3& dm);

// Punch rows sharing one stored NrSczytania that is not a download's number.
struct PunchesWithoutDownload {
    // The stored value's type as SQLite names it ("integer", "real", "text", "blob", "null"):
    // SQLite keeps the type of what was written, the server's column holds integers only.
    QString type;
    QVariant value; // NrSczytania as stored
    qint64 rows = 0;
    qint64 firstAutoNr = 0;
};
// The punch rows whose NrSczytania is not an integer as stored (3.5, a text, NULL) or a number
// the download table does not hold, one group per stored value, by their first AutoNr.
QList<PunchesWithoutDownload> punchGroupsWithoutDownload(TDM3& dm);

// The last number the download table's own counter gave on the files (SQLite's sequence of
// NrOdc); none when it cannot be read.
std::optional<qint64> downloadCounter(TDM3& dm);

} // namespace ronvalo

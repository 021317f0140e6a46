// The download archive in Obchody.db: for every download that stored punches, the first
// transmission exactly as received, the instrument's clock, and a SHA-256 chain over the rows, so
// that a changed, added or removed row of any table shows.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

namespace ronvalo {

class TDM3;

// One row of ob.Archiwum.
struct ArchiveRow {
    qint32 download = 0;                      // Nrodczytu, the download's number
    QString instrument;                       // NrCzytnika, whole (not cut to 10 characters)
    QDateTime received;                       // Odebrano, to the second
    std::optional<QDateTime> instrumentClock; // ZegarCzytnika, to the minute; none when unknown
    QByteArray transmission;                  // Tresc, every byte of the first transmission
    QString previous;                         // Poprzedni: the row before's digest; empty first
    QString digest;                           // Skrot: SHA-256, 64 lower-case hex digits
};

// How the two date-time fields are stored: "2004-04-26 08:15:00" and "2004-04-26 08:15".
QString storedReceived(const QDateTime& moment);
QString storedInstrumentClock(const QDateTime& moment);
// And read back, as wall-clock times in UTC, so that every stored text reads back whatever the
// machine's time zone; invalid when the text is not of that form.
QDateTime receivedFromStored(const QString& text);
QDateTime instrumentClockFromStored(const QString& text);

// The row's digest from its fields and `previous`, in the current layout (over the fields as
// they are stored: see chainDigest()). `digest` itself takes no part.
QString archiveDigest(const ArchiveRow& row);
// The first layout's digest, "Ronvalo archiwum 1", over values read from the stored texts: rows
// the program wrote before keep verifying with it.
QString firstLayoutDigest(const ArchiveRow& row);

// The chain's last digest (of either archive table), or an empty text when it holds no row.
QString lastArchiveDigest(TDM3& dm);

// Appends the row inside the caller's transaction: `previous` and `digest` are set here from the
// chain's last row. Raises EDatabaseError naming Obchody.db on failure.
void appendArchiveRow(TDM3& dm, ArchiveRow row);

// The rows of Archiwum by Nrodczytu, pulled one at a time: each call fills the next, false at
// the end; a failed read raises EDatabaseError. A row's fields are read from the stored texts.
std::function<bool(ArchiveRow&)> readArchive(TDM3& dm);

// The instrument's clock minus the computer's at transfer, in whole minutes rounded towards
// zero; none when the clock is unknown.
std::optional<qint64> clockDriftMinutes(const ArchiveRow& row);

} // namespace ronvalo

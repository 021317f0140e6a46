// Checking the download archive against the tables: the chain, every archived transmission read
// again through the dump reader and compared with its download's punch rows, and downloads
// without an archive row. One function, for the window and for ronvalo-verify.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace ronvalo {

class TDM3;

// What one finding says is wrong.
enum class ArchiveFindingKind {
    DigestMismatch,   // the row's digest does not match its fields: the row was changed
    ChainBroken,      // Poprzedni is not the digest of the row before: rows removed or reordered
    Unreadable,       // the archived transmission no longer reads as a dump
    PunchMissing,     // a punch of the transmission has no row in the punch table
    PunchAdded,       // a punch row of the download that the transmission does not hold
    PunchesReordered, // the same rows, in another order than received
    ArchiveRowMissing // a download after the first archived one without its archive row
};

// One finding, named by its download and, for a punch, the row.
struct ArchiveFinding {
    ArchiveFindingKind kind;
    qint32 download = 0;
    QString instrument; // as archived or as the punch rows carry it; may be empty
    QString text;       // the finding in Polish, naming the row where there is one
    qint64 autoNr = 0;  // the punch row's AutoNr for PunchAdded and PunchesReordered; else 0
};

struct ArchiveCheck {
    QList<ArchiveFinding> findings;
    qint64 downloads = 0; // archived downloads walked
    QString lastDigest;   // the chain's last digest; empty when the archive is empty
    // Downloads numbered before the first archived one, imported before the archive existed:
    // how many and the highest number; not findings.
    qint64 earlierDownloads = 0;
    qint32 lastEarlierDownload = 0;
    bool clean() const { return findings.isEmpty(); }
};

// Walks the archive and the tables in one reading transaction of its own (so not inside the
// caller's). `progress` gets the downloads done and their total, and returns false to stop (then
// the result is empty and nullopt returned). A table or Obchody.db that cannot be read raises
// EDatabaseError; a read-only module without Obchody.db reads as an empty archive.
std::optional<ArchiveCheck>
checkArchive(TDM3& dm, const std::function<bool(qint64 done, qint64 total)>& progress = {});

// The line under the findings: a clean archive with the number of downloads and the last digest,
// or how many findings; and the earlier downloads once, when there are any.
QString archiveCheckSummary(const ArchiveCheck& check);

} // namespace ronvalo

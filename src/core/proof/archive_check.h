// Checking the download archive against the tables: the chain, every archived transmission read
// again through the dump reader and compared with its download's punch rows, the downloads it
// pins from before it, punch rows of no download, and the plans and names as last archived. One
// function, for the window, the report and ronvalo-verify.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace ronvalo {

class TDM3;

// What one finding says is wrong.
enum class ArchiveFindingKind {
    DigestMismatch,       // the row's digest does not match its fields: the row was changed
    ChainBroken,          // Poprzedni is not the digest of the row before: rows removed or moved
    Unreadable,           // the archived transmission no longer reads as a dump
    PunchMissing,         // a punch of the transmission has no row in the punch table
    PunchAdded,           // a punch row of the download that the transmission does not hold
    PunchChanged,         // a punch row that holds another punch than the one received there
    PunchesReordered,     // the same rows, in another order than received
    PunchesDiffer,        // many rows of one download differ: counted in one finding
    ArchiveRowMissing,    // a download after the beginning without its archive row
    DownloadRowMissing,   // an archived download without its row in the download table
    PunchWithoutDownload, // punch rows whose NrSczytania is no download's number
    DownloadsRemoved,     // the download table numbered downloads it no longer holds
    NoArchive,            // no Obchody.db, or an archive without its beginning, where downloads
                          // exist
    BeginningChanged,     // the downloads pinned by the beginning are not what it pinned
    StateChanged          // the plans or names differ from their last archived state
};

// One finding, named by its download and, for a punch, the row.
struct ArchiveFinding {
    ArchiveFindingKind kind;
    qint32 download = 0;
    QString instrument; // as archived or as the punch rows carry it; may be empty
    QString text;       // the finding in Polish, naming the row where there is one
    qint64 autoNr = 0;  // the punch row's AutoNr where one is named; else 0
};

struct ArchiveCheck {
    QList<ArchiveFinding> findings;
    qint64 downloads = 0; // archived downloads walked
    QString lastDigest;   // the chain's last digest; empty when the chain is empty
    // The downloads from before the archive, pinned by its beginning (or, without one, numbered
    // before the first archived one): how many and the highest number; not findings.
    qint64 earlierDownloads = 0;
    qint32 lastEarlierDownload = 0;
    bool hasBeginning = false;
    // With a digest to look for: why the chain does not hold it, or does not check from it on;
    // empty when it does.
    QString pinProblem;
    bool clean() const { return findings.isEmpty() && pinProblem.isEmpty(); }
};

// The check's progress: rows done and their total; false stops it.
using ArchiveProgress = std::function<bool(qint64 done, qint64 total)>;

// Walks the archive and the tables in one reading transaction of its own (so not inside the
// caller's). `progress` gets the chain's rows done and their total, also now and then within a
// large download, and returns false to stop (then nullopt is returned). `pinnedDigest`, when not
// empty, is a digest printed earlier: the chain must hold it and check from it on. A table or
// Obchody.db that cannot be read raises EDatabaseError.
std::optional<ArchiveCheck> checkArchive(TDM3& dm, const ArchiveProgress& progress = {},
                                         const QString& pinnedDigest = {});

// The line under the findings: a clean archive with the number of downloads and the last digest,
// or how many findings; and the earlier downloads once, when there are any.
QString archiveCheckSummary(const ArchiveCheck& check);

// What a printed report says of the archive in every page's footer: the chain's beginning and
// last digest when the check found it clean, or that it did not, in place of the digest.
struct ArchiveSeal {
    bool checked = false;
    qint64 findings = 0;
    QString lastDigest;
    qint32 lastEarlierDownload = 0; // the archive begins after this download
};
ArchiveSeal archiveSeal(const ArchiveCheck& check);
QString archiveFooterNote(const ArchiveSeal& seal);

} // namespace ronvalo

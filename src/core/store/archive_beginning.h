// The archive's beginning: a row of ArchiwumZmian that pins the downloads stored before the chain
// began (their count, last number and a digest of their punch rows), so that a check can tell
// them unchanged.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace ronvalo {

class TDM3;

// What a beginning row pins: the downloads without an archive row before it.
struct ArchiveBeginning {
    QString reason;      // why the archive begins here, in Polish
    qint64 count = 0;    // downloads pinned
    qint64 last = 0;     // the highest of them; 0 for none
    QString punchDigest; // SHA-256 over their punch rows, 64 lower-case hex digits
};
QByteArray beginningContent(const ArchiveBeginning& beginning);
std::optional<ArchiveBeginning> beginningFromContent(const QByteArray& content);
// The downloads `numbers` (ascending) pinned: their count, last number and punch rows' digest.
ArchiveBeginning pinDownloads(TDM3& dm, const std::vector<qint32>& numbers);

// Records the beginning when the chain has none, in a transaction of its own: the downloads of
// the download table numbered below the first archived one (all when none is) are pinned, and
// the plans and names as they are now follow it. Returns the beginning recorded, if one was.
std::optional<ArchiveBeginning> recordArchiveBeginning(TDM3& dm, const QString& reason);

} // namespace ronvalo

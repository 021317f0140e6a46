// Checking the download archive against the tables.
#include "rounds/archive_check.h"

#include "store/archive.h"
#include "store/data_module.h"

namespace ronvalo {

std::optional<ArchiveCheck> checkArchive(TDM3& dm,
                                         const std::function<bool(qint64, qint64)>& progress) {
    ArchiveCheck check;
    check.lastDigest = lastArchiveDigest(dm);
    if (progress && !progress(0, 0))
        return std::nullopt;
    return check;
}

QString archiveCheckSummary(const ArchiveCheck& check) {
    return QStringLiteral("Odczytów w archiwum: %1").arg(check.downloads);
}

} // namespace ronvalo

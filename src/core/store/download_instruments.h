// Which instruments a download belongs to, for whoever decides who may see it.
#pragma once

#include <QStringList>
#include <optional>

namespace ronvalo {

class TDM3;

struct DownloadInstruments {
    QStringList instruments;
    bool whole = false; // from the archive row: numbers whole, not the punch table's 10 characters
};

// The instruments of download `download`: the archive row's instrument whole where the download
// has one, otherwise the distinct instruments of its punches as the punch table keeps them (their
// first 10 characters); empty for a download without punches. nullopt when NrOdc has no such
// download. Raises EDatabaseError when the tables cannot be read.
std::optional<DownloadInstruments> downloadInstruments(TDM3& dm, qint32 download);

} // namespace ronvalo

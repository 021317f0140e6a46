// The archive check's findings in the tables beyond the chain: punch rows that belong to no
// download, and downloads the download table numbered and no longer holds.
#pragma once

#include <QList>
#include <QString>

#include "core/proof/archive_check.h"

namespace ronvalo {

class TDM3;

// A count with the Polish word for it: "1 odczyt", "22 odczyty", "57 odczytów" (the word for
// one, for two to four, for five and more; in UTF-8).
QString countedText(qint64 count, const char* one, const char* few, const char* many);

// Punch rows whose NrSczytania is not a download's number: not an integer as stored (3.5, a
// text, NULL), or a number the download table does not hold. One finding per stored value, with
// the rows counted and the first named.
QList<ArchiveFinding> punchesWithoutDownload(TDM3& dm);

// The downloads numbered after the last one `downloads` (ascending) holds, which the download
// table's own counter says it numbered: the newest downloads deleted whole. Nothing when the
// counter cannot be read.
QList<ArchiveFinding> removedDownloads(TDM3& dm, const QList<qint32>& downloads);

} // namespace ronvalo

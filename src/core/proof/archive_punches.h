// Comparing the punches an archived transmission yields with the punch rows of its download.
#pragma once

#include <QList>
#include <QString>

#include "core/proof/archive_check.h"
#include "core/store/download_punches.h"

namespace ronvalo {

// A finding whose text is "Odczyt nr <download>: " and `what`.
ArchiveFinding archiveFinding(ArchiveFindingKind kind, qint32 download, const QString& instrument,
                              const QString& what, qint64 autoNr = 0);

// The findings of one download: each row of `stored` (by AutoNr) that holds another punch than
// the one `received` (the transmission's, in its order) at the same place, each punch without a
// row, each row the transmission does not hold, and the rows held in another order than
// received; more than a few differing rows are counted in one finding. `instrument` is the
// transmission's, cut as the rows are; a row of another instrument names its own.
QList<ArchiveFinding> comparePunches(qint32 download, const QString& instrument,
                                     const QList<ArchivedPunch>& received,
                                     const QList<ArchivedPunch>& stored);

} // namespace ronvalo

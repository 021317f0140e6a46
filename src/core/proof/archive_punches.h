// Comparing the punches an archived transmission yields with the punch rows of its download.
#pragma once

#include <QList>
#include <QString>

#include "core/proof/archive_check.h"

namespace ronvalo {

// One punch as the punch table stores it: date and time as stored text, the instrument cut to
// the table's 10 characters. A punch read from a transmission has no AutoNr (0).
struct ArchivedPunch {
    qint64 autoNr = 0;
    QString date;
    QString time;
    qint32 checkpoint = 0;
    QString instrument;
};

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

// The punch table's extent, its days and its AutoNr, which tells how a period is best read.
#include "core/store/punch_extent.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// The lowest and the highest value of `column` of the punch table. Each on its own, so that
// SQLite takes each from an end of the column's index, where MIN and MAX together walk all of it.
QString extentQuery(const QString& column) {
    return QStringLiteral("SELECT (SELECT MIN(%1) FROM main.Odbicia), "
                          "(SELECT MAX(%1) FROM main.Odbicia)")
        .arg(column);
}

} // namespace

bool periodWorthAScan(TDM3& dm, const QDate& from, const QDate& to) {
    QSqlQuery extent = runRoundsQuery(dm, extentQuery(QStringLiteral("Data")));
    if (!extent.next() || extent.value(0).isNull())
        return false;
    const QDate first = dateFromStored(extent.value(0).toString());
    const QDate last = dateFromStored(extent.value(1).toString());
    if (!first.isValid() || !last.isValid())
        return false;
    const qint64 covered = std::max(from, first).daysTo(std::min(to, last)) + 1;
    return 4 * covered >= first.daysTo(last) + 1;
}

std::optional<PunchScanRows::AutoNrs> punchRowSpan(TDM3& dm) {
    QSqlQuery extent = runRoundsQuery(dm, extentQuery(QStringLiteral("AutoNr")));
    if (!extent.next() || extent.value(0).isNull())
        return std::nullopt;
    return PunchScanRows::AutoNrs{extent.value(0).toLongLong(), extent.value(1).toLongLong()};
}

} // namespace ronvalo

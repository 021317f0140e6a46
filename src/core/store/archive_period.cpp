// Reading a period's download rows out of the archive, and the chain's row before each.
#include "core/store/archive_period.h"

#include <QSqlError>
#include <QSqlQuery>

#include "core/common/exception.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// Rows of a page: few, as one row may hold a transmission of megabytes.
constexpr qint64 periodPageRows = 16;

void failOnError(TDM3& dm, const QSqlQuery& query) {
    if (query.lastError().isValid())
        throw EDatabaseError(dm.roundsFilePath() + QStringLiteral(": ") + query.lastError().text());
}

} // namespace

std::optional<ChainLink> chainRowBefore(TDM3& dm, std::optional<qint64> download) {
    const auto before = [&](const char* column) {
        return download ? QStringLiteral(" WHERE %1 < ?").arg(QLatin1String(column)) : QString();
    };
    const QVariantList values = download ? QVariantList{*download} : QVariantList{};
    std::optional<ChainLink> found;
    {
        QSqlQuery last = runRoundsQuery(dm,
                                        QStringLiteral("SELECT Nrodczytu, Skrot FROM ob.Archiwum") +
                                            before("Nrodczytu") +
                                            QStringLiteral(" ORDER BY Nrodczytu DESC LIMIT 1"),
                                        values);
        if (last.next()) {
            const qint64 number = last.value(0).toLongLong();
            found = ChainLink{{ChainTable::Downloads, number}, number, last.value(1).toString()};
        }
        failOnError(dm, last);
    }
    if (dm.roundsChangesMissing())
        return found;
    QSqlQuery change = runRoundsQuery(
        dm,
        QStringLiteral("SELECT Lp, PoOdczycie, Skrot FROM ob.ArchiwumZmian") +
            before("PoOdczycie") + QStringLiteral(" ORDER BY PoOdczycie DESC, Lp DESC LIMIT 1"),
        values);
    // At one place the download's row comes first, the changes after it; a change placed after
    // download N itself comes after N, so only those placed before it can stand before it.
    if (change.next() && (!found || change.value(1).toLongLong() >= found->place))
        found = ChainLink{{ChainTable::Changes, change.value(0).toLongLong()},
                          change.value(1).toLongLong(),
                          change.value(2).toString()};
    failOnError(dm, change);
    return found;
}

PeriodDownloads::PeriodDownloads(TDM3& dm, PeriodSelection selection)
    : dm_(dm), selection_(std::move(selection)) {
    // An empty list of instruments chooses none.
    last_ = (selection_.instruments && selection_.instruments->isEmpty()) ||
            !selection_.from.isValid() || !selection_.to.isValid() ||
            selection_.from > selection_.to;
}

void PeriodDownloads::readPage() {
    // Odebrano is stored as "2004-04-26 07:03:20", so that text order is date order: the days
    // from `from` on and before the day after `to`.
    QString sql = QStringLiteral("SELECT Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika, Tresc, "
                                 "Poprzedni, Skrot FROM ob.Archiwum WHERE Nrodczytu > ? AND "
                                 "Nrodczytu <= ? AND Odebrano >= ? AND Odebrano < ?");
    QVariantList values{after_, selection_.lastDownload, storedDate(selection_.from),
                        storedDate(selection_.to.addDays(1))};
    if (selection_.instruments) {
        QStringList marks;
        for (const QString& instrument : *selection_.instruments) {
            marks << QStringLiteral("?");
            values << instrument;
        }
        sql += QStringLiteral(" AND NrCzytnika IN (%1)").arg(marks.join(QStringLiteral(", ")));
    }
    sql += QStringLiteral(" ORDER BY Nrodczytu LIMIT %1").arg(periodPageRows);
    QSqlQuery query = runRoundsQuery(dm_, sql, values);
    page_.clear();
    next_ = 0;
    while (query.next()) {
        ChainRow row;
        for (int i = 0; i < 5; ++i)
            row.fields << storedField(query.value(i));
        row.place = query.value(0).toLongLong();
        row.previous = storedField(query.value(5));
        row.digest = query.value(6).toString();
        after_ = row.place;
        page_.push_back(std::move(row));
    }
    failOnError(dm_, query);
    last_ = qint64(page_.size()) < periodPageRows;
}

bool PeriodDownloads::next(ChainRow& row) {
    if (next_ >= page_.size()) {
        if (last_)
            return false;
        readPage();
        if (page_.empty())
            return false;
    }
    row = std::move(page_[next_++]);
    return true;
}

} // namespace ronvalo

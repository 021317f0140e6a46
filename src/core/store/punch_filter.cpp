// The punch filter's row test and its selection as queries over the punch table's indexes.
#include "core/store/punch_filter.h"

#include <QSqlQuery>
#include <QVariant>

#include "core/store/stored_dates.h"

namespace ronvalo {

bool tbOdbiciaFilterRecord(const PunchCriteria& criteria, const Punch& row) {
    if (criteria.downloadMode)
        return criteria.download && row.NrSczytania == *criteria.download;
    if (row.Data < criteria.fromDate || row.Data > criteria.toDate)
        return false;
    return criteria.instrument && row.Nrczyt == *criteria.instrument;
}

PunchSelection PunchSelection::of(const PunchCriteria& criteria) {
    if (criteria.downloadMode) {
        if (!criteria.download)
            return PunchSelection(Kind::Nothing);
        PunchSelection selection(Kind::Download);
        selection.download_ = *criteria.download;
        return selection;
    }
    if (!criteria.instrument || criteria.fromDate > criteria.toDate)
        return PunchSelection(Kind::Nothing);
    PunchSelection selection(Kind::Instrument);
    selection.instrument_ = *criteria.instrument;
    // ISO text sorts as the dates do, so the bounds compare as stored.
    selection.fromText_ = storedDate(criteria.fromDate);
    selection.toText_ = storedDate(criteria.toDate);
    return selection;
}

PunchSelection PunchSelection::period(const QDate& from, const QDate& to) {
    if (from > to)
        return PunchSelection(Kind::Nothing);
    PunchSelection selection(Kind::Period);
    selection.fromText_ = storedDate(from);
    selection.toText_ = storedDate(to);
    return selection;
}

// A key bound takes the place of the date bound on its side: both would be lower (or upper)
// bounds on the same index columns, and the planner would walk from the looser one.
QString PunchSelection::conditions(bool backwards, bool fromKey) const {
    QStringList terms;
    const QString keyBound = backwards ? QStringLiteral("(Data, Czas, AutoNr) <= (:kd, :kc, :ka)")
                                       : QStringLiteral("(Data, Czas, AutoNr) >= (:kd, :kc, :ka)");
    switch (kind_) {
    case Kind::Nothing:
        terms << QStringLiteral("1 = 0");
        break;
    case Kind::Download:
        terms << QStringLiteral("NrSczytania = :nrodczytu");
        break;
    case Kind::Instrument:
    case Kind::Period:
        if (kind_ == Kind::Instrument)
            terms << QStringLiteral("Nrczyt = :nrczyt");
        if (!fromKey || backwards)
            terms << QStringLiteral("Data >= :od");
        if (!fromKey || !backwards)
            terms << QStringLiteral("Data <= :do");
        break;
    case Kind::All:
        break;
    }
    if (fromKey)
        terms << keyBound;
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(" AND ");
}

QString PunchSelection::selectSql(bool backwards, bool fromKey, qint64 limit, qint64 offset) const {
    const QString direction = backwards ? QStringLiteral(" DESC") : QString();
    // No index is forced: the planner takes ixCzytData, ixSczytania or ixDiT where the file has
    // them, and a file made without them still reads, only slower.
    QString sql = QStringLiteral("SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM "
                                 "main.Odbicia%1 ORDER BY Data%2, Czas%2, AutoNr%2")
                      .arg(conditions(backwards, fromKey), direction);
    // Every engine reads LIMIT with a count and OFFSET alone; a negative LIMIT is SQLite's own.
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    if (offset > 0)
        sql += QStringLiteral(" OFFSET %1").arg(offset);
    return sql;
}

QString PunchSelection::countSql() const {
    return QStringLiteral("SELECT COUNT(*) FROM main.Odbicia") + conditions(false, false);
}

void PunchSelection::bind(QSqlQuery& query, const std::optional<PunchKey>& from) const {
    // Only the names this statement holds: conditions() writes a different set for each reading.
    const QString sql = query.lastQuery();
    auto bindIf = [&](const QString& name, const QVariant& value) {
        if (sql.contains(name))
            query.bindValue(name, value);
    };
    bindIf(QStringLiteral(":nrodczytu"), download_);
    bindIf(QStringLiteral(":nrczyt"), instrument_);
    bindIf(QStringLiteral(":od"), fromText_);
    bindIf(QStringLiteral(":do"), toText_);
    if (from) {
        bindIf(QStringLiteral(":kd"), from->data);
        bindIf(QStringLiteral(":kc"), from->czas);
        bindIf(QStringLiteral(":ka"), from->autoNr);
    }
}

} // namespace ronvalo

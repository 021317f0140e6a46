// Reading the punch table: row by row over the whole selection, on a server a page at a time,
// the count, and the record filter that chooses the rows a reading sees.
#include <QSqlError>
#include <QVariant>
#include <memory>
#include <vector>

#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/statement_failure.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

using statement_failure::exec;
using statement_failure::fail;

Punch TDM3::punchFromQuery(const QSqlQuery& query) {
    Punch punch;
    punch.AutoNr = query.value(0).toLongLong();
    punch.Data = dateFromStored(query.value(1).toString());
    punch.Czas = timeFromStored(query.value(2).toString());
    punch.Nrwewpkt = query.value(3).toInt();
    punch.Nrczyt = query.value(4).toString();
    punch.NrSczytania = query.value(5).toInt();
    return punch;
}

void TDM3::forEachPunch(const std::function<bool(const Punch&)>& visit) {
    auto next = readPunches();
    Punch punch;
    while (next(punch))
        if (!visit(punch))
            break;
}

std::function<bool(Punch&)> TDM3::readPunches() {
    return readPunches(selection());
}

std::function<bool(Punch&)> TDM3::readPunches(const PunchSelection& chosen) {
    if (chosen.kind() == PunchSelection::Kind::Nothing)
        return [](Punch&) { return false; };
    if (onServer())
        return readPunchesInPages(chosen);
    auto query = std::make_shared<QSqlQuery>(
        runQuery(chosen.selectSql(false, false, -1, 0), [&](QSqlQuery& q) { chosen.bind(q); }));
    return [this, query](Punch& punch) {
        if (!query->next()) {
            // A step that fails ends the rows too: told apart from the end, so that no reader
            // takes a selection cut short by a damaged file for the whole of it.
            if (query->lastError().isValid())
                fail(tbOdbicia.filePath(), query->lastError());
            return false;
        }
        punch = punchFromQuery(*query);
        return true;
    };
}

std::function<bool(Punch&)> TDM3::readPunchesInPages(const PunchSelection& chosen) {
    struct Pages {
        std::vector<Punch> rows;
        std::size_t next = 0;
        std::optional<PunchKey> from; // the last row read, as stored
        bool last = false;
    };
    auto pages = std::make_shared<Pages>();
    return [this, chosen, pages](Punch& punch) {
        if (pages->next == pages->rows.size()) {
            if (pages->last)
                return false;
            // The key bound takes its own row again: one more row is asked for, and it is
            // left out.
            const qint64 limit = serverPageRows + (pages->from ? 1 : 0);
            QSqlQuery query = runQuery(chosen.selectSql(false, pages->from.has_value(), limit, 0),
                                       [&](QSqlQuery& q) { chosen.bind(q, pages->from); });
            pages->rows.clear();
            pages->next = 0;
            qint64 read = 0;
            std::optional<PunchKey> end;
            while (query.next()) {
                ++read;
                end = PunchKey{query.value(1).toString(), query.value(2).toString(),
                               query.value(0).toLongLong()};
                if (pages->from && end->autoNr == pages->from->autoNr)
                    continue;
                pages->rows.push_back(punchFromQuery(query));
            }
            if (query.lastError().isValid())
                fail(tbOdbicia.filePath(), query.lastError());
            pages->last = read < limit;
            pages->from = end;
            if (pages->rows.empty())
                return false;
        }
        punch = pages->rows[pages->next++];
        return true;
    };
}

PunchSelection TDM3::selection() const {
    if (!filtered_ || !filterCriteria_)
        return PunchSelection::all();
    return PunchSelection::of(*filterCriteria_);
}

void TDM3::setFilterCriteria(std::optional<PunchCriteria> criteria) {
    filterCriteria_ = std::move(criteria);
}

QSqlQuery TDM3::runQuery(const QString& sql, const std::function<void(QSqlQuery&)>& bind) {
    QSqlQuery query(database());
    readForward(query, database());
    if (!query.prepare(sql))
        fail(tbOdbicia.filePath(), query.lastError());
    if (bind)
        bind(query);
    exec(query, tbOdbicia);
    return query;
}

qint64 TDM3::punchCount() {
    QSqlQuery query(database());
    query.prepare("SELECT COUNT(*) FROM main.Odbicia");
    exec(query, tbOdbicia);
    return query.next() ? query.value(0).toLongLong() : 0;
}

void TDM3::setFiltered(bool on) {
    if (filtered_ == on)
        return;
    filtered_ = on;
    Refresh();
}

} // namespace ronvalo

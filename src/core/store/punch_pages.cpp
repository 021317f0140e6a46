// Paged reading of the punch selection: counting, choosing where a keyed read starts, caching.
#include "core/store/punch_pages.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "core/store/data_module.h"

namespace ronvalo {

PunchPages::PunchPages(TDM3& module, int pageSize, int pagesKept)
    : module_(module), pageSize_(pageSize), pagesKept_(std::max(1, pagesKept)) {}

void PunchPages::clear() {
    selection_.reset();
    count_ = 0;
    pages_.clear();
    keys_.clear();
}

void PunchPages::reset() {
    clear();
    PunchSelection chosen = module_.selection();
    if (chosen.kind() == PunchSelection::Kind::Nothing) {
        selection_ = chosen;
        return;
    }
    QSqlQuery query = module_.runQuery(chosen.countSql(), [&](QSqlQuery& q) { chosen.bind(q); });
    count_ = query.next() ? query.value(0).toLongLong() : 0;
    selection_ = chosen;
}

Punch PunchPages::at(qint64 position) {
    const Page& found = page(position / pageSize_);
    const auto index = static_cast<std::size_t>(position % pageSize_);
    // A table that shrank under us (a restore) leaves the count stale; never read past a page.
    return found.rows.at(std::min(index, found.rows.size() - 1));
}

const PunchPages::Page& PunchPages::page(qint64 number) {
    auto kept = std::find_if(pages_.begin(), pages_.end(),
                             [number](const Page& page) { return page.number == number; });
    if (kept != pages_.end()) {
        if (kept != pages_.begin())
            std::rotate(pages_.begin(), kept, kept + 1);
        return pages_.front();
    }
    Page fresh = readPage(number);
    if (fresh.rows.empty())
        fresh.rows.emplace_back(); // the count was stale: an empty row rather than a crash
    pages_.push_front(std::move(fresh));
    if (pages_.size() > pagesKept_)
        pages_.pop_back();
    return pages_.front();
}

// Reads rows first..last from whichever known point is nearest: walking forward from a key at
// or before `first`, backward from a key at or after `last`, or from either end of the selection.
PunchPages::Page PunchPages::readPage(qint64 number) {
    Page result{number, {}};
    if (!selection_ || count_ == 0)
        return result;
    const qint64 first = number * pageSize_;
    const qint64 last = std::min(count_, first + pageSize_) - 1;
    if (first > last)
        return result;

    bool backwards = false;
    std::optional<PunchKey> from;
    qint64 offset = first; // from the first row of the selection
    if (count_ - 1 - last < offset) {
        backwards = true;
        offset = count_ - 1 - last;
    }
    auto after = keys_.lower_bound(last);
    if (after != keys_.end() && after->first - last < offset) {
        backwards = true;
        from = after->second;
        offset = after->first - last;
    }
    auto before = keys_.upper_bound(first);
    if (before != keys_.begin() && first - std::prev(before)->first < offset) {
        --before;
        backwards = false;
        from = before->second;
        offset = first - before->first;
    }

    const qint64 limit = last - first + 1;
    QSqlQuery query =
        module_.runQuery(selection_->selectSql(backwards, from.has_value(), limit, offset),
                         [&](QSqlQuery& q) { selection_->bind(q, from); });
    std::vector<PunchKey> keys;
    while (query.next()) {
        result.rows.push_back(TDM3::punchFromQuery(query));
        keys.push_back(
            {query.value(1).toString(), query.value(2).toString(), query.value(0).toLongLong()});
    }
    if (backwards) {
        std::reverse(result.rows.begin(), result.rows.end());
        std::reverse(keys.begin(), keys.end());
    }
    if (!keys.empty()) {
        keys_[first] = keys.front();
        keys_[first + qint64(keys.size()) - 1] = keys.back();
    }
    return result;
}

PunchPages::KeyedPage PunchPages::keyedPage(TDM3& module, const PunchSelection& selection,
                                            const std::optional<PunchKey>& from, int size) {
    KeyedPage page;
    QSqlQuery query = module.runQuery(selection.selectSql(false, from.has_value(), size + 1, 0),
                                      [&](QSqlQuery& q) { selection.bind(q, from); });
    while (query.next()) {
        if (qsizetype(page.rows.size()) == size) {
            page.next = PunchKey{query.value(1).toString(), query.value(2).toString(),
                                 query.value(0).toLongLong()};
            break;
        }
        page.rows.push_back(TDM3::punchFromQuery(query));
    }
    return page;
}

} // namespace ronvalo

// Reading the punch table's current selection a page at a time, by position, for the grid.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "core/store/punch.h"
#include "core/store/punch_filter.h"

namespace ronvalo {

class TDM3;

// Rows of the selection by their position in "ixDiT" order, without reading the whole selection:
// the count comes from COUNT(*), and each page is read by a keyed query that starts from the
// nearest row whose key is known (a page read before, the first row or the last row). A few
// pages stay in memory; the keys kept are two per page read.
class PunchPages {
public:
    explicit PunchPages(TDM3& module, int pageSize = 128, int pagesKept = 8);

    // Takes the module's selection anew and counts it; forgets every page and key.
    void reset();
    // Forgets everything without reading (the tables may be closed): no rows.
    void clear();
    qint64 count() const { return count_; }
    // The row at `position` (0 <= position < count()); reads its page when it is not kept.
    Punch at(qint64 position);

    int pageSize() const { return pageSize_; }

    // A page of `selection` read from the key `from` on (inclusive; the selection's beginning
    // when none): at most `size` rows, and the key the next page begins at when there is one. As
    // fast deep into ten million rows as at their beginning.
    struct KeyedPage {
        std::vector<Punch> rows;
        std::optional<PunchKey> next;
    };
    static KeyedPage keyedPage(TDM3& module, const PunchSelection& selection,
                               const std::optional<PunchKey>& from, int size);
    std::size_t keysKept() const { return keys_.size(); }

private:
    struct Page {
        qint64 number;
        std::vector<Punch> rows;
    };
    Page readPage(qint64 number);
    const Page& page(qint64 number);

    TDM3& module_;
    const int pageSize_;
    const std::size_t pagesKept_;
    std::optional<PunchSelection> selection_;
    qint64 count_ = 0;
    std::deque<Page> pages_;          // most recently used first
    std::map<qint64, PunchKey> keys_; // known keys by row position
};

} // namespace ronvalo

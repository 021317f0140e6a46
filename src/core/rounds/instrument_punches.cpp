// The punches of one instrument grouped by checkpoint, with a free list over the claimed ones.
#include "core/rounds/instrument_punches.h"

#include <algorithm>

namespace ronvalo {

InstrumentPunches::InstrumentPunches(std::vector<IndexedPunch> punches) {
    // Punches read in the table's date order arrive sorted; only other orders pay for a sort.
    if (!std::is_sorted(punches.begin(), punches.end()))
        std::sort(punches.begin(), punches.end());
    const int count = int(punches.size());

    // Counting sort by checkpoint keeps punch order within each checkpoint.
    std::vector<int> slot(count);
    std::vector<int> sizes;
    for (int position = 0; position < count; ++position) {
        const auto [found, added] =
            ranges_.try_emplace(punches[position].checkpoint, Range{int(sizes.size()), 0});
        if (added)
            sizes.push_back(0);
        slot[position] = found->second.begin; // the checkpoint's number in order of appearance
        ++sizes[found->second.begin];
    }
    std::vector<int> begins(sizes.size());
    for (std::size_t k = 1; k < sizes.size(); ++k)
        begins[k] = begins[k - 1] + sizes[k - 1];
    for (auto& [checkpoint, range] : ranges_) {
        const int number = range.begin;
        range = {begins[number], begins[number] + sizes[number]};
    }

    punchIndex_.resize(count);
    entryPosition_.resize(count);
    entryMinute_.resize(count);
    for (int position = 0; position < count; ++position) {
        const int entry = begins[slot[position]]++;
        punchIndex_[position] = punches[position].index;
        entryPosition_[entry] = position;
        entryMinute_[entry] = punches[position].minute();
    }
    next_.resize(count + 1);
    for (int entry = 0; entry <= count; ++entry)
        next_[entry] = entry;
    findCopies(punches);
}

// Punches of one checkpoint and minute are neighbours among the entries. Among them, those of the
// first one's download are originals; the k-th of another download is a copy of the k-th
// original (an import stored the same transmission twice), and any beyond them a punch of its own.
void InstrumentPunches::findCopies(const std::vector<IndexedPunch>& punches) {
    const int count = int(entryPosition_.size());
    for (int begin = 0; begin < count;) {
        const IndexedPunch& first = punches[entryPosition_[begin]];
        int end = begin + 1;
        while (end < count && punches[entryPosition_[end]].msecs == first.msecs &&
               punches[entryPosition_[end]].checkpoint == first.checkpoint)
            ++end;
        if (end - begin > 1) {
            std::vector<int> originals;
            for (int entry = begin; entry < end; ++entry)
                if (punches[entryPosition_[entry]].download == first.download)
                    originals.push_back(entry);
            std::unordered_map<qint32, int> seen; // download: its punches so far
            for (int entry = begin; entry < end; ++entry) {
                const qint32 download = punches[entryPosition_[entry]].download;
                if (download == first.download)
                    continue;
                const int k = seen[download]++;
                if (k < int(originals.size())) {
                    copies_.push_back({entry, originals[k]});
                    claim(entry);
                }
            }
        }
        begin = end;
    }
}

InstrumentPunches::Range InstrumentPunches::checkpoint(qint32 number) const {
    const auto found = ranges_.find(number);
    return found == ranges_.end() ? Range{} : found->second;
}

int InstrumentPunches::firstFreeFrom(Range range, Minute minute) {
    if (range.begin == range.end)
        return range.end;
    const auto first = entryMinute_.begin() + range.begin;
    const auto last = entryMinute_.begin() + range.end;
    return firstFree(int(std::lower_bound(first, last, minute) - entryMinute_.begin()), range.end);
}

int InstrumentPunches::firstFreeAfter(Range range, int position) {
    if (range.begin == range.end)
        return range.end;
    const auto first = entryPosition_.begin() + range.begin;
    const auto last = entryPosition_.begin() + range.end;
    return firstFree(int(std::upper_bound(first, last, position) - entryPosition_.begin()),
                     range.end);
}

// Follows the claimed entries to the next free one and points every entry passed straight at
// it, so that a run of claimed punches is walked once, not by every later search.
int InstrumentPunches::firstFree(int entry, int end) {
    int free = entry;
    while (next_[free] != free)
        free = next_[free];
    while (next_[entry] != entry) {
        const int following = next_[entry];
        next_[entry] = free;
        entry = following;
    }
    return std::min(free, end);
}

} // namespace ronvalo

// The punches of one instrument as the evaluation searches them: in punch order, grouped by
// checkpoint, with the claimed ones skipped in near constant time.
#pragma once

#include <QtGlobal>
#include <unordered_map>
#include <vector>

namespace ronvalo {

// A date and time as whole minutes since the zero date: the unit plans and punches share.
using Minute = qint64;

// One punch as the index keeps it: no strings, no copies of the row.
struct IndexedPunch {
    qint64 msecs = 0; // date and time, milliseconds since the zero date
    qint64 autoNr = 0;
    qint32 checkpoint = 0;
    int index = 0;       // into the punches handed to the evaluation
    qint32 download = 0; // NrSczytania

    Minute minute() const { return msecs / 60000; }
    // Punch order: date, time, AutoNr.
    bool operator<(const IndexedPunch& other) const {
        return msecs != other.msecs ? msecs < other.msecs : autoNr < other.autoNr;
    }
};

class InstrumentPunches {
public:
    // A checkpoint's entries: [begin, end) of the grouped entries, in punch order.
    struct Range {
        int begin = 0;
        int end = 0;
    };

    // A punch stored again by another download, and the entry of its original.
    struct Copy {
        int entry = 0;
        int original = 0;
    };

    // Takes the instrument's punches in any order. Copies are claimed from the start: they are
    // never a start or a step.
    explicit InstrumentPunches(std::vector<IndexedPunch> punches);

    const std::vector<Copy>& copies() const { return copies_; }

    Range checkpoint(qint32 number) const;

    // The first unclaimed entry of `range` at or after `minute`; range.end when none.
    int firstFreeFrom(Range range, Minute minute);
    // The first unclaimed entry of `range` after the punch at `position` in punch order.
    int firstFreeAfter(Range range, int position);

    int size() const { return int(punchIndex_.size()); }
    int punchAt(int position) const { return punchIndex_[position]; }
    int position(int entry) const { return entryPosition_[entry]; }
    Minute minute(int entry) const { return entryMinute_[entry]; }
    int punchIndex(int entry) const { return punchIndex_[entryPosition_[entry]]; }
    void claim(int entry) { next_[entry] = entry + 1; }

private:
    int firstFree(int entry, int end);
    void findCopies(const std::vector<IndexedPunch>& punches);

    std::vector<int> punchIndex_;     // by position in punch order: date, time, AutoNr
    std::vector<int> entryPosition_;  // entries grouped by checkpoint: position in punches_
    std::vector<Minute> entryMinute_; // and its minute, beside it for the binary searches
    std::vector<int> next_;           // itself while free; else towards the next free entry
    std::unordered_map<qint32, Range> ranges_;
    std::vector<Copy> copies_;
};

} // namespace ronvalo

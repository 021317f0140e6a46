// The punches as the evaluation reads them: indexed per instrument for the claims, and those of
// the period that no round claimed or that mark an incident, in punch order.
#include "core/rounds/evaluation_punches.h"

#include <QHash>
#include <algorithm>
#include <optional>
#include <tuple>

#include "core/common/ole_date.h"
#include "core/rounds/two_threads.h"

namespace ronvalo::detail {

namespace {

bool isDated(const Punch& punch) {
    return punch.Data.isValid() && punch.Data != zeroDate();
}

bool punchBefore(const Punch& a, const Punch& b) {
    if (a.Data != b.Data)
        return a.Data < b.Data;
    if (a.Czas != b.Czas)
        return a.Czas < b.Czas;
    return a.AutoNr < b.AutoNr;
}

// Sorts `list`, indexes of dated `punches`, in punch order.
void sortInPunchOrder(std::span<const Punch> punches, std::vector<int>& list) {
    struct Key {
        qint64 day;
        int msecs;
        qint64 autoNr;
        int index;
        bool operator<(const Key& other) const {
            return std::tie(day, msecs, autoNr) < std::tie(other.day, other.msecs, other.autoNr);
        }
    };
    std::vector<Key> keys;
    keys.reserve(list.size());
    for (const int i : list) {
        const Punch& punch = punches[i];
        // An invalid time sorts first, as QTime's own order has it.
        keys.push_back({punch.Data.toJulianDay(),
                        punch.Czas.isValid() ? punch.Czas.msecsSinceStartOfDay() : -1, punch.AutoNr,
                        i});
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t k = 0; k < keys.size(); ++k)
        list[k] = keys[k].index;
}

} // namespace

// The dated punches of the plans' instruments, one index per instrument.
std::vector<InstrumentPunches> indexPunches(const EvaluationInput& input,
                                            const std::vector<int>& planInstrument) {
    QHash<QString, int> groups;
    for (int p = 0; p < input.plans.size(); ++p)
        groups.insert(punchInstrument(input.plans[p].instrument), planInstrument[p]);
    std::vector<std::vector<IndexedPunch>> keys(groups.size());
    const qint64 zeroDay = zeroDate().toJulianDay();
    // The punches come an instrument's together: its group is looked up once a run, not a row.
    QString lastInstrument;
    std::vector<IndexedPunch>* lastGroup = nullptr;
    for (std::size_t i = 0; i < input.punches.size(); ++i) {
        const Punch& punch = input.punches[i];
        if (!isDated(punch))
            continue;
        if (!lastGroup || punch.Nrczyt != lastInstrument) {
            const auto group =
                groups.constFind(punch.Nrczyt.size() <= 10 ? punch.Nrczyt : punch.Nrczyt.left(10));
            lastInstrument = punch.Nrczyt;
            lastGroup = group == groups.constEnd() ? nullptr : &keys[*group];
            if (!lastGroup)
                continue;
        }
        const qint64 msecs = (punch.Data.toJulianDay() - zeroDay) * 86400000 +
                             (punch.Czas.isValid() ? punch.Czas.msecsSinceStartOfDay() : 0);
        lastGroup->push_back({msecs, punch.AutoNr, punch.Nrwewpkt, int(i), punch.NrSczytania});
    }
    std::vector<std::optional<InstrumentPunches>> built(keys.size());
    onTwoThreads(keys.size(), [&](std::size_t k) { built[k].emplace(std::move(keys[k])); });
    std::vector<InstrumentPunches> index;
    index.reserve(keys.size());
    for (auto& group : built)
        index.push_back(std::move(*group));
    return index;
}

// The unclaimed punches and the incidents dated within the period, in punch order.
void listPeriodPunches(const EvaluationInput& input, const std::vector<char>& claimed,
                       Evaluation& result) {
    std::vector<int> outside, incidents;
    for (std::size_t i = 0; i < input.punches.size(); ++i) {
        const Punch& punch = input.punches[i];
        if (!isDated(punch) || punch.Data < input.first || punch.Data > input.last)
            continue;
        if (!claimed[i])
            outside.push_back(int(i));
        if (input.incidentCheckpoints.contains(punch.Nrwewpkt))
            incidents.push_back(int(i));
    }
    // Punches read in the table's date order are in order already; others pay for a sort, of
    // plain numbers rather than of dates and times.
    auto before = [&](int a, int b) { return punchBefore(input.punches[a], input.punches[b]); };
    for (std::vector<int>* list : {&outside, &incidents})
        if (!std::is_sorted(list->begin(), list->end(), before))
            sortInPunchOrder(input.punches, *list);
    result.outside = QList<int>(outside.begin(), outside.end());
    result.incidents = QList<int>(incidents.begin(), incidents.end());
}

} // namespace ronvalo::detail

// A period's punches for judging: on the files the table's own order on two connections at once,
// sorted here; on a server, and without Obchody.db, through the data module's own reading.
#include "core/rounds/period_punches.h"

#include <QVariant>
#include <algorithm>
#include <exception>
#include <initializer_list>
#include <map>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "core/common/exception.h"
#include "core/common/work_progress.h"
#include "core/rounds/rounds_store.h"
#include "core/rounds/two_threads.h"
#include "core/store/data_module.h"
#include "core/store/punch_extent.h"
#include "core/store/punch_filter.h"
#include "core/store/punch_scan.h"
#include "core/store/reading_query.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// Punch order, as the evaluation takes the punches. A function object, which the sort inlines.
constexpr auto inPunchOrder = [](const Punch& a, const Punch& b) {
    return std::tie(a.Data, a.Czas, a.AutoNr) < std::tie(b.Data, b.Czas, b.AutoNr);
};

// Whether two instrument numbers are the same: mostly the very copy the reading shares among the
// rows of a run, which needs no comparison of the characters.
bool sameInstrument(const QString& a, const QString& b) {
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// The punches of the wanted instruments as they are read, each instrument's apart in the order
// read.
class InstrumentGroups {
public:
    explicit InstrumentGroups(const QSet<QString>& wanted) : wanted_(wanted) {}

    void add(Punch&& punch) {
        // The rows of one download follow each other: mostly the instrument of the row before.
        if (!started_ || !sameInstrument(punch.Nrczyt, lastInstrument_)) {
            started_ = true;
            lastInstrument_ = punch.Nrczyt;
            group_ = wanted_.contains(lastInstrument_) ? &groups_[lastInstrument_] : nullptr;
        }
        if (group_)
            group_->append(std::move(punch));
    }

    std::map<QString, QList<Punch>>& groups() { return groups_; }

private:
    const QSet<QString>& wanted_;
    std::map<QString, QList<Punch>> groups_;
    bool started_ = false;
    QString lastInstrument_;
    QList<Punch>* group_ = nullptr; // lastInstrument_'s; none when it is not wanted
};

// The pieces of one instrument's punches, in the order read.
struct InstrumentPieces {
    std::vector<QList<Punch>*> lists;
    qsizetype begin = 0; // where its punches go in the whole
};

// Moves the punches of `pieces` to `to` in punch order and empties the pieces. Rows imported in
// the order they were punched come sorted already; only the others pay for a sort, of pointers
// rather than of the punches themselves.
void moveInPunchOrder(const std::vector<QList<Punch>*>& pieces, Punch* to) {
    std::vector<Punch*> order;
    for (QList<Punch>* list : pieces)
        for (Punch& punch : *list)
            order.push_back(&punch);
    const auto byPunch = [](const Punch* a, const Punch* b) { return inPunchOrder(*a, *b); };
    if (!std::is_sorted(order.cbegin(), order.cend(), byPunch))
        std::sort(order.begin(), order.end(), byPunch);
    for (Punch* punch : order)
        *to++ = std::move(*punch);
    for (QList<Punch>* list : pieces)
        *list = QList<Punch>();
}

// The punches of each instrument together, the instruments by number, each one's in punch
// order: the order the report's lists had when the punches were read instrument by instrument.
// `parts` are readings of consecutive stretches of the table, each instrument's punches taken
// in their order. The instruments two at a time.
QList<Punch> groupedInPunchOrder(std::initializer_list<InstrumentGroups*> parts) {
    std::map<QString, InstrumentPieces> byInstrument;
    for (InstrumentGroups* part : parts)
        for (auto& [instrument, punches] : part->groups())
            byInstrument[instrument].lists.push_back(&punches);
    std::vector<InstrumentPieces*> instruments;
    qsizetype total = 0;
    for (auto& [instrument, pieces] : byInstrument) {
        pieces.begin = total;
        for (const QList<Punch>* list : pieces.lists)
            total += list->size();
        instruments.push_back(&pieces);
    }
    QList<Punch> grouped(total);
    Punch* const rows = grouped.data();
    onTwoThreads(instruments.size(), [&](std::size_t k) {
        moveInPunchOrder(instruments[k]->lists, rows + instruments[k]->begin);
    });
    return grouped;
}

// Tells how far the reading came by the latest day read, and stops it when asked to.
class DayProgress {
public:
    DayProgress(const QDate& from, const QDate& to, const std::function<bool(qint64, qint64)>& tell)
        : from_(from), days_(from.daysTo(to) + 1), tell_(tell) {}

    void row(const QDate& day) {
        if (!tell_ || ++rows_ % rowsBetweenLooks != 0)
            return;
        if (day.isValid())
            latest_ = std::max(latest_, from_.daysTo(day));
        if (!tell_(std::clamp<qint64>(latest_, 0, days_), days_))
            throw WorkStopped();
    }

    // The whole period read.
    void end() {
        if (tell_ && !tell_(days_, days_))
            throw WorkStopped();
    }

private:
    static constexpr qint64 rowsBetweenLooks = 4096;
    QDate from_;
    qint64 days_;
    const std::function<bool(qint64, qint64)>& tell_;
    qint64 rows_ = 0;
    qint64 latest_ = 0;
};

// Below this many rows a second connection costs more than it saves.
constexpr qint64 rowsWorthASecondReader = 10000;

// Hands every row `rows` selects from the punch file to `keep` as a punch.
template <class Keep> void scanRows(const QString& file, const PunchScanRows& rows, Keep&& keep) {
    PunchScan scan(file, rows);
    for (Punch punch; scan.next(punch);)
        keep(std::move(punch));
}

// Reads the punches of `instruments` that `rows` selects from the punch file on a thread of its
// own. Going before punches() were taken, it stops the reading and waits for the thread.
class SecondReader {
public:
    SecondReader(const QString& file, const PunchScanRows& rows, const QSet<QString>& instruments)
        : punches_(instruments), thread_([this, file, rows](std::stop_token stop) {
              try {
                  scanRows(file, rows, [&](Punch&& punch) {
                      if (stop.stop_requested())
                          throw WorkStopped();
                      punches_.add(std::move(punch));
                  });
              } catch (...) {
                  failure_ = std::current_exception();
              }
          }) {}

    // The punches read; what failed the reading raised here.
    InstrumentGroups& punches() {
        thread_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        return punches_;
    }

private:
    InstrumentGroups punches_;
    std::exception_ptr failure_;
    std::jthread thread_; // last: it starts once the rest is made, and is joined first
};

} // namespace

QList<Punch> loadPeriodPunches(TDM3& dm, const QDate& from, const QDate& to,
                               const QSet<QString>& instruments,
                               const std::function<bool(qint64, qint64)>& progress) {
    if (instruments.isEmpty() || to < from)
        return {};
    DayProgress told(from, to, progress);
    InstrumentGroups punches(instruments);
    const auto keep = [&](Punch&& punch) {
        told.row(punch.Data);
        punches.add(std::move(punch));
    };
    // One instrument of many is found through its own index; more are taken from one reading
    // of the period. Obchody.db missing: the punches through the data module's own statements.
    if (instruments.size() == 1 || dm.onServer() || dm.roundsFileMissing()) {
        PunchCriteria criteria;
        criteria.fromDate = from;
        criteria.toDate = to;
        criteria.instrument = *instruments.cbegin();
        const auto next =
            dm.readPunches(instruments.size() == 1 ? PunchSelection::of(criteria)
                                                   : PunchSelection::period(from, to));
        for (Punch punch; next(punch);)
            keep(std::move(punch));
        told.end();
        return groupedInPunchOrder({&punches});
    }
    // Walked: the rows in the file's order, a straight walk through its pages, where the date
    // index would visit them in date order, a page jump for many a row.
    PunchScanRows rows{from, to, periodWorthAScan(dm, from, to), std::nullopt};
    const QString file = dm.tbOdbicia.filePath();
    const auto span = rows.walkTheFile ? punchRowSpan(dm) : std::nullopt;
    if (!span || span->last - span->first < rowsWorthASecondReader) {
        scanRows(file, rows, keep);
        told.end();
        return groupedInPunchOrder({&punches});
    }
    // The upper half of the rows on a second thread, the lower half here: the rows' conversion,
    // most of the reading's time, on both processor cores.
    const qint64 middle = span->first + (span->last - span->first) / 2;
    PunchScanRows upperRows = rows;
    upperRows.autoNrs = {middle + 1, span->last};
    SecondReader upper(file, upperRows, instruments);
    rows.autoNrs = {span->first, middle};
    scanRows(file, rows, keep);
    InstrumentGroups& upperPunches = upper.punches();
    told.end();
    return groupedInPunchOrder({&punches, &upperPunches});
}

} // namespace ronvalo

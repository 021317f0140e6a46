// A period's punches for judging: on the files the table's own order on two connections at once,
// sorted here; on a server, and without Obchody.db, through the data module's own reading.
#include "core/rounds/period_punches.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <exception>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "core/common/exception.h"
#include "core/common/work_progress.h"
#include "core/rounds/rounds_store.h"
#include "core/rounds/two_threads.h"
#include "core/store/data_module.h"
#include "core/store/punch_filter.h"
#include "core/store/reading_query.h"
#include "core/store/sqlite_connection.h"
#include "core/store/stored_dates.h"

namespace ronvalo {

namespace {

// A row of the punch table as read for judging, the day's date kept from the row before, as the
// rows of one day follow each other.
class PunchRowReader {
public:
    Punch read(const QSqlQuery& query) {
        Punch punch;
        punch.AutoNr = query.value(0).toLongLong();
        const QString dateText = query.value(1).toString();
        if (dateText != lastDateText_) {
            lastDateText_ = dateText;
            lastDate_ = dateFromStored(dateText);
        }
        punch.Data = lastDate_;
        punch.Czas = timeFromStored(query.value(2).toString());
        punch.Nrwewpkt = query.value(3).toInt();
        const QString instrument = query.value(4).toString();
        // One shared copy of each instrument's number rather than one per row.
        if (instrument != lastInstrument_)
            lastInstrument_ = instrument;
        punch.Nrczyt = lastInstrument_;
        punch.NrSczytania = query.value(5).toInt();
        return punch;
    }

private:
    QString lastDateText_;
    QDate lastDate_;
    QString lastInstrument_;
};

// Punch order, as the evaluation takes the punches.
bool inPunchOrder(const Punch& a, const Punch& b) {
    return std::tie(a.Data, a.Czas, a.AutoNr) < std::tie(b.Data, b.Czas, b.AutoNr);
}

// The punches of each instrument together, the instruments by number, each one's in punch
// order: the order the report's lists had when the punches were read instrument by instrument.
// Rows imported in the order they were punched come sorted already; only the others pay for it.
QList<Punch> groupedByInstrument(QList<Punch> punches) {
    QHash<QString, qsizetype> groupOf;
    std::vector<qsizetype> group(punches.size());
    std::vector<qsizetype> sizes;
    for (qsizetype i = 0; i < punches.size(); ++i) {
        auto found = groupOf.constFind(punches[i].Nrczyt);
        if (found == groupOf.cend()) {
            found = groupOf.insert(punches[i].Nrczyt, qsizetype(sizes.size()));
            sizes.push_back(0);
        }
        group[i] = *found;
        ++sizes[*found];
    }
    QStringList instruments = groupOf.keys();
    instruments.sort();
    std::vector<qsizetype> begins(sizes.size());
    qsizetype next = 0;
    for (const QString& instrument : instruments) {
        begins[groupOf.value(instrument)] = next;
        next += sizes[groupOf.value(instrument)];
    }
    QList<Punch> grouped(punches.size());
    std::vector<qsizetype> ends = begins;
    for (qsizetype i = 0; i < punches.size(); ++i)
        grouped[ends[group[i]]++] = std::move(punches[i]);
    // The groups apart from each other, sorted two at a time.
    Punch* const rows = grouped.data();
    onTwoThreads(begins.size(), [&](std::size_t g) {
        Punch* const first = rows + begins[g];
        Punch* const last = rows + ends[g];
        if (!std::is_sorted(first, last, inPunchOrder))
            std::sort(first, last, inPunchOrder);
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

// Whether walking the whole file reads the period sooner than the date index does: when the
// period covers a good part of the days the table holds. A short period of a long table is
// found through the index, which visits only its rows.
bool periodWorthAScan(TDM3& dm, const QDate& from, const QDate& to) {
    QSqlQuery extent =
        runRoundsQuery(dm, QStringLiteral("SELECT MIN(Data), MAX(Data) FROM main.Odbicia"));
    if (!extent.next() || extent.value(0).isNull())
        return false;
    const QDate first = dateFromStored(extent.value(0).toString());
    const QDate last = dateFromStored(extent.value(1).toString());
    if (!first.isValid() || !last.isValid())
        return false;
    const qint64 covered = std::max(from, first).daysTo(std::min(to, last)) + 1;
    return 4 * covered >= first.daysTo(last) + 1;
}

// The lowest and highest AutoNr of the punch table; none when it is empty.
struct RowSpan {
    qint64 first = 0;
    qint64 last = 0;
};
std::optional<RowSpan> rowSpan(TDM3& dm) {
    QSqlQuery extent =
        runRoundsQuery(dm, QStringLiteral("SELECT MIN(AutoNr), MAX(AutoNr) FROM main.Odbicia"));
    if (!extent.next() || extent.value(0).isNull())
        return std::nullopt;
    return RowSpan{extent.value(0).toLongLong(), extent.value(1).toLongLong()};
}

// Below this many rows a second connection costs more than it saves.
constexpr qint64 rowsWorthASecondReader = 10000;

// Hands every row of the executed `rows` to `keep` as a punch; a failure of the reading raises
// EDatabaseError naming `file`.
void readRows(QSqlQuery rows, const QString& file, const std::function<void(Punch&&)>& keep) {
    PunchRowReader reader;
    while (rows.next())
        keep(reader.read(rows));
    if (rows.lastError().isValid())
        throw EDatabaseError(file + QStringLiteral(": ") + rows.lastError().text());
}

// Reads the punches of `instruments` that `sql` bound with `values` selects from the punch file
// on a thread and a read-only connection of its own. Going before punches() were taken, it stops
// the reading and waits for the thread.
class SecondReader {
public:
    SecondReader(const QString& file, const QString& sql, const QVariantList& values,
                 const QSet<QString>& instruments)
        : thread_([this, file, sql, values, &instruments](std::stop_token stop) {
              try {
                  read(file, sql, values, instruments, stop);
              } catch (...) {
                  failure_ = std::current_exception();
              }
          }) {}

    // The punches read, in the file's order; what failed the reading raised here.
    QList<Punch> punches() {
        thread_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        return std::move(punches_);
    }

private:
    void read(const QString& file, const QString& sql, const QVariantList& values,
              const QSet<QString>& instruments, const std::stop_token& stop) {
        SqliteConnection connection(
            file, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        if (!connection.isOpen())
            throw EDatabaseError(file + QStringLiteral(": ") + connection.lastError().text());
        QSqlQuery rows(connection.database());
        rows.setForwardOnly(true);
        bool ok = rows.prepare(sql);
        for (const QVariant& value : values)
            rows.addBindValue(value);
        if (!ok || !rows.exec())
            throw EDatabaseError(file + QStringLiteral(": ") + rows.lastError().text());
        readRows(std::move(rows), file, [&](Punch&& punch) {
            if (stop.stop_requested())
                throw WorkStopped();
            if (instruments.contains(punch.Nrczyt))
                punches_.append(std::move(punch));
        });
    }

    QList<Punch> punches_;
    std::exception_ptr failure_;
    std::jthread thread_; // last: it starts once the rest is made, and is joined first
};

} // namespace

QList<Punch> loadPeriodPunches(TDM3& dm, const QDate& from, const QDate& to,
                               const QSet<QString>& instruments,
                               const std::function<bool(qint64, qint64)>& progress) {
    QList<Punch> punches;
    if (instruments.isEmpty() || to < from)
        return punches;
    DayProgress told(from, to, progress);
    const auto keep = [&](Punch&& punch) {
        told.row(punch.Data);
        if (instruments.contains(punch.Nrczyt))
            punches.append(std::move(punch));
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
        return groupedByInstrument(std::move(punches));
    }
    // NOT INDEXED: the rows in the file's order, a straight walk through its pages, where the
    // date index would visit them in date order, a page jump for many a row.
    const bool scanned = periodWorthAScan(dm, from, to);
    const QString sql =
        QStringLiteral("SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM "
                       "main.Odbicia%1 WHERE Data >= ? AND Data <= ?")
            .arg(scanned ? QStringLiteral(" NOT INDEXED") : QString());
    const QVariantList period{storedDate(from), storedDate(to)};
    const auto span = scanned ? rowSpan(dm) : std::nullopt;
    if (!span || span->last - span->first < rowsWorthASecondReader) {
        readRows(runRoundsQuery(dm, sql, period), dm.tbOdbicia.filePath(), keep);
    } else {
        const QString half = sql + QStringLiteral(" AND AutoNr >= ? AND AutoNr <= ?");
        // The upper half of the rows on a second connection of its own, the lower half here:
        // the rows' conversion, most of the reading's time, on both processor cores.
        const qint64 middle = span->first + (span->last - span->first) / 2;
        SecondReader upper(dm.tbOdbicia.filePath(), half,
                           period + QVariantList{middle + 1, span->last}, instruments);
        readRows(runRoundsQuery(dm, half, period + QVariantList{span->first, middle}),
                 dm.tbOdbicia.filePath(), keep);
        punches.append(upper.punches());
    }
    told.end();
    return groupedByInstrument(std::move(punches));
}

} // namespace ronvalo

// The overview's figures, from the same reading and evaluation as the exception report.
#include "web/overview.h"

#include <QHash>

#include "core/common/natural_order.h"
#include "core/rounds/exception_report.h"
#include "core/store/rounds_downloads.h"
#include "core/store/rounds_tables.h"
#include "web/instrument_cut.h"

namespace ronvalo::web {

namespace {

// Each instrument's newest download: number and moment, by the number the transfers name it
// (whole when archived, its first 10 characters before the archive).
void addLastTransfers(TDM3& dm, QList<InstrumentOverview>& instruments,
                      const QList<Transfer>& transfers) {
    QHash<QString, Transfer> newest;
    for (const Transfer& transfer : transfers) {
        Transfer& kept = newest[transfer.instrument];
        if (transfer.download > kept.download)
            kept = transfer;
    }
    QHash<qint32, DownloadClock> clocks;
    for (const DownloadClock& clock : loadLatestDownloadClocks(dm))
        clocks.insert(clock.download, clock);
    for (InstrumentOverview& instrument : instruments) {
        Transfer found = newest.value(instrument.instrument);
        const Transfer older = newest.value(instrument.instrument.left(10));
        if (older.download > found.download)
            found = older;
        if (found.download == 0)
            continue;
        instrument.lastDownload = found.download;
        instrument.lastTransfer = found.moment;
        if (const auto clock = clocks.constFind(found.download); clock != clocks.cend()) {
            instrument.lastTransfer = clock->received;
            instrument.clockKnown = true;
            instrument.driftMinutes = clock->driftMinutes;
        }
    }
}

// The evaluation of the days up to today for the plans of the instruments in `cut`: the same
// reading and judging as the exception report's.
Evaluation judgeDays(TDM3& dm, const InstrumentCut& cut, const QDate& first, const QDate& last,
                     const QList<Transfer>& transfers, QList<Punch>& punches) {
    ExceptionReportChoices choices;
    choices.from = first;
    choices.to = last;
    ExceptionReportTables tables =
        loadExceptionReportTables(dm, choices, {}, [&](TDM3&) { return transfers; });
    QList<Plan> plans;
    for (Plan& plan : tables.plans)
        if (cut.instrument(plan.instrument))
            plans.append(std::move(plan));
    punches = std::move(tables.punches);
    EvaluationInput input;
    input.plans = std::move(plans);
    input.punches = punches;
    input.first = first;
    input.last = last;
    input.incidentCheckpoints = tables.incidentCheckpoints;
    input.lastTransfers = tables.lastTransfers;
    return evaluate(input);
}

} // namespace

Overview buildOverview(TDM3& dm, const InstrumentCut& cut, const QDateTime& now,
                       const TransferSource& transfersOf) {
    // Read once for both of their users.
    const QList<Transfer> transfers = transfersOf(dm);
    Overview overview;
    overview.today = now.date();
    QStringList numbers = cut.visible();
    std::sort(numbers.begin(), numbers.end(), naturalLess);
    const QHash<QString, QString> descriptions = [&] {
        QHash<QString, QString> byNumber;
        for (const InstrumentName& name : loadInstruments(dm))
            byNumber.insert(name.instrument, name.description);
        return byNumber;
    }();
    QHash<QString, qsizetype> slot;
    for (const QString& number : numbers) {
        slot.insert(number, overview.instruments.size());
        InstrumentOverview instrument;
        instrument.instrument = number;
        instrument.description = descriptions.value(number);
        overview.instruments.append(instrument);
    }
    addLastTransfers(dm, overview.instruments, transfers);

    const QDate first = overview.today.addDays(1 - overviewDays);
    QList<Punch> punches;
    const Evaluation evaluation = judgeDays(dm, cut, first, overview.today, transfers, punches);
    for (const RoundRow& round : evaluation.rounds) {
        const auto found = slot.constFind(round.instrument);
        if (found == slot.cend() || round.day < first || round.day > overview.today)
            continue;
        InstrumentOverview& instrument = overview.instruments[*found];
        const qint64 age = round.day.daysTo(overview.today);
        countRound(instrument.days[std::size_t(overviewDays - 1 - age)], round);
        countRound(instrument.lastMonth, round);
        if (age < 7)
            countRound(instrument.lastWeek, round);
    }
    return overview;
}

QString agoText(const QDateTime& moment, const QDateTime& now) {
    const qint64 minutes = moment.secsTo(now) / 60;
    if (minutes < 1)
        return QStringLiteral("przed chwilą");
    if (minutes < 60)
        return QStringLiteral("%1 min temu").arg(minutes);
    if (minutes < 48 * 60)
        return QStringLiteral("%1 godz. temu").arg(minutes / 60);
    return QStringLiteral("%1 dni temu").arg(minutes / (24 * 60));
}

QString overdueText(const InstrumentOverview& instrument, const QDateTime& now) {
    if (instrument.lastDownload == 0 || !instrument.lastTransfer.isValid())
        return QStringLiteral("Brak odczytu");
    const qint64 days = instrument.lastTransfer.date().daysTo(now.date());
    return days > overdueDays ? QStringLiteral("Brak odczytu od %1 dni").arg(days) : QString();
}

} // namespace ronvalo::web

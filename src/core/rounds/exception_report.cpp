// The exception report's content: the tables read for a period, judged, and turned into rows.
#include "core/rounds/exception_report.h"

#include <QMap>
#include <algorithm>
#include <span>

#include "core/common/natural_order.h"
#include "core/rounds/last_transfer.h"
#include "core/rounds/period_punches.h"
#include "core/rounds/rounds_store.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/punch_filter.h"
#include "core/store/rounds_downloads.h"
#include "core/store/rounds_tables.h"

namespace ronvalo {

namespace {

const QString everyChoice = QStringLiteral("wszystkie");

// The statuses as the summary counts them, from the rounds walked as planned to those not walked.
constexpr RoundStatus countedStatuses[] = {RoundStatus::Done,       RoundStatus::Late,
                                           RoundStatus::OutOfOrder, RoundStatus::Incomplete,
                                           RoundStatus::NotWalked,  RoundStatus::NoReading};

QString statusCountTitle(RoundStatus status) {
    switch (status) {
    case RoundStatus::Done:
        return QStringLiteral("Wykonane");
    case RoundStatus::Late:
        return QStringLiteral("Spóźnione");
    case RoundStatus::OutOfOrder:
        return QStringLiteral("Poza kolejnością");
    case RoundStatus::Incomplete:
        return QStringLiteral("Niepełne");
    case RoundStatus::NoReading:
        return QStringLiteral("Brak odczytu");
    case RoundStatus::NotWalked:
        break;
    }
    return QStringLiteral("Nie wykonane");
}

bool isChosen(const QString& name, const QString& instrument,
              const ExceptionReportChoices& choices) {
    return (!choices.plan || name == *choices.plan) &&
           (!choices.instrument || instrument == *choices.instrument);
}

// The instruments whose punches the report shows, as punches store them: the one chosen; the
// chosen plan's; or, with neither, every one. None: every instrument.
std::optional<QSet<QString>> instrumentsInScope(const QList<Plan>& plans,
                                                const ExceptionReportChoices& choices) {
    if (choices.instrument)
        return QSet<QString>{punchInstrument(*choices.instrument)};
    if (!choices.plan)
        return std::nullopt;
    QSet<QString> instruments;
    for (const Plan& plan : plans)
        if (plan.name == *choices.plan)
            instruments.insert(punchInstrument(plan.instrument));
    return instruments;
}

// Every plan of the instruments in scope: a round's verdict depends on the other rounds of its
// instrument, never on what the operator chose to see.
QList<Plan> judgedPlans(const QList<Plan>& plans, const std::optional<QSet<QString>>& scope) {
    QList<Plan> judged;
    for (const Plan& plan : plans)
        if (!scope || scope->contains(punchInstrument(plan.instrument)))
            judged.append(plan);
    return judged;
}

ReportPunch reportPunch(const Punch& punch, const ExceptionReportTables& tables) {
    return {punch.Data, punch.Czas, tables.checkpoints.label(punch.Nrwewpkt),
            tables.instruments.label(punch.Nrczyt)};
}

// The clocks to check of the downloads with a punch in the period of the instruments shown,
// each with its instrument's label.
QList<DownloadClock> periodClocks(std::span<const Punch> punches,
                                  const std::optional<QSet<QString>>& scope,
                                  const ExceptionReportTables& tables,
                                  const ExceptionReportChoices& choices) {
    if (tables.downloadClocks.isEmpty())
        return {};
    QSet<qint32> downloads;
    for (const Punch& punch : punches)
        if (punch.Data >= choices.from && punch.Data <= choices.to &&
            (!scope || scope->contains(punch.Nrczyt)))
            downloads.insert(punch.NrSczytania);
    QList<DownloadClock> clocks;
    for (DownloadClock clock : tables.downloadClocks)
        if (downloads.contains(clock.download) && clockNeedsChecking(clock)) {
            clock.instrument = tables.instruments.label(clock.instrument);
            clocks.append(clock);
        }
    return clocks;
}

ExceptionRound exceptionRound(const RoundRow& row, std::span<const Punch> punches,
                              const ExceptionReportTables& tables) {
    ExceptionRound round;
    round.day = row.day;
    round.plan = row.planName;
    round.instrument = tables.instruments.label(row.instrument);
    round.plannedStart = row.plannedStart.time();
    if (row.walked())
        round.start = punches[row.start].Czas;
    round.status = row.status;
    for (const qint32 checkpoint : missingCheckpoints(row))
        round.missing << tables.checkpoints.label(checkpoint);
    for (const qint32 checkpoint : outOfOrderCheckpoints(row))
        round.outOfOrder << tables.checkpoints.label(checkpoint);
    return round;
}

} // namespace

QStringList exceptionReportTitles() {
    return {QStringLiteral("Data"),
            QStringLiteral("Plan"),
            QStringLiteral("Czytnik"),
            QStringLiteral("Start plan."),
            QStringLiteral("Start"),
            QStringLiteral("Status"),
            QStringLiteral("Brakujące punkty")};
}

TableColumns exceptionReportColumns() {
    return {exceptionReportTitles(),
            {CellKind::Date, CellKind::Text, CellKind::Text, CellKind::Time, CellKind::Time,
             CellKind::Text, CellKind::Text}};
}

QStringList exceptionRoundFields(const ExceptionRound& round) {
    return {csvDate(round.day),          round.plan,           round.instrument,
            csvTime(round.plannedStart), csvTime(round.start), roundStatusText(round.status),
            roundCheckpointsText(round)};
}

QString roundCheckpointsText(const ExceptionRound& round) {
    QStringList parts = round.missing;
    for (const QString& checkpoint : round.outOfOrder)
        parts << checkpoint + QStringLiteral(" (poza kolejnością)");
    return parts.join(QStringLiteral(", "));
}

CsvRowSource exceptionRoundRows(const QList<ExceptionRound>& rounds) {
    return [&rounds, next = qsizetype(0)](QStringList& fields) mutable {
        if (next == rounds.size())
            return false;
        fields = exceptionRoundFields(rounds[next++]);
        return true;
    };
}

QStringList summaryTitles() {
    QStringList titles{QStringLiteral("Zaplanowane")};
    for (const RoundStatus status : countedStatuses)
        titles << statusCountTitle(status);
    return titles << QStringLiteral("Zgodność");
}

QStringList summaryFields(const RoundCounts& counts) {
    QStringList fields{QString::number(counts.planned)};
    for (const RoundStatus status : countedStatuses)
        fields << QString::number(counts.count(status));
    return fields << complianceText(counts);
}

QString summaryLine(const RoundCounts& counts) {
    const QStringList titles = summaryTitles();
    const QStringList fields = summaryFields(counts);
    QStringList parts;
    for (qsizetype i = 0; i < titles.size(); ++i)
        parts << titles[i] + QStringLiteral(": ") + fields[i];
    return parts.join(QStringLiteral("   "));
}

QString exceptionReportSummary(const ExceptionReport& report) {
    if (const QString notice = exceptionReportNotice(report); !notice.isEmpty())
        return notice;
    QString line = summaryLine(report.total);
    if (!report.clocks.isEmpty())
        line += QStringLiteral("   Odczyty z zegarem do sprawdzenia: %1").arg(report.clocks.size());
    return line;
}

QString exceptionReportNotice(const ExceptionReport& report) {
    const ExceptionReportChoices& choices = report.choices;
    if (choices.to < choices.from)
        return QStringLiteral("Okres odwrócony: „do” (%1) jest przed „od” (%2), raport jest pusty")
            .arg(choices.to.toString(Qt::ISODate), choices.from.toString(Qt::ISODate));
    if (report.noPlans)
        return QStringLiteral("Brak planów obchodów: nie ma czego oceniać (plany zakłada się "
                              "w oknie „Plany obchodów”)");
    return {};
}

namespace {

void refuseTooLarge(const QList<Plan>& chosen, const ExceptionReportChoices& choices) {
    const qint64 rounds = plannedRoundsAtMost(chosen, choices.from, choices.to);
    if (rounds > maxReportRounds)
        throw EReportTooLarge(QStringLiteral("Raport objąłby %1 zaplanowanych obchodów, najwyżej "
                                             "można %2: wybierz krótszy okres, jeden plan albo "
                                             "jeden czytnik")
                                  .arg(rounds)
                                  .arg(maxReportRounds));
}

ExceptionReport emptyReport(const ExceptionReportTables& tables,
                            const ExceptionReportChoices& choices) {
    ExceptionReport report;
    report.choices = choices;
    report.instrumentText =
        choices.instrument ? tables.instruments.label(*choices.instrument) : everyChoice;
    report.planText = choices.plan.value_or(everyChoice);
    report.archiveDigest = tables.archiveDigest;
    report.noPlans = tables.plans.isEmpty();
    return report;
}

} // namespace

ExceptionReport exceptionReportOf(const Evaluation& evaluation, std::span<const Punch> punches,
                                  const ExceptionReportTables& tables,
                                  const ExceptionReportChoices& choices) {
    ExceptionReport report = emptyReport(tables, choices);
    QList<RoundRow> chosen;
    for (const RoundRow& row : evaluation.rounds)
        if (isChosen(row.planName, row.instrument, choices))
            chosen.append(row);
    for (const RoundRow& row : std::as_const(chosen))
        if (!choices.exceptionsOnly || row.status != RoundStatus::Done)
            report.rounds.append(exceptionRound(row, punches, tables));
    RoundTotals totals = countRounds(chosen);
    report.perPlan = std::move(totals.perPlan);
    report.total = totals.total;
    std::stable_sort(
        report.perPlan.begin(), report.perPlan.end(),
        [](const RoundCounts& a, const RoundCounts& b) { return naturalLess(a.plan, b.plan); });
    const auto scope = instrumentsInScope(tables.plans, choices);
    auto shown = [&](int punch) { return !scope || scope->contains(punches[punch].Nrczyt); };
    for (const int punch : evaluation.outside)
        if (shown(punch))
            report.outside.append(reportPunch(punches[punch], tables));
    for (const int punch : evaluation.incidents)
        if (shown(punch))
            report.incidents.append(reportPunch(punches[punch], tables));
    report.clocks = periodClocks(punches, scope, tables, choices);
    return report;
}

ExceptionReport buildExceptionReport(const ExceptionReportTables& tables,
                                     const ExceptionReportChoices& choices) {
    if (choices.to < choices.from)
        return emptyReport(tables, choices);
    EvaluationInput input;
    const auto scope = instrumentsInScope(tables.plans, choices);
    input.plans = judgedPlans(tables.plans, scope);
    refuseTooLarge(input.plans, choices);
    QList<Punch> punches;
    for (const Punch& punch : tables.punches)
        if (!scope || scope->contains(punch.Nrczyt))
            punches.append(punch);
    input.punches = std::span<const Punch>(punches.constData(), punches.size());
    input.first = choices.from;
    input.last = choices.to;
    input.incidentCheckpoints = tables.incidentCheckpoints;
    input.lastTransfers = tables.lastTransfers;
    return exceptionReportOf(evaluate(input), input.punches, tables, choices);
}

ExceptionReportTables loadExceptionReportTables(TDM3& dm, const ExceptionReportChoices& choices,
                                                const ReadingProgress& progress,
                                                const TransferSource& transfersOf) {
    ExceptionReportTables tables;
    if (dm.roundsFileMissing()) {
        QList<InstrumentName> readers;
        for (const QString& reader : dm.readers())
            readers.append({reader, QString()});
        tables.instruments = InstrumentNames(readers);
    } else {
        tables.plans = loadPlans(dm);
        tables.checkpoints = CheckpointNames(loadNamedCheckpoints(dm));
        tables.instruments = InstrumentNames(loadInstruments(dm));
        tables.archiveDigest = lastArchiveDigest(dm);
    }
    if (choices.to < choices.from)
        return tables;
    if (!dm.roundsFileMissing())
        tables.downloadClocks = loadDownloadClocks(dm, choices.from, choices.to);

    const auto scope = instrumentsInScope(tables.plans, choices);
    const QList<Plan> judged = judgedPlans(tables.plans, scope);
    refuseTooLarge(judged, choices);
    const PunchDates dates = punchDatesToLoad(judged, choices.from, choices.to);
    // The period's own days always: its punches outside any round are listed too.
    const QDate readFrom = dates.from.isValid() ? std::min(dates.from, choices.from) : choices.from;
    const QDate readTo = dates.to.isValid() ? std::max(dates.to, choices.to) : choices.to;
    QSet<QString> instruments;
    if (scope) {
        instruments = *scope;
    } else {
        for (const QString& reader : dm.readers())
            instruments.insert(punchInstrument(reader));
        for (const Plan& plan : tables.plans)
            instruments.insert(punchInstrument(plan.instrument));
    }
    tables.punches = loadPeriodPunches(dm, readFrom, readTo, instruments, progress);
    for (const Punch& punch : std::as_const(tables.punches))
        if (tables.checkpoints.incident(punch.Nrwewpkt))
            tables.incidentCheckpoints.insert(punch.Nrwewpkt);
    if (!dm.roundsFileMissing()) {
        QStringList ordered(instruments.cbegin(), instruments.cend());
        ordered.sort();
        const QList<Transfer> transfers = transfersOf ? transfersOf(dm) : loadTransfers(dm);
        tables.lastTransfers =
            lastTransfers(std::span<const Transfer>(transfers.constData(), transfers.size()),
                          loadLatestPunches(dm, ordered));
    }
    return tables;
}

ExceptionReportOffer loadExceptionReportOffer(TDM3& dm) {
    ExceptionReportOffer offer;
    QMap<QString, QString> instruments;
    for (const InstrumentName& instrument : loadInstruments(dm))
        instruments.insert(instrument.instrument, instrument.description);
    QStringList plans;
    for (const Plan& plan : loadPlans(dm)) {
        if (!instruments.contains(plan.instrument))
            instruments.insert(plan.instrument, QString());
        if (!plans.contains(plan.name))
            plans << plan.name;
    }
    for (auto it = instruments.cbegin(); it != instruments.cend(); ++it)
        offer.instruments.append({it.key(), it.value()});
    std::sort(plans.begin(), plans.end(), naturalLess);
    offer.plans = plans;
    return offer;
}

} // namespace ronvalo

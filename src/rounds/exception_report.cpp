// The exception report's content: the tables read for a period, judged, and turned into rows.
#include "rounds/exception_report.h"

#include <QMap>
#include <algorithm>
#include <span>

#include "rounds/rounds_store.h"
#include "store/archive.h"
#include "store/data_module.h"
#include "store/punch_filter.h"

namespace ronvalo {

namespace {

const QString everyChoice = QStringLiteral("wszystkie");

// The statuses as the summary counts them, from the rounds walked as planned to those not walked.
constexpr RoundStatus countedStatuses[] = {RoundStatus::Done, RoundStatus::Late,
                                           RoundStatus::OutOfOrder, RoundStatus::Incomplete,
                                           RoundStatus::NotWalked};

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
    case RoundStatus::NotWalked:
        break;
    }
    return QStringLiteral("Nie wykonane");
}

bool isChosen(const Plan& plan, const ExceptionReportChoices& choices) {
    return (!choices.plan || plan.name == *choices.plan) &&
           (!choices.instrument || plan.instrument == *choices.instrument);
}

QList<Plan> chosenPlans(const QList<Plan>& plans, const ExceptionReportChoices& choices) {
    QList<Plan> chosen;
    for (const Plan& plan : plans)
        if (isChosen(plan, choices))
            chosen.append(plan);
    return chosen;
}

// The instruments whose punches the report reads, as punches store them: the one chosen; the
// chosen plan's; or, with neither, every one (`known`), so that punches of an instrument without
// a plan show outside the plan and its incidents are never missed. None: every instrument.
std::optional<QSet<QString>> instrumentsInScope(const QList<Plan>& chosen,
                                                const ExceptionReportChoices& choices) {
    if (choices.instrument)
        return QSet<QString>{punchInstrument(*choices.instrument)};
    if (!choices.plan)
        return std::nullopt;
    QSet<QString> instruments;
    for (const Plan& plan : chosen)
        instruments.insert(punchInstrument(plan.instrument));
    return instruments;
}

ReportPunch reportPunch(const Punch& punch, const ExceptionReportTables& tables) {
    return {punch.Data, punch.Czas, tables.checkpoints.label(punch.Nrwewpkt),
            tables.instruments.label(punch.Nrczyt)};
}

// The clocks to check of the downloads with a punch in the period among `punches` (those of the
// instruments in question), each with its instrument's label.
QList<DownloadClock> periodClocks(std::span<const Punch> punches,
                                  const ExceptionReportTables& tables,
                                  const ExceptionReportChoices& choices) {
    if (tables.downloadClocks.isEmpty())
        return {};
    QSet<qint32> downloads;
    for (const Punch& punch : punches)
        if (punch.Data >= choices.from && punch.Data <= choices.to)
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

QStringList exceptionRoundFields(const ExceptionRound& round) {
    return {csvDate(round.day),
            round.plan,
            round.instrument,
            csvTime(round.plannedStart),
            csvTime(round.start),
            roundStatusText(round.status),
            round.missing.join(QStringLiteral(", "))};
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
    QString line = summaryLine(report.total);
    if (!report.clocks.isEmpty())
        line += QStringLiteral("   Odczyty z zegarem do sprawdzenia: %1").arg(report.clocks.size());
    return line;
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
    return report;
}

} // namespace

ExceptionReport exceptionReportOf(const Evaluation& evaluation, std::span<const Punch> punches,
                                  const ExceptionReportTables& tables,
                                  const ExceptionReportChoices& choices) {
    ExceptionReport report = emptyReport(tables, choices);
    for (const RoundRow& row : evaluation.rounds)
        if (!choices.exceptionsOnly || row.status != RoundStatus::Done)
            report.rounds.append(exceptionRound(row, punches, tables));
    report.perPlan = evaluation.perPlan;
    report.total = evaluation.total;
    for (const int punch : evaluation.outside)
        report.outside.append(reportPunch(punches[punch], tables));
    for (const int punch : evaluation.incidents)
        report.incidents.append(reportPunch(punches[punch], tables));
    report.clocks = periodClocks(punches, tables, choices);
    return report;
}

ExceptionReport buildExceptionReport(const ExceptionReportTables& tables,
                                     const ExceptionReportChoices& choices) {
    if (choices.to < choices.from)
        return emptyReport(tables, choices);
    EvaluationInput input;
    input.plans = chosenPlans(tables.plans, choices);
    refuseTooLarge(input.plans, choices);
    const auto scope = instrumentsInScope(input.plans, choices);
    QList<Punch> punches;
    for (const Punch& punch : tables.punches)
        if (!scope || scope->contains(punch.Nrczyt))
            punches.append(punch);
    input.punches = std::span<const Punch>(punches.constData(), punches.size());
    input.first = choices.from;
    input.last = choices.to;
    input.incidentCheckpoints = tables.incidentCheckpoints;
    return exceptionReportOf(evaluate(input), input.punches, tables, choices);
}

ExceptionReportTables loadExceptionReportTables(TDM3& dm, const ExceptionReportChoices& choices,
                                                const ReadingProgress& progress) {
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

    const QList<Plan> chosen = chosenPlans(tables.plans, choices);
    refuseTooLarge(chosen, choices);
    const PunchDates dates = punchDatesToLoad(chosen, choices.from, choices.to);
    // The period's own days always: its punches outside any round are listed too.
    const QDate readFrom = dates.from.isValid() ? std::min(dates.from, choices.from) : choices.from;
    const QDate readTo = dates.to.isValid() ? std::max(dates.to, choices.to) : choices.to;
    QSet<QString> instruments;
    if (const auto scope = instrumentsInScope(chosen, choices)) {
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
    offer.plans = plans;
    return offer;
}

} // namespace ronvalo

// The exception report's content: the rounds of a period judged from the tables, as the window's
// grid, the CSV file and the printed report show them.
#pragma once

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <optional>
#include <span>

#include "core/common/csv_writer.h"
#include "core/common/exception.h"
#include "core/proof/archive_check.h"
#include "core/rounds/clock_drift.h"
#include "core/rounds/evaluation.h"
#include "core/rounds/names.h"

namespace ronvalo {

class TDM3;

// What the operator chose: the period (both days included), one instrument or all, one plan (by
// name) or all, and whether rounds walked as planned are left out.
struct ExceptionReportChoices {
    QDate from;
    QDate to;
    std::optional<QString> instrument; // NrCzytnika; none: "wszystkie"
    std::optional<QString> plan;       // Nazwa; none: "wszystkie"
    bool exceptionsOnly = false;       // "tylko wyjątki"
};

// One round as a grid row shows it.
struct ExceptionRound {
    QDate day;
    QString plan;
    QString instrument; // "0123 Brama północna"
    QTime plannedStart;
    QTime start; // null: not walked
    RoundStatus status = RoundStatus::NotWalked;
    QStringList missing;         // "12 Brama główna", in step order
    QStringList outOfOrder = {}; // the steps taken out of order, the same way
};

// A punch as the "Poza planem" and "Zdarzenia" lists show it.
struct ReportPunch {
    QDate date;
    QTime time;
    QString checkpoint; // "12 Brama główna", just the number when unnamed or unknown
    QString instrument;
};

struct ExceptionReport {
    ExceptionReportChoices choices;
    QString instrumentText;       // the instrument's label, or "wszystkie"
    QString planText;             // the plan's name, or "wszystkie"
    QList<ExceptionRound> rounds; // without the "Wykonany" ones when only exceptions are asked
    QList<RoundCounts> perPlan;   // of every round of the period, shown or not; plans in natural
                                  // order of their names ("Obchód 2" before "Obchód 10")
    RoundCounts total;
    QList<ReportPunch> outside;
    QList<ReportPunch> incidents;
    // The period's downloads whose instrument's clock was off by more than the limit or is
    // unknown, by number, each with its instrument's label.
    QList<DownloadClock> clocks;
    // The download archive's last digest when the report was made; empty: the archive is empty.
    QString archiveDigest;
    // What the archive check found of the tables the report was made from, checked before the
    // report is printed: the pages' footer prints its beginning and last digest, or that the
    // tables are not intact.
    ArchiveSeal archive;
    bool noPlans = false; // the installation has no round plans at all
};

// What the report is made from, read from the tables.
struct ExceptionReportTables {
    QList<Plan> plans; // every validity period
    QList<Punch> punches;
    CheckpointNames checkpoints;
    InstrumentNames instruments;
    QSet<qint32> incidentCheckpoints;
    QList<DownloadClock> downloadClocks; // the archived downloads with punches in the period
    QString archiveDigest;
    // Each instrument's last transfer (see EvaluationInput); none: every round is judged.
    std::optional<QHash<QString, QDateTime>> lastTransfers;
};

// The grid's and the CSV file's column titles.
QStringList exceptionReportTitles();
// The titles with their columns' kinds, for a spreadsheet: the plan and the instrument are text.
TableColumns exceptionReportColumns();
// A round's fields under those titles: the date "2004-04-26", times "08:15" ("Start" empty for a
// round not walked), the checkpoints as roundCheckpointsText() writes them.
QStringList exceptionRoundFields(const ExceptionRound& round);
// The "Brakujące punkty" cell: the missing checkpoints, then those taken out of order with
// " (poza kolejnością)", separated by ", ".
QString roundCheckpointsText(const ExceptionRound& round);

// The rounds' fields one row at a time, for CsvWriter; the list must outlive the source.
CsvRowSource exceptionRoundRows(const QList<ExceptionRound>& rounds);

// The summary's column titles ("Zaplanowane", each status counted, "Zgodność") and one plan's or
// the total's figures under them.
QStringList summaryTitles();
QStringList summaryFields(const RoundCounts& counts);
// The line below the grid: each title with its figure.
QString summaryLine(const RoundCounts& counts);
// The window's line below the grid: the total's figures, and the downloads whose clock wants
// checking when there are any; the notice instead for a report that has one.
QString exceptionReportSummary(const ExceptionReport& report);

// Why a report has no rounds when the reason is not "no exceptions": a period whose "do" comes
// before its "od", or an installation without plans. "" for any other report. The window shows
// it in place of the grid's summary, the printed report above its summary, the tool on stderr.
QString exceptionReportNotice(const ExceptionReport& report);

// Judges the period from `tables`: every plan of the instruments concerned (the one chosen, the
// chosen plan's, or all), then shows the rounds chosen and what lies outside them. A period whose
// last day comes before its first is an empty report.
ExceptionReport buildExceptionReport(const ExceptionReportTables& tables,
                                     const ExceptionReportChoices& choices);

// The most rounds one report judges: twenty times a year of fifty instruments walking six rounds
// a day. Past it a report would hold gigabytes (a round every minute over centuries).
inline constexpr qint64 maxReportRounds = 2000000;

// A period and plans with more rounds than maxReportRounds: the message says so and asks for a
// shorter period. Raised by loadExceptionReportTables() before any punch is read, and by
// buildExceptionReport().
class EReportTooLarge : public Exception {
    using Exception::Exception;
};

// The report of an evaluation already made of `punches` (the evaluation's input), with the names
// of `tables`: the rounds of the plan and instrument chosen, counted, and the chosen instruments'
// punches outside the plan and incidents. The evaluation judges every plan of those instruments,
// so that a round's row is the same whatever is chosen.
ExceptionReport exceptionReportOf(const Evaluation& evaluation, std::span<const Punch> punches,
                                  const ExceptionReportTables& tables,
                                  const ExceptionReportChoices& choices);

// Reads what the choices need: the plans, the punches of the instruments in question on the days
// the rounds reach, the names, the archive's last digest and its clocks of the period's
// downloads, and each instrument's last transfer. An installation without Obchody.db has no
// plans, names or archive. Raises EDatabaseError when the tables cannot be read. `progress` gets
// the days of punches read of all the days to read and returns false to stop: the reading then
// raises WorkStopped.
// `transfersOf`, when given, stands in for loadTransfers(): a caller that keeps the downloads'
// transfers between reports.
using ReadingProgress = std::function<bool(qint64 done, qint64 total)>;
using TransferSource = std::function<QList<Transfer>(TDM3& dm)>;
ExceptionReportTables loadExceptionReportTables(TDM3& dm, const ExceptionReportChoices& choices,
                                                const ReadingProgress& progress = {},
                                                const TransferSource& transfersOf = {});

// The instruments and plan names the window offers: every instrument of the reader table and of
// the plans, and every plan's name, each once and in order (the names in natural order).
struct ExceptionReportOffer {
    QList<InstrumentName> instruments;
    QStringList plans;
};
ExceptionReportOffer loadExceptionReportOffer(TDM3& dm);

} // namespace ronvalo

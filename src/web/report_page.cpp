// "Raport wyjątków": the window's choices, its rows in their colours and its summary; the same
// report as PDF pages and as CSV.
#include <QBuffer>

#include "core/common/clock.h"
#include "core/common/csv_writer.h"
#include "core/proof/archive_check.h"
#include "core/report/previewed_report.h"
#include "core/rounds/exception_report_pages.h"
#include "core/rounds/names.h"
#include "core/store/rounds_tables.h"
#include "web/instrument_cut.h"
#include "web/pages.h"
#include "web/report_choices.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

// The most rows a page lists: a year's report is read in its PDF or CSV.
constexpr qsizetype maxShownRounds = 5000;
// And the most punches of "Poza planem" and "Zdarzenia": patrols between rounds run to tens of
// thousands a month.
constexpr qsizetype maxShownPunches = 1000;

QString option(const QString& value, const QString& text, bool chosen) {
    return QStringLiteral("<option value=\"%1\"%2>%3</option>")
        .arg(esc(value), chosen ? QStringLiteral(" selected") : QString(), esc(text));
}

QString choicesForm(Visit& visit, const ExceptionReportChoices& choices) {
    QString instruments = option(QString(), QStringLiteral("wszystkie"), !choices.instrument);
    const InstrumentNames names(loadInstruments(visit.dm));
    for (const QString& number : visit.cut.visible())
        instruments += option(number, names.label(number), choices.instrument == number);
    QString plans = option(QString(), QStringLiteral("wszystkie"), !choices.plan);
    for (const QString& plan : visiblePlans(visit.dm, visit.cut))
        plans += option(plan, plan, choices.plan == plan);
    return QStringLiteral(
               "<form method=\"get\" action=\"/raport\" class=\"choices\">"
               "<label>od<input type=\"date\" name=\"od\" value=\"%1\"></label>"
               "<label>do<input type=\"date\" name=\"do\" value=\"%2\"></label>"
               "<label>Czytnik<select name=\"czytnik\">%3</select></label>"
               "<label>Plan<select name=\"plan\">%4</select></label>"
               "<label class=\"tick\"><span><input type=\"checkbox\" name=\"wyjatki\" "
               "value=\"1\"%5>"
               " tylko wyjątki</span></label><button type=\"submit\">Pokaż</button></form>")
        .arg(choices.from.toString(Qt::ISODate), choices.to.toString(Qt::ISODate), instruments,
             plans, choices.exceptionsOnly ? QStringLiteral(" checked") : QString());
}

QString roundsTable(const ExceptionReport& report) {
    QList<QStringList> rows;
    QStringList classes;
    for (const ExceptionRound& round :
         report.rounds.first(std::min(report.rounds.size(), maxShownRounds))) {
        QStringList cells;
        for (const QString& field : exceptionRoundFields(round))
            cells << esc(field);
        rows << cells;
        classes << QStringLiteral("s%1").arg(int(round.status));
    }
    QString html = htmlTable(exceptionReportTitles(), rows, classes);
    if (report.rounds.size() > maxShownRounds)
        html += QStringLiteral("<p class=\"notice\">Pokazano %1 z %2 obchodów; wszystkie są w "
                               "plikach PDF i CSV.</p>")
                    .arg(maxShownRounds)
                    .arg(report.rounds.size());
    return html;
}

QString summaryTable(const ExceptionReport& report) {
    QList<QStringList> rows;
    const auto addRow = [&rows](const QString& name, const RoundCounts& counts) {
        QStringList cells{esc(name)};
        for (const QString& field : summaryFields(counts))
            cells << esc(field);
        rows << cells;
    };
    for (const RoundCounts& plan : report.perPlan)
        addRow(plan.plan, plan);
    addRow(QStringLiteral("Razem"), report.total);
    return htmlTable(QStringList{QStringLiteral("Plan")} + summaryTitles(), rows);
}

QString punchList(const QString& title, const QList<ReportPunch>& punches) {
    if (punches.isEmpty())
        return {};
    QList<QStringList> rows;
    for (const ReportPunch& punch : punches.first(std::min(punches.size(), maxShownPunches)))
        rows << QStringList{punch.date.toString(Qt::ISODate),
                            punch.time.toString(QStringLiteral("HH:mm")), esc(punch.checkpoint),
                            esc(punch.instrument)};
    QString html = QStringLiteral("<h2>%1</h2>").arg(title) +
                   htmlTable({QStringLiteral("Data"), QStringLiteral("Czas"),
                              QStringLiteral("Punkt"), QStringLiteral("Czytnik")},
                             rows);
    if (punches.size() > maxShownPunches)
        html += QStringLiteral("<p class=\"notice\">Pokazano %1 z %2 odbić; wszystkie są w pliku "
                               "PDF.</p>")
                    .arg(maxShownPunches)
                    .arg(punches.size());
    return html;
}

// The choices of the request, or the answer that ends it: a wrong date, or an instrument or
// plan that is not the account's.
std::optional<ExceptionReportChoices> choicesOrAnswer(Visit& visit) {
    QString problem;
    const std::optional<ExceptionReportChoices> choices = reportChoices(visit, &problem);
    if (choices)
        return choices;
    if (problem.isEmpty())
        sendNotFound(visit);
    else
        sendPage(visit, QStringLiteral("/raport"), QStringLiteral("Raport wyjątków"),
                 QStringLiteral("<p class=\"error\">%1</p>").arg(esc(problem)), 400);
    return std::nullopt;
}

QString fileName(const ExceptionReportChoices& choices, const char* extension) {
    return QStringLiteral("raport-wyjatkow-%1-%2.%3")
        .arg(choices.from.toString(Qt::ISODate), choices.to.toString(Qt::ISODate),
             QLatin1String(extension));
}

QString logNote(const char* what, const ExceptionReportChoices& choices) {
    return QStringLiteral("%1 %2..%3 czytnik %4 plan %5")
        .arg(QLatin1String(what), choices.from.toString(Qt::ISODate),
             choices.to.toString(Qt::ISODate), choices.instrument.value_or(QStringLiteral("*")),
             choices.plan.value_or(QStringLiteral("*")));
}

} // namespace

void reportPage(Visit& visit) {
    const std::optional<ExceptionReportChoices> choices = choicesOrAnswer(visit);
    if (!choices)
        return;
    const ExceptionReport report = reportFor(visit, *choices);
    const QString query = choicesQuery(*choices).toHtmlEscaped();
    QString body = choicesForm(visit, *choices) +
                   QStringLiteral("<p class=\"links\"><a href=\"/raport.pdf?%1\">PDF</a>"
                                  "<a href=\"/raport.csv?%1\">CSV</a></p>")
                       .arg(query);
    if (const QString notice = exceptionReportNotice(report); !notice.isEmpty())
        body += QStringLiteral("<p class=\"notice\">%1</p>").arg(esc(notice));
    body += roundsTable(report);
    body += QStringLiteral("<p class=\"summary\">%1</p>").arg(esc(exceptionReportSummary(report)));
    body += summaryTable(report) + punchList(QStringLiteral("Poza planem"), report.outside) +
            punchList(QStringLiteral("Zdarzenia"), report.incidents);
    visit.logNote = logNote("raport", *choices);
    sendPage(visit, QStringLiteral("/raport"), QStringLiteral("Raport wyjątków"), body);
}

void reportPdf(Visit& visit) {
    const std::optional<ExceptionReportChoices> choices = choicesOrAnswer(visit);
    if (!choices)
        return;
    ExceptionReport report = reportFor(visit, *choices);
    // Checked before the pages are laid out: their footer says whether the tables are intact.
    report.archive = archiveSeal(*checkArchive(visit.dm));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeReportPdfTo(buffer, QStringLiteral("Raport wyjątków"),
                     ExceptionReportPages(report, Clock::now()));
    visit.logNote = logNote("PDF", *choices);
    sendFile(visit, buffer.data(), "application/pdf", fileName(*choices, "pdf"));
}

void reportCsv(Visit& visit) {
    const std::optional<ExceptionReportChoices> choices = choicesOrAnswer(visit);
    if (!choices)
        return;
    const ExceptionReport report = reportFor(visit, *choices);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeCsvTo(buffer, QStringLiteral("odpowiedzi"), exceptionReportTitles(),
               exceptionRoundRows(report.rounds));
    visit.logNote = logNote("CSV", *choices);
    sendFile(visit, buffer.data(), "text/csv; charset=utf-8", fileName(*choices, "csv"));
}

} // namespace ronvalo::web

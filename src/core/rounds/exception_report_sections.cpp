// The exception report's blocks, section by section: the title, the summary table, the rounds,
// the punches outside the plan and the incidents, and the instruments' clocks, with the texts of
// their rows.
#include "core/rounds/exception_report_sections.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ronvalo::detail {

namespace {

QString shortTime(const QTime& time) {
    if (!time.isValid())
        return QString();
    // "HH:mm" put together by hand: the format's parsing was a good part of a long list's layout.
    const int hour = time.hour(), minute = time.minute();
    const QChar text[5] = {QChar(u'0' + hour / 10), QChar(u'0' + hour % 10), QChar(u':'),
                           QChar(u'0' + minute / 10), QChar(u'0' + minute % 10)};
    return QString(text, 5);
}

QString instrumentAndPlanText(const ExceptionReport& report) {
    QString text =
        QStringLiteral("czytnik: %1, plan: %2").arg(report.instrumentText, report.planText);
    if (report.choices.exceptionsOnly)
        text += QStringLiteral(", tylko wyjątki");
    return text;
}

// The figures' columns as wide as their titles' longest words need, the plan's name the rest.
void summarySection(QList<Block>& blocks, const ExceptionReport& report, const TextWidth& width,
                    const ReportLayout& layout) {
    QList<Column> columns{{QStringLiteral("Plan"), 0}};
    double figures = 0;
    for (const QString& title : summaryTitles()) {
        double widest = 12;
        for (const QString& word : title.split(QLatin1Char(' ')))
            widest = std::max(widest, width(ReportFontKind::Bold8, word) + 2 * kPad + kSlack);
        columns.append(Column{title, std::ceil(widest), Qt::AlignRight});
        figures += columns.last().width;
    }
    columns.first().width = layout.printableWidth() - figures;
    QList<TableRow> rows;
    for (const RoundCounts& counts : report.perPlan)
        rows.append(TableRow{QStringList{counts.plan} + summaryFields(counts)});
    rows.append(TableRow{QStringList{QStringLiteral("Razem")} + summaryFields(report.total), false,
                         ReportFontKind::Bold8});
    blocks.append({Block::Kind::Heading, {QStringLiteral("Podsumowanie")}, {}});
    if (const QString notice = exceptionReportNotice(report); !notice.isEmpty())
        blocks.append({Block::Kind::Line, {notice}, {}});
    blocks.append(
        {Block::Kind::Table, {}, {columns, rows.size(), [rows](qsizetype i) { return rows[i]; }}});
}

// A section's heading, then its table of `count` rows, or "brak" when it has none.
void section(QList<Block>& blocks, const QString& title, const QList<Column>& columns,
             qsizetype count, std::function<TableRow(qsizetype)> row) {
    blocks.append({Block::Kind::Heading, {title}, {}});
    if (count == 0)
        blocks.append({Block::Kind::Line, {QStringLiteral("brak")}, {}});
    else
        blocks.append({Block::Kind::Table, {}, {columns, count, std::move(row)}});
}

using SharedReport = std::shared_ptr<const ExceptionReport>;

// The rounds day by day: a day's heading row above its rounds. The rows are the rounds' indexes,
// a day's heading as -1 - the index of its first round.
void roundsSection(QList<Block>& blocks, const SharedReport& report,
                   const RegionalFormats& formats) {
    auto rows = std::make_shared<std::vector<qsizetype>>();
    QDate day;
    for (qsizetype i = 0; i < report->rounds.size(); ++i) {
        if (report->rounds[i].day != day) {
            day = report->rounds[i].day;
            rows->push_back(-1 - i);
        }
        rows->push_back(i);
    }
    const QStringList titles = exceptionReportTitles();
    const QList<Column> columns{
        {titles[3], 17}, {titles[1], 37}, {titles[2], 32, Qt::AlignLeft, true},
        {titles[4], 12}, {titles[5], 24}, {titles[6], 58}};
    section(blocks, QStringLiteral("Obchody"), columns, qsizetype(rows->size()),
            [report, rows, formats](qsizetype i) {
                const qsizetype at = (*rows)[i];
                if (at < 0)
                    return TableRow{
                        {formats.locale.toString(report->rounds[-1 - at].day, formats.longDate)},
                        true,
                        ReportFontKind::Bold8};
                const ExceptionRound& round = report->rounds[at];
                return TableRow{{shortTime(round.plannedStart), round.plan, round.instrument,
                                 shortTime(round.start), roundStatusText(round.status),
                                 roundCheckpointsText(round)}};
            });
}

void punchSection(QList<Block>& blocks, const QString& title, const SharedReport& report,
                  const QList<ReportPunch>& punches, const RegionalFormats& formats) {
    const QList<Column> columns{{QStringLiteral("Data"), 20},
                                {QStringLiteral("Czas"), 12},
                                {QStringLiteral("Czytnik"), 48, Qt::AlignLeft, true},
                                {QStringLiteral("Punkt kontrolny"), 100}};
    // `punches` is one of the shared report's lists, which the rows read while it lives. Each
    // day's text is made once here, not once a row and layout.
    QHash<qint64, QString> dayTexts;
    for (const ReportPunch& punch : punches)
        if (const qint64 day = punch.date.toJulianDay(); !dayTexts.contains(day))
            dayTexts.insert(day, formats.formatShortDate(punch.date));
    section(blocks, title, columns, punches.size(), [report, &punches, dayTexts](qsizetype i) {
        const ReportPunch& punch = punches[i];
        return TableRow{{dayTexts.value(punch.date.toJulianDay()), shortTime(punch.time),
                         punch.instrument, punch.checkpoint}};
    });
}

// The downloads whose instrument's clock was off or unknown: which download, which instrument,
// when it was received, and by how much.
void clockSection(QList<Block>& blocks, const ExceptionReport& report,
                  const RegionalFormats& formats, const ReportLayout& layout) {
    QList<Column> columns{{QStringLiteral("Odczyt"), 16, Qt::AlignRight},
                          {QStringLiteral("Czytnik"), 48},
                          {QStringLiteral("Odebrano"), 28},
                          {QStringLiteral("Opis"), 0}};
    columns.last().width = layout.printableWidth() - 16 - 48 - 28;
    QList<TableRow> rows;
    for (const DownloadClock& clock : report.clocks)
        rows.append(TableRow{{QString::number(clock.download), clock.instrument,
                              formats.formatShortDate(clock.received.date()) + QLatin1Char(' ') +
                                  shortTime(clock.received.time()),
                              clockDriftText(clock.driftMinutes)}});
    section(blocks, QStringLiteral("Zegar czytnika"), columns, rows.size(),
            [rows](qsizetype i) { return rows[i]; });
}

QStringList titleLines(const ExceptionReport& report, const RegionalFormats& formats,
                       const TextWidth& width, const ReportLayout& layout) {
    QStringList title{QStringLiteral("Raport wyjątków"), exceptionReportPeriodText(report, formats),
                      instrumentAndPlanText(report)};
    // Long names put the instrument and the plan on lines of their own; the title band has room.
    if (width(ReportFontKind::Bold12, title.last()) > layout.printableWidth()) {
        const QString both = title.takeLast();
        const qsizetype comma = both.indexOf(QStringLiteral(", plan: "));
        title << both.left(comma) << both.mid(comma + 2);
    }
    return title;
}

} // namespace

QList<Block> exceptionReportBlocks(const ExceptionReport& report, const RegionalFormats& formats,
                                   const TextWidth& width, const ReportLayout& layout) {
    const auto shared = std::make_shared<const ExceptionReport>(report);
    QList<Block> blocks;
    blocks.append({Block::Kind::Title, titleLines(report, formats, width, layout), {}});
    summarySection(blocks, report, width, layout);
    roundsSection(blocks, shared, formats);
    punchSection(blocks, QStringLiteral("Poza planem"), shared, shared->outside, formats);
    punchSection(blocks, QStringLiteral("Zdarzenia"), shared, shared->incidents, formats);
    clockSection(blocks, report, formats, layout);
    return blocks;
}

} // namespace ronvalo::detail

// Laying out the printed exception report: sections and tables flowing from page to page.
#include "rounds/exception_report_layout.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <memory>

#include "browse/report_canvas.h"

namespace ronvalo {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kMeasuringDpi = 1200; // the PDF writer's and a high-resolution printer's
constexpr double kLine = 3.6;       // one line of the 8-point font
constexpr double kRowSpace = 0.6;   // below a table row's last line
constexpr double kPad = 1.0;        // a cell's text from its column's edges
constexpr double kSlack = 0.3;      // kept free in a column: the printer measures a hair wider
constexpr double kHeaderPad = 1.2;  // above and below the column titles in their frame
constexpr double kHeading = 8.0;    // a section heading's band
constexpr double kAfterTable = 4.0;
constexpr double kKeepWithHeading = 16.0; // a heading never ends a page alone

struct Column {
    QString title;
    double width = 0;
    int align = Qt::AlignLeft;
    bool oneLine = false; // a text too long is cut short with "…" instead of wrapped
};

struct TableRow {
    QStringList cells;
    bool spanning = false; // one text across the table: a day's heading or the total
    ReportFontKind font = ReportFontKind::Regular8;
};

// How many characters of `word` from `at` on fit in `room`, at least one. The count doubles
// until a piece no longer fits, then halves back between the last that did and the first that
// did not: a line of L characters costs about 2 log L measurements of at most 2 L characters,
// where cutting one character at a time from the whole rest made a long word cost its length
// squared (a name of 20 000 characters took minutes).
qsizetype fittingLength(const QString& word, qsizetype at, double room, ReportFontKind font,
                        const TextWidth& width) {
    const qsizetype rest = word.size() - at;
    const auto fits = [&](qsizetype count) { return width(font, word.mid(at, count)) <= room; };
    qsizetype good = 0;
    qsizetype bad = rest + 1;
    for (qsizetype count = 1;; count = std::min(2 * count, rest)) {
        if (!fits(count)) {
            bad = count;
            break;
        }
        good = count;
        if (count == rest)
            break;
    }
    while (bad - good > 1) {
        const qsizetype middle = good + (bad - good) / 2;
        (fits(middle) ? good : bad) = middle;
    }
    // A character outside the basic plane is never split between two lines.
    if (good > 1 && good < rest && word[at + good - 1].isHighSurrogate())
        --good;
    return std::max<qsizetype>(good, 1);
}

// Breaks a text into lines no wider than `room`: at blanks, and inside a word only when the word
// alone is wider.
QStringList wrapText(const QString& text, double room, ReportFontKind font,
                     const TextWidth& width) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (width(font, joined) <= room) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        qsizetype at = 0;
        for (qsizetype fits = fittingLength(word, at, room, font, width); at + fits < word.size();
             fits = fittingLength(word, at, room, font, width)) {
            lines << word.mid(at, fits);
            at += fits;
        }
        line = word.mid(at);
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    return lines;
}

// `text` on one line no wider than `room`: whole when it fits, else its beginning and "…". An
// instrument's label keeps its number, which comes first, and as much of its description as fits.
QString cutText(const QString& text, double room, ReportFontKind font, const TextWidth& width) {
    if (width(font, text) <= room)
        return text;
    const QString ellipsis(QChar(0x2026));
    const qsizetype fits = fittingLength(text, 0, room - width(font, ellipsis), font, width);
    return text.left(fits).trimmed() + ellipsis;
}

// Places texts from the top of the first page's body down, starting a page where one is full.
class Pager {
public:
    Pager(const ReportLayout& layout, const TextWidth& width)
        : layout_(layout), width_(width), pages_(1),
          top_(layout.titleTop() + layout.bands().title) {}

    QList<LaidOutPage> pages() && { return std::move(pages_); }

    void text(ReportFontKind font, double left, double top, double width, int align,
              const QString& text) {
        pages_.last().texts.append(LaidOutText{font, left, top, width, align, text});
    }

    // A new page when `height` does not fit below what stands; true when one began.
    bool fit(double height) {
        if (top_ + height <= layout_.pageFooterTop())
            return false;
        pages_.append(LaidOutPage{});
        top_ = layout_.titleTop();
        return true;
    }

    void heading(const QString& title) {
        fit(kHeading + kKeepWithHeading);
        text(ReportFontKind::Bold10, left(), top_ + 2.0, layout_.printableWidth(), Qt::AlignLeft,
             title);
        top_ += kHeading;
    }

    void line(const QString& text) {
        fit(kLine + kRowSpace);
        this->text(ReportFontKind::Regular8, left() + kPad, top_,
                   layout_.printableWidth() - 2 * kPad, Qt::AlignLeft, text);
        top_ += kLine + kRowSpace + kAfterTable;
    }

    void table(const QList<Column>& columns, const QList<TableRow>& rows) {
        const QList<QStringList> titles = headerLines(columns);
        const double header = headerHeight(titles);
        // Every row is broken into lines once: measuring is what a long report spends its time on.
        QList<QList<QStringList>> laidOut;
        laidOut.reserve(rows.size());
        for (const TableRow& row : rows)
            laidOut << rowLines(columns, row);
        fit(header + (rows.isEmpty() ? 0 : startHeight(laidOut.first())));
        tableHeader(columns, titles, header);
        QString day; // the spanning row the rows below belong to
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const TableRow& row = rows[i];
            double needed = startHeight(laidOut[i]);
            if (row.spanning && i + 1 < rows.size())
                needed += startHeight(laidOut[i + 1]); // kept with the row below it
            if (fit(needed)) {
                tableHeader(columns, titles, header);
                if (!row.spanning && !day.isEmpty()) {
                    const TableRow continued{{day + QStringLiteral(" (cd.)")}, true, row.font};
                    tableRow(columns, continued, rowLines(columns, continued), titles, header);
                }
            }
            if (row.spanning)
                day = row.cells.value(0);
            tableRow(columns, row, laidOut[i], titles, header);
        }
        top_ += kAfterTable;
    }

private:
    double left() const { return layout_.page().marginLeft; }

    QList<QStringList> headerLines(const QList<Column>& columns) const {
        QList<QStringList> lines;
        for (const Column& column : columns)
            lines << wrapText(column.title, column.width - 2 * kPad - kSlack, ReportFontKind::Bold8,
                              width_);
        return lines;
    }

    static double headerHeight(const QList<QStringList>& titles) {
        qsizetype lines = 1;
        for (const QStringList& title : titles)
            lines = std::max(lines, title.size());
        return lines * kLine + 2 * kHeaderPad;
    }

    void tableHeader(const QList<Column>& columns, const QList<QStringList>& titles,
                     double height) {
        pages_.last().frames.append(LaidOutFrame{left(), top_, tableWidth(columns), height});
        double x = left();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            cell(columns[c], x, top_ + kHeaderPad, titles[c], ReportFontKind::Bold8);
            x += columns[c].width;
        }
        top_ += height;
    }

    QList<QStringList> rowLines(const QList<Column>& columns, const TableRow& row) const {
        if (row.spanning)
            return {wrapText(row.cells.value(0), tableWidth(columns) - 2 * kPad - kSlack, row.font,
                             width_)};
        QList<QStringList> lines;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const double room = columns[c].width - 2 * kPad - kSlack;
            lines << (columns[c].oneLine
                          ? QStringList{cutText(row.cells.value(c), room, row.font, width_)}
                          : wrapText(row.cells.value(c), room, row.font, width_));
        }
        return lines;
    }

    static qsizetype lineCount(const QList<QStringList>& lines) {
        qsizetype count = 1;
        for (const QStringList& cellLines : lines)
            count = std::max(count, cellLines.size());
        return count;
    }

    // The height a row needs where it begins: all of it, or, for a row taller than a page's
    // body (a name of thousands of characters), its first line, the rest going on over pages.
    double startHeight(const QList<QStringList>& lines) const {
        const double whole = lineCount(lines) * kLine + kRowSpace;
        return whole <= layout_.pageFooterTop() - layout_.titleTop() - kHeading ? whole
                                                                                : kLine + kRowSpace;
    }

    // Places a row's lines, going on to a new page (under the column titles again) where the
    // page is full.
    void tableRow(const QList<Column>& columns, const TableRow& row,
                  const QList<QStringList>& lines, const QList<QStringList>& titles,
                  double header) {
        const qsizetype count = lineCount(lines);
        for (qsizetype done = 0;;) {
            const auto room = static_cast<qsizetype>(
                std::floor((layout_.pageFooterTop() - top_ - kRowSpace) / kLine + 1e-6));
            const qsizetype placed =
                std::clamp<qsizetype>(count - done, 1, std::max<qsizetype>(room, 1));
            if (row.spanning) {
                cell({QString(), tableWidth(columns)}, left(), top_, lines.first(), row.font, done,
                     placed);
            } else {
                double x = left();
                for (qsizetype c = 0; c < columns.size(); ++c) {
                    cell(columns[c], x, top_, lines[c], row.font, done, placed);
                    x += columns[c].width;
                }
            }
            top_ += placed * kLine;
            done += placed;
            if (done >= count)
                break;
            pages_.append(LaidOutPage{});
            top_ = layout_.titleTop();
            tableHeader(columns, titles, header);
        }
        top_ += kRowSpace;
    }

    // The lines of a cell from `first` on, at most `count` of them, from `top` down.
    void cell(const Column& column, double x, double top, const QStringList& lines,
              ReportFontKind font, qsizetype first = 0, qsizetype count = -1) {
        const qsizetype end = count < 0 ? lines.size() : std::min(lines.size(), first + count);
        for (qsizetype i = first; i < end; ++i)
            text(font, x + kPad, top + (i - first) * kLine, column.width - 2 * kPad, column.align,
                 lines[i]);
    }

    static double tableWidth(const QList<Column>& columns) {
        double sum = 0;
        for (const Column& column : columns)
            sum += column.width;
        return sum;
    }

    const ReportLayout& layout_;
    const TextWidth& width_;
    QList<LaidOutPage> pages_;
    double top_;
};

QString shortTime(const QTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("HH:mm")) : QString();
}

QString instrumentAndPlanText(const ExceptionReport& report) {
    QString text =
        QStringLiteral("czytnik: %1, plan: %2").arg(report.instrumentText, report.planText);
    if (report.choices.exceptionsOnly)
        text += QStringLiteral(", tylko wyjątki");
    return text;
}

// The figures' columns as wide as their titles' longest words need, the plan's name the rest.
void summarySection(Pager& pager, const ExceptionReport& report, const TextWidth& width,
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
    pager.heading(QStringLiteral("Podsumowanie"));
    if (const QString notice = exceptionReportNotice(report); !notice.isEmpty())
        pager.line(notice);
    pager.table(columns, rows);
}

void roundsSection(Pager& pager, const ExceptionReport& report, const RegionalFormats& formats) {
    pager.heading(QStringLiteral("Obchody"));
    if (report.rounds.isEmpty()) {
        pager.line(QStringLiteral("brak"));
        return;
    }
    const QStringList titles = exceptionReportTitles();
    const QList<Column> columns{
        {titles[3], 17}, {titles[1], 37}, {titles[2], 32, Qt::AlignLeft, true},
        {titles[4], 12}, {titles[5], 24}, {titles[6], 58}};
    QList<TableRow> rows;
    QDate day;
    for (const ExceptionRound& round : report.rounds) {
        if (round.day != day) {
            day = round.day;
            rows.append(TableRow{
                {formats.locale.toString(day, formats.longDate)}, true, ReportFontKind::Bold8});
        }
        rows.append(TableRow{{shortTime(round.plannedStart), round.plan, round.instrument,
                              shortTime(round.start), roundStatusText(round.status),
                              roundCheckpointsText(round)}});
    }
    pager.table(columns, rows);
}

void punchSection(Pager& pager, const QString& title, const QList<ReportPunch>& punches,
                  const RegionalFormats& formats) {
    pager.heading(title);
    if (punches.isEmpty()) {
        pager.line(QStringLiteral("brak"));
        return;
    }
    const QList<Column> columns{{QStringLiteral("Data"), 20},
                                {QStringLiteral("Czas"), 12},
                                {QStringLiteral("Czytnik"), 48, Qt::AlignLeft, true},
                                {QStringLiteral("Punkt kontrolny"), 100}};
    QList<TableRow> rows;
    for (const ReportPunch& punch : punches)
        rows.append(TableRow{{formats.formatShortDate(punch.date), shortTime(punch.time),
                              punch.instrument, punch.checkpoint}});
    pager.table(columns, rows);
}

// The downloads whose instrument's clock was off or unknown: which download, which instrument,
// when it was received, and by how much.
void clockSection(Pager& pager, const ExceptionReport& report, const RegionalFormats& formats,
                  const ReportLayout& layout) {
    pager.heading(QStringLiteral("Zegar czytnika"));
    if (report.clocks.isEmpty()) {
        pager.line(QStringLiteral("brak"));
        return;
    }
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
    pager.table(columns, rows);
}

} // namespace

TextWidth reportTextWidth() {
    auto canvas = std::make_shared<QImage>(reportCanvas(QSize(1, 1), kMeasuringDpi));
    auto fonts = std::make_shared<ReportFonts>(canvas.get());
    return [canvas, fonts](ReportFontKind font, const QString& text) {
        return fonts->of(font).width(text) * kMmPerInch / kMeasuringDpi;
    };
}

QString exceptionReportPeriodText(const ExceptionReport& report, const RegionalFormats& formats) {
    return QStringLiteral("za okres od ") + formats.formatShortDate(report.choices.from) +
           QStringLiteral(" do ") + formats.formatShortDate(report.choices.to);
}

QList<LaidOutPage> layoutExceptionReport(const ExceptionReport& report,
                                         const RegionalFormats& formats, const TextWidth& width,
                                         const ReportLayout& layout) {
    Pager pager(layout, width);
    const double left = layout.page().marginLeft;
    const double top = layout.titleTop();
    QStringList title{QStringLiteral("Raport wyjątków"), exceptionReportPeriodText(report, formats),
                      instrumentAndPlanText(report)};
    // Long names put the instrument and the plan on lines of their own; the title band has room.
    if (width(ReportFontKind::Bold12, title.last()) > layout.printableWidth()) {
        const QString both = title.takeLast();
        const qsizetype comma = both.indexOf(QStringLiteral(", plan: "));
        title << both.left(comma) << both.mid(comma + 2);
    }
    for (qsizetype i = 0; i < title.size(); ++i)
        pager.text(ReportFontKind::Bold12, left, top + 6.35 * (i + 1), layout.printableWidth(),
                   Qt::AlignHCenter, title[i]);
    summarySection(pager, report, width, layout);
    roundsSection(pager, report, formats);
    punchSection(pager, QStringLiteral("Poza planem"), report.outside, formats);
    punchSection(pager, QStringLiteral("Zdarzenia"), report.incidents, formats);
    clockSection(pager, report, formats, layout);
    return std::move(pager).pages();
}

} // namespace ronvalo

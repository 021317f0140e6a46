// Laying out the printed exception report: sections and tables flowing from page to page.
#include "core/rounds/exception_report_layout.h"

#include <QHash>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "core/common/work_progress.h"
#include "core/report/report_canvas.h"

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
    // Most cells fit whole: one measurement, where breaking into words measured every word's
    // line. Only a text whose blanks the breaking would not change: it joins words by one blank.
    const QLatin1Char blank(' ');
    if (!text.startsWith(blank) && !text.endsWith(blank) && !text.contains(QLatin1String("  ")) &&
        width(font, text) <= room)
        return {text};
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

// A table's columns and its rows, each made when it is laid out.
struct Table {
    QList<Column> columns;
    qsizetype rows = 0;
    std::function<TableRow(qsizetype)> row;
};

// What the report is laid out from, in order: the title, then each section's heading and its
// table or the one line "brak".
struct Block {
    enum class Kind { Title, Heading, Line, Table };
    Kind kind = Kind::Heading;
    QStringList texts; // the title's lines, the heading or the line
    Table table;
};

} // namespace

// Where laying out stands before a block or one of its table's rows: what it takes to go on from
// there. Kept for every page, so that a page is laid out again alone.
struct ExceptionReportLayout::Position {
    qsizetype block = 0;
    qsizetype row = -1; // -1: the block begins (a table's column titles not yet placed)
    qint64 page = 0;
    double top = 0;
    QString day; // the spanning row the table's rows below belong to
};

struct ExceptionReportLayout::Blocks {
    QList<Block> list;
    // The lines of the rows taller than a page's body, by block and row: a page such a row goes
    // on to is laid out from the row's beginning, and measuring it again for every one of its
    // pages would cost its length times its pages.
    std::map<std::pair<qsizetype, qsizetype>, QList<QStringList>> tallRows;
};

namespace {

// Places texts from the top of the first page's body down, starting a page where one is full.
// It keeps the texts of the pages asked for alone, and notes where each page began.
class Pager {
public:
    using Position = ExceptionReportLayout::Position;

    // Keeps the texts of page `wanted`, or of every page when it is negative.
    Pager(const ReportLayout& layout, const TextWidth& width, qint64 wanted,
          ExceptionReportLayout::Blocks& blocks)
        : layout_(layout), width_(width), wanted_(wanted), blocks_(blocks) {
        at_.top = layout.titleTop() + layout.bands().title;
        if (wanted_ < 0)
            pages_.append(LaidOutPage{});
    }

    QList<LaidOutPage> pages() && {
        if (pages_.isEmpty())
            pages_.append(LaidOutPage{});
        return std::move(pages_);
    }
    // Where each page began; the first page's is where laying out starts.
    const std::vector<Position>& pageStarts() const { return starts_; }
    qint64 pageCount() const { return at_.page + 1; }

    // Lays out `blocks` from `from` on (from the beginning without it), until the page asked
    // for is done. `rowDone` is told of every table row laid out.
    void run(const QList<Block>& blocks, const Position* from,
             const std::function<void()>& rowDone = {}) {
        if (from)
            at_ = *from;
        else
            starts_.push_back(at_);
        if (wanted_ >= 0 && at_.page == wanted_)
            pages_.append(LaidOutPage{});
        for (; at_.block < blocks.size(); ++at_.block, at_.row = -1) {
            const Block& block = blocks[at_.block];
            unit_ = at_;
            switch (block.kind) {
            case Block::Kind::Title:
                title(block.texts);
                break;
            case Block::Kind::Heading:
                heading(block.texts.value(0));
                break;
            case Block::Kind::Line:
                line(block.texts.value(0));
                break;
            case Block::Kind::Table:
                table(block.table, rowDone);
                break;
            }
            if (done())
                return;
        }
    }

private:
    struct Measured {
        TableRow row;
        QList<QStringList> lines;
    };

    bool done() const { return wanted_ >= 0 && at_.page > wanted_; }
    bool keeping() const { return wanted_ < 0 || at_.page == wanted_; }

    void text(ReportFontKind font, double left, double top, double width, int align,
              const QString& text) {
        if (keeping())
            pages_.last().texts.append(LaidOutText{font, left, top, width, align, text});
    }

    void frame(double left, double top, double width, double height) {
        if (keeping())
            pages_.last().frames.append(LaidOutFrame{left, top, width, height});
    }

    // Goes on to the next page, noting where laying out stood when the unit that runs over
    // began, which is where laying the page out alone starts again.
    void newPage() {
        ++at_.page;
        at_.top = layout_.titleTop();
        if (qint64(starts_.size()) == at_.page)
            starts_.push_back(unit_);
        if (keeping())
            pages_.append(LaidOutPage{});
    }

    // A new page when `height` does not fit below what stands; true when one began.
    bool fit(double height) {
        if (at_.top + height <= layout_.pageFooterTop())
            return false;
        newPage();
        return true;
    }

    void title(const QStringList& lines) {
        const double top = layout_.titleTop();
        for (qsizetype i = 0; i < lines.size(); ++i)
            text(ReportFontKind::Bold12, left(), top + 6.35 * (i + 1), layout_.printableWidth(),
                 Qt::AlignHCenter, lines[i]);
    }

    void heading(const QString& title) {
        fit(kHeading + kKeepWithHeading);
        text(ReportFontKind::Bold10, left(), at_.top + 2.0, layout_.printableWidth(), Qt::AlignLeft,
             title);
        at_.top += kHeading;
    }

    void line(const QString& text) {
        fit(kLine + kRowSpace);
        this->text(ReportFontKind::Regular8, left() + kPad, at_.top,
                   layout_.printableWidth() - 2 * kPad, Qt::AlignLeft, text);
        at_.top += kLine + kRowSpace + kAfterTable;
    }

    void table(const Table& table, const std::function<void()>& rowDone) {
        const QList<Column>& columns = table.columns;
        const QList<QStringList> titles = headerLines(columns);
        const double header = headerHeight(titles);
        // A row's lines are measured once, also when the row before looked ahead at them:
        // measuring is what a long report spends its time on.
        std::optional<std::pair<qsizetype, Measured>> ahead;
        const auto measure = [&](qsizetype i) {
            if (ahead && ahead->first == i)
                return std::exchange(ahead, std::nullopt)->second;
            TableRow row = table.row(i);
            const std::pair key(at_.block, i);
            if (const auto tall = blocks_.tallRows.find(key); tall != blocks_.tallRows.end())
                return Measured{std::move(row), tall->second};
            QList<QStringList> lines = rowLines(columns, row);
            if (tallerThanABody(lines))
                blocks_.tallRows.emplace(key, lines);
            return Measured{std::move(row), std::move(lines)};
        };
        if (at_.row < 0) {
            if (table.rows > 0)
                ahead.emplace(0, measure(0));
            fit(header + (ahead ? startHeight(ahead->second.lines) : 0));
            tableHeader(columns, titles, header);
            at_.row = 0;
        }
        for (qsizetype i = at_.row; i < table.rows; ++i) {
            at_.row = i;
            unit_ = at_;
            const Measured current = measure(i);
            double needed = startHeight(current.lines);
            if (current.row.spanning && i + 1 < table.rows) {
                ahead.emplace(i + 1, measure(i + 1));
                needed += startHeight(ahead->second.lines); // kept with the row below it
            }
            if (fit(needed)) {
                tableHeader(columns, titles, header);
                if (!current.row.spanning && !at_.day.isEmpty()) {
                    const TableRow continued{
                        {at_.day + QStringLiteral(" (cd.)")}, true, current.row.font};
                    tableRow(columns, continued, rowLines(columns, continued), titles, header);
                }
            }
            if (current.row.spanning)
                at_.day = current.row.cells.value(0);
            tableRow(columns, current.row, current.lines, titles, header);
            if (rowDone)
                rowDone();
            if (done())
                return;
        }
        at_.day.clear();
        at_.top += kAfterTable;
    }

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
        frame(left(), at_.top, tableWidth(columns), height);
        double x = left();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            cell(columns[c], x, at_.top + kHeaderPad, titles[c], ReportFontKind::Bold8);
            x += columns[c].width;
        }
        at_.top += height;
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
        return tallerThanABody(lines) ? kLine + kRowSpace : lineCount(lines) * kLine + kRowSpace;
    }

    bool tallerThanABody(const QList<QStringList>& lines) const {
        return lineCount(lines) * kLine + kRowSpace >
               layout_.pageFooterTop() - layout_.titleTop() - kHeading;
    }

    // Places a row's lines, going on to a new page (under the column titles again) where the
    // page is full.
    void tableRow(const QList<Column>& columns, const TableRow& row,
                  const QList<QStringList>& lines, const QList<QStringList>& titles,
                  double header) {
        const qsizetype count = lineCount(lines);
        for (qsizetype done = 0;;) {
            const auto room = static_cast<qsizetype>(
                std::floor((layout_.pageFooterTop() - at_.top - kRowSpace) / kLine + 1e-6));
            const qsizetype placed =
                std::clamp<qsizetype>(count - done, 1, std::max<qsizetype>(room, 1));
            if (row.spanning) {
                cell({QString(), tableWidth(columns)}, left(), at_.top, lines.first(), row.font,
                     done, placed);
            } else {
                double x = left();
                for (qsizetype c = 0; c < columns.size(); ++c) {
                    cell(columns[c], x, at_.top, lines[c], row.font, done, placed);
                    x += columns[c].width;
                }
            }
            at_.top += placed * kLine;
            done += placed;
            if (done >= count)
                break;
            newPage();
            tableHeader(columns, titles, header);
        }
        at_.top += kRowSpace;
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
    const qint64 wanted_;
    ExceptionReportLayout::Blocks& blocks_;
    QList<LaidOutPage> pages_;
    Position at_;
    Position unit_; // where the block or row being laid out began
    std::vector<Position> starts_;
};

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

// Rows laid out between two looks at the progress.
constexpr qint64 rowsBetweenLooks = 256;

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

ExceptionReportLayout::ExceptionReportLayout(const ExceptionReport& report,
                                             const RegionalFormats& formats, TextWidth width,
                                             const ReportLayout& layout,
                                             const std::function<bool(qint64, qint64)>& progress)
    : width_(std::move(width)), layout_(layout), blocks_(std::make_unique<Blocks>()) {
    const auto shared = std::make_shared<const ExceptionReport>(report);
    QList<Block>& blocks = blocks_->list;
    blocks.append({Block::Kind::Title, titleLines(report, formats, width_, layout_), {}});
    summarySection(blocks, report, width_, layout_);
    roundsSection(blocks, shared, formats);
    punchSection(blocks, QStringLiteral("Poza planem"), shared, shared->outside, formats);
    punchSection(blocks, QStringLiteral("Zdarzenia"), shared, shared->incidents, formats);
    clockSection(blocks, report, formats, layout_);

    // Laid out once, keeping no text: where each page begins.
    qint64 rows = 0;
    for (const Block& block : blocks)
        rows += block.table.rows;
    qint64 done = 0;
    Pager counting(layout_, width_, std::numeric_limits<qint64>::max(), *blocks_);
    counting.run(blocks, nullptr, [&] {
        if (progress && ++done % rowsBetweenLooks == 0 && !progress(done, rows))
            throw WorkStopped();
    });
    starts_ = counting.pageStarts();
}

ExceptionReportLayout::~ExceptionReportLayout() = default;

qint64 ExceptionReportLayout::pageCount() const {
    return qint64(starts_.size());
}

LaidOutPage ExceptionReportLayout::page(qint64 page) const {
    Pager pager(layout_, width_, page, *blocks_);
    pager.run(blocks_->list, &starts_[std::size_t(page)]);
    return std::move(pager).pages().first();
}

QList<LaidOutPage> layoutExceptionReport(const ExceptionReport& report,
                                         const RegionalFormats& formats, const TextWidth& width,
                                         const ReportLayout& layout) {
    const ExceptionReportLayout laidOut(report, formats, width, layout);
    return laidOut.allPages();
}

QList<LaidOutPage> ExceptionReportLayout::allPages() const {
    Pager pager(layout_, width_, -1, *blocks_);
    pager.run(blocks_->list, nullptr);
    return std::move(pager).pages();
}

} // namespace ronvalo

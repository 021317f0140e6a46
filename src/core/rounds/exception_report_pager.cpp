// The exception report's blocks placed on pages: sections and tables flowing from page to page,
// a table's column titles repeated on each page it goes on to.
#include "core/rounds/exception_report_pager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "core/rounds/exception_report_wrap.h"

namespace ronvalo::detail {

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

} // namespace

std::vector<LayoutPosition> pageStarts(ExceptionReportLayout::Blocks& blocks,
                                       const ReportLayout& layout, const TextWidth& width,
                                       const std::function<void()>& rowDone) {
    Pager counting(layout, width, std::numeric_limits<qint64>::max(), blocks);
    counting.run(blocks.list, nullptr, rowDone);
    return counting.pageStarts();
}

LaidOutPage layOutPage(ExceptionReportLayout::Blocks& blocks, const ReportLayout& layout,
                       const TextWidth& width, qint64 page, const LayoutPosition& start) {
    Pager pager(layout, width, page, blocks);
    pager.run(blocks.list, &start);
    return std::move(pager).pages().first();
}

QList<LaidOutPage> layOutPages(ExceptionReportLayout::Blocks& blocks, const ReportLayout& layout,
                               const TextWidth& width) {
    Pager pager(layout, width, -1, blocks);
    pager.run(blocks.list, nullptr);
    return std::move(pager).pages();
}

} // namespace ronvalo::detail

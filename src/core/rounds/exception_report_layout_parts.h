// What the exception report is laid out from: its measures, its blocks of lines and tables, and
// where laying out stands; shared by the sections that make the blocks and the pager.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <utility>

#include "core/rounds/exception_report_layout.h"

namespace ronvalo {

namespace detail {

// The measures of the page, in millimetres.
inline constexpr double kLine = 3.6;     // one line of the 8-point font
inline constexpr double kRowSpace = 0.6; // below a table row's last line
inline constexpr double kPad = 1.0;      // a cell's text from its column's edges
inline constexpr double kSlack = 0.3;    // kept free in a column: the printer measures a hair wider
inline constexpr double kHeaderPad = 1.2; // above and below the column titles in their frame
inline constexpr double kHeading = 8.0;   // a section heading's band
inline constexpr double kAfterTable = 4.0;
inline constexpr double kKeepWithHeading = 16.0; // a heading never ends a page alone

// A table's column: its title, its width in millimetres and how its texts are aligned.
struct Column {
    QString title;
    double width = 0;
    int align = Qt::AlignLeft;
    bool oneLine = false; // a text too long is cut short with "…" instead of wrapped
};

// A table's row: a text per column, or one across the table.
struct TableRow {
    QStringList cells;
    bool spanning = false; // one text across the table: a day's heading or the total
    ReportFontKind font = ReportFontKind::Regular8;
};

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

} // namespace detail

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
    QList<detail::Block> list;
    // The lines of the rows taller than a page's body, by block and row: a page such a row goes
    // on to is laid out from the row's beginning, and measuring it again for every one of its
    // pages would cost its length times its pages.
    std::map<std::pair<qsizetype, qsizetype>, QList<QStringList>> tallRows;
};

} // namespace ronvalo

// What the CSV and the XLSX writers share: rows pulled from a source, kinds of columns, a file
// staged aside and put under its name whole.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

namespace ronvalo {

// Hands out a table's rows one at a time: fills `fields` with the next row's and returns true,
// or returns false at the end. Rows are pulled as they are written, so a long table never sits
// in memory whole. Dates and times come as csvDate() and csvTime() write them.
using TableRowSource = std::function<bool(QStringList& fields)>;

// What a column holds, for a writer that keeps types (a spreadsheet's cells); CSV has only text.
enum class CellKind {
    Text,   // always text: "00012345" keeps its zeros, "=1+1" is no formula
    Number, // a number when the field reads as one, text otherwise
    Date,   // "2004-04-26": a date cell
    Time,   // "08:15": a time-of-day cell
};

// A table as a writer takes it: the header row's titles and, beside them, their columns' kinds
// (a column without a kind is text).
struct TableColumns {
    QStringList titles;
    QList<CellKind> kinds;
};

// A table file being written. Rows written before commit() go to a temporary file; an object
// dropped without commit() (a cancel, an exception) leaves nothing under the target's name, and
// a file that was there stays as it was. Failures raise EInOutError naming the file.
class TableWriter {
public:
    TableWriter() = default;
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;
    virtual ~TableWriter() = default;

    void writeRow(const QStringList& fields);
    // Writes up to `limit` rows pulled from `rows`; false once the source has run out.
    bool writeRows(const TableRowSource& rows, qint64 limit);
    // Rows written after the header.
    qint64 rowCount() const { return rows_; }

    // Finishes the file and puts it under the target's name.
    virtual void commit() = 0;

private:
    virtual void putRow(const QStringList& fields) = 0;

    qint64 rows_ = 0;
};

// "Nie można zapisać pliku <name>: <reason>", the text of every failure of a table writer.
QString tableWriteErrorText(const QString& target, const QString& reason);

} // namespace ronvalo

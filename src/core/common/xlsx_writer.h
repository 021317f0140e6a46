// Tables as XLSX workbooks: cells of the right type, so that a spreadsheet reads dates as dates
// and never takes an instrument's number for a number or a name for a formula.
#pragma once

#include <QString>
#include <memory>

#include "core/common/table_writer.h"
#include "platform/atomic_file.h"

namespace ronvalo {

// One XLSX file being written, its header row in bold and frozen. The cells follow their
// columns' kinds: dates and times become date and time cells with a "2004-04-26" and "08:15"
// format, numbers numbers, anything else (and a field that does not read as its kind) a text
// cell. An empty field is an empty cell. A sheet holds 1 048 576 rows: the rows beyond go on to
// another sheet, "Arkusz2" and on, under the same header.
//
// The workbook is built in a temporary file beside the target, which commit() renames over it,
// with the guarantees of TableWriter. Memory stays flat: rows go to the disk as they come.
class XlsxWriter : public TableWriter {
public:
    XlsxWriter(const QString& target, const TableColumns& columns);
    ~XlsxWriter() override;

    void commit() override;

private:
    struct Book;

    void putRow(const QStringList& fields) override;
    void startSheet();
    [[noreturn]] void fail(const QString& reason, int code = 0) const;
    void check(int error) const;

    QString target_;
    TableColumns columns_;
    platform::AtomicFile file_;
    std::unique_ptr<Book> book_;
    int sheetRow_ = 0; // the next row of the current sheet
};

// The whole table in one go, for a caller without a window (a command line tool).
void writeXlsxFile(const QString& target, const TableColumns& columns, const TableRowSource& rows);

} // namespace ronvalo

// The one CSV writer of the program: tables for spreadsheets, written aside and put in place whole.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>

#include "core/common/table_writer.h"
#include "platform/atomic_file.h"

class QIODevice;

namespace ronvalo {

using CsvRowSource = TableRowSource;

// One field as the file holds it (RFC 4180): in quotes, with its quotes doubled, when it contains
// ";", a quote, CR or LF; unchanged otherwise. A field that a spreadsheet would take for a
// formula (one that begins with "=", "+", "-", "@", a tab or CR: a plan named "=HYPERLINK(...)")
// gets an apostrophe in front, so that it shows as the text it is; a number ("-5", "12,5") is
// left a number.
QString csvField(const QString& text);
// One row as the file holds it: its fields in UTF-8, ";" between them, CR LF at the end.
QByteArray csvLine(const QStringList& fields);

// Dates and times in the forms every spreadsheet reads as such in any locale: "2004-04-26" and
// "08:15". An invalid date or time is an empty field.
QString csvDate(const QDate& date);
QString csvTime(const QTime& time);

// A CSV file being written: UTF-8 with a byte-order mark (how a spreadsheet tells UTF-8 from the
// system's code page), ";" between fields (what a Polish spreadsheet expects), CR LF line ends and
// a header row. The rows go to a temporary file beside the target, which commit() renames over
// it; an object dropped without commit() (a cancel, an exception) removes the temporary file, so
// no half-written file ever stands under the target's name and a file that was there stays.
// Every failure raises EInOutError with "Nie można zapisać pliku <name>: <the system's reason>".
class CsvWriter : public TableWriter {
public:
    // Creates the temporary file and writes the byte-order mark and the header row of `titles`.
    CsvWriter(const QString& target, const QStringList& titles);

    // Writes what is buffered, flushes the file to the disk and puts it under the target's name.
    void commit() override;

private:
    void putRow(const QStringList& fields) override;
    void writeBuffered();
    [[noreturn]] void fail(const platform::OsError& error) const;

    QString target_;
    platform::AtomicFile file_;
    QString buffer_; // rows not yet handed to the file
};

// The whole table in one go, for a caller without a window (a command line tool).
void writeCsvFile(const QString& target, const QStringList& titles, const CsvRowSource& rows);
// The same bytes to `out`, a device already open (a web answer's buffer); `name` says where for the
// message when a write fails ("na standardowe wyjście").
void writeCsvTo(QIODevice& out, const QString& name, const QStringList& titles,
                const CsvRowSource& rows);
// The same bytes to the process's standard output (a tool's "--csv -"). A failed write raises
// EInOutError; what was written by then stays written.
void writeCsvToStdout(const QStringList& titles, const CsvRowSource& rows);

} // namespace ronvalo

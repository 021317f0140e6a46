// Saving a table as a CSV or XLSX file the operator names: the save dialog, then a progress
// dialog.
#pragma once

#include <QString>
#include <QStringList>

#include "core/common/csv_writer.h"

class QWidget;

namespace ronvalo {

enum class TableFormat { Csv, Xlsx };

// A table to export: its columns, its rows pulled as they are written, and how many are
// expected (the progress bar's full length).
struct ExportedTable {
    TableColumns columns;
    TableRowSource rows;
    qint64 expectedRows = 0;
};

// Asks for the name of a CSV file in the save dialog, starting at `suggested`; "" when the
// operator cancels.
QString askCsvFileName(const QString& suggested);

// Writes the header row and the rows of `rows` through `writer`, in chunks between which the
// event loop runs, so the window stays responsive. A progress dialog "Zapisywanie pliku
// <format>..." with "Anuluj", modal to `parent`, appears when the writing takes longer than a
// moment; `expectedRows` is its full bar. Returns false when the operator cancelled: nothing is
// left under the name then, and a file that was there stays as it was. A failure raises the
// writer's error, which names the file, with the same guarantee.
bool writeTableWithProgress(QWidget* parent, TableFormat format, TableWriter& writer,
                            const TableRowSource& rows, qint64 expectedRows);

bool writeCsvWithProgress(QWidget* parent, const QString& target, const QStringList& titles,
                          const CsvRowSource& rows, qint64 expectedRows);

// Asks for the name of a file of `format` in the save dialog ("Zapisz jako XLSX"), starting at
// `suggestedName` with the format's extension; "" when the operator cancels.
QString askTableFileName(TableFormat format, const QString& suggestedName);
// Writes `table` to `target` in `format` with progress, as writeTableWithProgress.
bool writeTableFile(QWidget* parent, TableFormat format, const QString& target,
                    const ExportedTable& table);

// "Zapisz jako CSV..." or "Zapisz jako XLSX...": asks for the file's name, starting at
// `suggestedName` with the format's extension, and writes `table` with progress. False when the
// operator cancelled the dialog or the writing.
bool exportTable(QWidget* parent, TableFormat format, const QString& suggestedName,
                 const ExportedTable& table);

} // namespace ronvalo

// Saving a table as a CSV file the operator names: the save dialog, then a progress dialog.
#pragma once

#include <QString>
#include <QStringList>

#include "common/csv_writer.h"

class QWidget;

namespace ronvalo {

// Asks for the name of a CSV file in the save dialog, starting at `suggested`; "" when the
// operator cancels.
QString askCsvFileName(const QString& suggested);

// Writes the header row of `titles` and the rows of `rows` to `target` through CsvWriter, in
// chunks between which the event loop runs, so the window stays responsive. A progress dialog
// "Zapisywanie pliku CSV..." with "Anuluj", modal to `parent`, appears when the writing takes
// longer than a moment; `expectedRows` is its full bar. Returns false when the operator cancelled:
// nothing is left under the name then, and a file that was there stays as it was. A failure
// raises CsvWriter's error, which names the file, with the same guarantee.
bool writeCsvWithProgress(QWidget* parent, const QString& target, const QStringList& titles,
                          const CsvRowSource& rows, qint64 expectedRows);

} // namespace ronvalo

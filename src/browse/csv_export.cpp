// Saving a table as a CSV file: the name from the save dialog, the rows in chunks with progress.
#include "browse/csv_export.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>

#include "common/dialogs.h"

namespace ronvalo {

namespace {

// Rows written between two turns of the event loop: a few milliseconds of work, so that the
// window repaints and "Anuluj" answers at once, while the turns cost next to nothing.
constexpr qint64 chunkRows = 2000;
// A write finished sooner than this shows no progress dialog at all.
constexpr int progressAfterMs = 500;
// The bar counts in int; a table may have more rows than that.
constexpr int barSteps = 1000;

int barValue(qint64 written, qint64 expected) {
    if (expected <= 0)
        return 0;
    // Rows added since the count keep the bar just short of full until the end.
    return int(std::min<qint64>(written * barSteps / expected, barSteps - 1));
}

} // namespace

QString askCsvFileName(const QString& suggested) {
    return Dialogs::current().saveFileName(QStringLiteral("Zapisz jako CSV"), suggested,
                                           QStringLiteral("Pliki CSV (*.csv)"));
}

bool writeCsvWithProgress(QWidget* parent, const QString& target, const QStringList& titles,
                          const CsvRowSource& rows, qint64 expectedRows) {
    CsvWriter writer(target, titles);
    QProgressDialog progress(QStringLiteral("Zapisywanie pliku CSV..."), QStringLiteral("Anuluj"),
                             0, barSteps, parent);
    progress.setObjectName("CsvProgress");
    progress.setWindowTitle(QStringLiteral("Zapisz jako CSV"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(progressAfterMs);
    progress.setValue(0);
    while (writer.writeRows(rows, chunkRows)) {
        progress.setValue(barValue(writer.rowCount(), expectedRows));
        QCoreApplication::processEvents();
        if (progress.wasCanceled())
            return false; // the writer goes without commit: its temporary file goes with it
    }
    writer.commit();
    return true;
}

} // namespace ronvalo

// Saving a table as a CSV file: the name from the save dialog, the rows in chunks with progress.
#include "browse/csv_export.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <algorithm>

#include "common/dialogs.h"

namespace ronvalo {

namespace {

// Rows written between two looks at the clock.
constexpr qint64 chunkRows = 500;
// The event loop runs after the first chunk and then this often: the window repaints and
// "Anuluj" answers at once, while the turns, each repainting the bar, cost next to nothing.
constexpr qint64 turnMs = 50;
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
    QElapsedTimer sinceTurn;
    while (writer.writeRows(rows, chunkRows)) {
        if (sinceTurn.isValid() && sinceTurn.elapsed() < turnMs)
            continue;
        sinceTurn.start();
        progress.setValue(barValue(writer.rowCount(), expectedRows));
        // The window repaints from the start, but takes input only once the progress dialog
        // stands over it: a click in the first moment would change the selection being
        // written or start a second export.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        if (progress.wasCanceled())
            return false; // the writer goes without commit: its temporary file goes with it
    }
    writer.commit();
    return true;
}

} // namespace ronvalo

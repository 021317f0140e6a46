// Saving a table as a CSV or XLSX file: the name from the save dialog, the rows in chunks with
// progress.
#include "desktop/browse/csv_export.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <algorithm>
#include <memory>

#include "core/common/dialogs.h"
#include "core/common/xlsx_writer.h"
#include "desktop/common/background_work.h"
#include "desktop/common/window_title.h"

namespace ronvalo {

namespace {

// Rows written between two looks at the clock.
constexpr qint64 chunkRows = 500;
// The event loop runs after the first chunk and then this often: the window repaints and
// "Anuluj" answers at once, while the turns, each repainting the bar, cost next to nothing.
constexpr qint64 turnMs = 50;
// A write finished sooner than this shows no progress dialog at all.
constexpr int progressAfterMs = 500;
QString formatName(TableFormat format) {
    return format == TableFormat::Xlsx ? QStringLiteral("XLSX") : QStringLiteral("CSV");
}

QString askFileName(TableFormat format, const QString& suggested) {
    const QString name = formatName(format);
    return Dialogs::current().saveFileName(
        QStringLiteral("Zapisz jako %1").arg(name), suggested,
        QStringLiteral("Pliki %1 (*.%2)").arg(name, name.toLower()));
}

// `name` with the format's extension in place of its own.
QString withExtension(const QString& name, TableFormat format) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot < 0 ? name : name.left(dot)) + u'.' + formatName(format).toLower();
}

} // namespace

QString askCsvFileName(const QString& suggested) {
    return askFileName(TableFormat::Csv, suggested);
}

bool writeTableWithProgress(QWidget* parent, TableFormat format, TableWriter& writer,
                            const TableRowSource& rows, qint64 expectedRows) {
    QProgressDialog progress(QStringLiteral("Zapisywanie pliku %1...").arg(formatName(format)),
                             QStringLiteral("Anuluj"), 0, barSteps, parent);
    progress.setObjectName(format == TableFormat::Xlsx ? "XlsxProgress" : "CsvProgress");
    progress.setWindowTitle(QStringLiteral("Zapisz jako %1").arg(formatName(format)));
    makeRoomForTitle(progress);
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

bool writeCsvWithProgress(QWidget* parent, const QString& target, const QStringList& titles,
                          const CsvRowSource& rows, qint64 expectedRows) {
    CsvWriter writer(target, titles);
    return writeTableWithProgress(parent, TableFormat::Csv, writer, rows, expectedRows);
}

QString askTableFileName(TableFormat format, const QString& suggestedName) {
    return askFileName(format, withExtension(suggestedName, format));
}

bool writeTableFile(QWidget* parent, TableFormat format, const QString& target,
                    const ExportedTable& table) {
    std::unique_ptr<TableWriter> writer;
    if (format == TableFormat::Xlsx)
        writer = std::make_unique<XlsxWriter>(target, table.columns);
    else
        writer = std::make_unique<CsvWriter>(target, table.columns.titles);
    return writeTableWithProgress(parent, format, *writer, table.rows, table.expectedRows);
}

bool exportTable(QWidget* parent, TableFormat format, const QString& suggestedName,
                 const ExportedTable& table) {
    const QString target = askTableFileName(format, suggestedName);
    return !target.isEmpty() && writeTableFile(parent, format, target, table);
}

} // namespace ronvalo

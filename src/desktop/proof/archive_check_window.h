// The window "Sprawdź archiwum odczytów": the check of the download archive run under a progress
// dialog, its findings in a grid, the summary line, and the findings to a CSV file.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/common/service_log.h"
#include "core/proof/archive_check.h"
#include "desktop/browse/csv_export.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ronvalo {

// The check the window runs: checkArchive() over the program's tables, or a test's own. None
// when stopped.
using ArchiveCheckRun = std::function<std::optional<ArchiveCheck>(const ArchiveProgress&)>;

// Runs `check` with a progress dialog over the whole program, whose "Anuluj" stops it: nothing
// else takes input while the tables are read, yet every window repaints. None when stopped.
std::optional<ArchiveCheck> checkWithProgress(QWidget* parent, const ArchiveCheckRun& check);

// The grid's and the CSV file's column titles, and one finding's fields under them (the download
// number empty when the finding names none).
QStringList archiveFindingTitles();
QStringList archiveFindingFields(const ArchiveFinding& finding);

class ArchiveCheckWindow : public QDialog {
    Q_OBJECT
public:
    ArchiveCheckWindow(ArchiveCheckRun check, LogWriter writeLog, QWidget* parent = nullptr);

    // Logs the check and runs it with a progress dialog whose "Anuluj" stops it, the event loop
    // turning meanwhile; then shows its findings. False when the operator stopped it: the window
    // shows nothing then. Raises what the check raises (EDatabaseError for unreadable tables).
    bool runCheck();
    // "CSV..." and "XLSX...": the grid's rows to a file the operator names.
    void btCsvClick();
    void exportFindings(TableFormat format);

    const ArchiveCheck& result() const { return result_; }

    QTableWidget* grid = nullptr;
    QLabel* lbPodsumowanie = nullptr;
    QPushButton* btCsv = nullptr;
    QPushButton* btXlsx = nullptr;
    QPushButton* btZamknij = nullptr;

private:
    void showFindings();

    ArchiveCheckRun check_;
    LogWriter writeLog_;
    ArchiveCheck result_;
};

} // namespace ronvalo

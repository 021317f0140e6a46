// The archive check's window: the check under a progress dialog, its findings, the CSV file.
#include "desktop/proof/archive_check_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "desktop/common/background_work.h"
#include "desktop/common/window_title.h"
#include "desktop/rounds/window_parts.h"

namespace ronvalo {

namespace {

const QString checkTitle = QStringLiteral("Sprawdź archiwum odczytów");
const QString checkLogLine = QStringLiteral("Sprawdzenie archiwum odczytów");

// The event loop turns this often while the check runs: the windows repaint and "Anuluj"
// answers, at next to no cost to the check.
constexpr qint64 turnMs = 50;
// A check finished sooner than this shows no progress dialog.
constexpr int progressAfterMs = 500;
} // namespace

std::optional<ArchiveCheck> checkWithProgress(QWidget* parent, const ArchiveCheckRun& check) {
    QProgressDialog progress(QStringLiteral("Sprawdzanie archiwum odczytów..."),
                             QStringLiteral("Anuluj"), 0, barSteps, parent);
    progress.setObjectName("ArchiveProgress");
    progress.setWindowTitle(checkTitle);
    makeRoomForTitle(progress);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(progressAfterMs);
    progress.setValue(0);
    QElapsedTimer sinceTurn;
    const auto result = check([&](qint64 done, qint64 total) {
        if (progress.wasCanceled())
            return false;
        if (sinceTurn.isValid() && sinceTurn.elapsed() < turnMs)
            return true;
        sinceTurn.start();
        progress.setValue(barValue(done, total));
        // Input only once the dialog stands over the windows: before that a click would reach
        // the main window and start a second command in the middle of this one.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    });
    if (progress.wasCanceled())
        return std::nullopt;
    return result;
}

QStringList archiveFindingTitles() {
    return {QStringLiteral("Odczyt"), QStringLiteral("Czytnik"), QStringLiteral("Opis")};
}

QStringList archiveFindingFields(const ArchiveFinding& finding) {
    return {finding.download > 0 ? QString::number(finding.download) : QString(),
            finding.instrument, finding.text};
}

ArchiveCheckWindow::ArchiveCheckWindow(ArchiveCheckRun check, LogWriter writeLog, QWidget* parent)
    : QDialog(parent), check_(std::move(check)), writeLog_(std::move(writeLog)) {
    setObjectName("frSprawdzArchiwum");
    setWindowTitle(checkTitle);
    setFont(windowFont());
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    grid = makeTable(this, "grid", archiveFindingTitles());
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setColumnWidth(0, 60);
    grid->setColumnWidth(1, 110);
    layout->addWidget(grid, 1);
    lbPodsumowanie = new QLabel(this);
    lbPodsumowanie->setObjectName("lbPodsumowanie");
    lbPodsumowanie->setWordWrap(true);
    // The digest is there to be copied into an audit's notes.
    lbPodsumowanie->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lbPodsumowanie);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btCsv = makeButton(this, "btCsv", QStringLiteral("CSV..."));
    btXlsx = makeButton(this, "btXlsx", QStringLiteral("XLSX..."));
    btZamknij = makeButton(this, "btZamknij", QStringLiteral("Zamknij"));
    btZamknij->setDefault(true);
    for (QPushButton* button : {btCsv, btXlsx, btZamknij}) {
        button->setMinimumWidth(75);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(btCsv, &QPushButton::clicked, this, guarded([this] { btCsvClick(); }));
    connect(btXlsx, &QPushButton::clicked, this,
            guarded([this] { exportFindings(TableFormat::Xlsx); }));
    connect(btZamknij, &QPushButton::clicked, this, &QDialog::accept);
    resize(640, 420);
}

bool ArchiveCheckWindow::runCheck() {
    writeLog_(checkLogLine);
    const auto check = checkWithProgress(parentWidget(), check_);
    if (!check)
        return false;
    result_ = *check;
    showFindings();
    return true;
}

void ArchiveCheckWindow::showFindings() {
    grid->setRowCount(0);
    for (const ArchiveFinding& finding : result_.findings) {
        const int row = grid->rowCount();
        grid->insertRow(row);
        const QStringList fields = archiveFindingFields(finding);
        for (int column = 0; column < fields.size(); ++column)
            grid->setItem(row, column, fixedCell(fields[column], column == 0));
    }
    lbPodsumowanie->setText(archiveCheckSummary(result_));
}

void ArchiveCheckWindow::btCsvClick() {
    exportFindings(TableFormat::Csv);
}

void ArchiveCheckWindow::exportFindings(TableFormat format) {
    const QList<ArchiveFinding>& findings = result_.findings;
    // The download's number is a number; the instrument's stays text, its zeros kept.
    const TableColumns columns{archiveFindingTitles(),
                               {CellKind::Number, CellKind::Text, CellKind::Text}};
    exportTable(this, format, QStringLiteral("archiwum_odczytow"),
                {columns,
                 [&findings, next = qsizetype(0)](QStringList& fields) mutable {
                     if (next == findings.size())
                         return false;
                     fields = archiveFindingFields(findings[next++]);
                     return true;
                 },
                 findings.size()});
}

} // namespace ronvalo

// The punch report's modal print preview: its pages, a tool bar to move and zoom, printing.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPrinter;
class QSpinBox;
class QToolBar;
class QAction;

namespace ronvalo {

class PreviewedReport;
class ReportPageView;

// The preview the report is printed from. It shows the pages as the printer lays them out,
// painting those in view only.
class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // Counts the report's pages; a failure to read the rows is shown in the error box and
    // leaves the preview empty.
    ReportPreviewDialog(QPrinter* printer, PreviewedReport& pages, QWidget* parent = nullptr);

    // Adds "Zapisz PDF..." after "Drukuj...": the whole report into a PDF file the operator
    // names, `title` its document title and `suggested` the name the save dialog starts at.
    // `write`, when given, writes the file of the name chosen instead of writeReportPdf().
    void addPdfSaving(const QString& title, const QString& suggested,
                      std::function<void(const QString&)> write = {});

    QPrinter* printer() const { return printer_; }
    qint64 pageCount() const;
    ReportPageView* pageView() const { return view_; }

    // Prints the whole report on the printer as it is set up, its rows read anew.
    void print();

private:
    void addToolBar();
    void widenForToolBar();
    void choosePrinterAndPrint();
    void showPageNumber(qint64 page);

    QPrinter* printer_;
    PreviewedReport& pages_;
    QToolBar* bar_ = nullptr;
    QAction* print_ = nullptr;
    ReportPageView* view_;
    QSpinBox* pageNumber_ = nullptr;
    QLabel* pageTotal_ = nullptr;
};

} // namespace ronvalo

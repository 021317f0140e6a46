// The report form: the modal print preview of the punch report and its output to a PDF file.
#include "desktop/report/report_form.h"

#include "core/common/clock.h"
#include "core/report/report_pages.h"
#include "desktop/report/report_preview.h"

#include <QApplication>
#include <QPrinter>

namespace ronvalo {

PunchReport::PunchReport(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("QRaport1"));
}

ReportContent PunchReport::content(const QDateTime& builtAt) const {
    ReportContent content;
    content.builtAt = builtAt;
    content.QRLabel2 = QRLabel2;
    content.QRLabel6 = QRLabel6;
    return content;
}

void PunchReport::Preview(QWidget* parent) {
    // The printer exists only while the preview is open: building one asks the print system.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    printer.setCopyCount(1);
    printer.setDocName(QStringLiteral("Raport"));

    // The preview and what is printed from it read the rows anew, each when it needs them.
    ReportPages pages(content(Clock::now()), factory_);
    ReportPreviewDialog dialog(&printer, pages, parent ? parent : QApplication::activeWindow());
    dialog.exec();
}

PaintedReport PunchReport::writePdf(const QString& path) {
    return writeReportPdf(path, QStringLiteral("Raport"),
                          ReportPages(content(Clock::now()), factory_));
}

TfrRaport2::TfrRaport2(QWidget* parent) : QWidget(parent), QRaport1(new PunchReport(this)) {
    setObjectName(QStringLiteral("frRaport2"));
    // A window of its own that is never shown, so it never appears inside its owner.
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
}

} // namespace ronvalo

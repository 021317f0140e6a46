// A report's PDF file, written aside and put in place whole.
#include "core/report/previewed_report.h"

#include "core/common/exception.h"
#include "core/report/report_painter.h"

#include <QPdfWriter>
#include <QSaveFile>

namespace ronvalo {

PaintedReport writeReportPdfTo(QIODevice& out, const QString& title,
                               const PreviewedReport& report) {
    QPdfWriter writer(&out);
    writer.setPageLayout(reportPageLayout(ReportLayout(report.paper())));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Ronvalo 2.2"));
    return report.print(writer);
}

PaintedReport writeReportPdf(const QString& path, const QString& title,
                             const PreviewedReport& report) {
    // QPdfWriter only says that painting failed; name the file that could not be made. A report
    // that fails halfway leaves no half-written file under the name, and one that was there stays.
    const auto cannotCreate = [&path] {
        return EFCreateError(QStringLiteral("Cannot create file %1").arg(path));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate();
    const PaintedReport painted = writeReportPdfTo(file, title, report);
    if (!file.commit())
        throw cannotCreate();
    return painted;
}

} // namespace ronvalo

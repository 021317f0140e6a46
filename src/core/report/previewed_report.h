// A report as its print preview shows it: pages counted, read and painted one at a time.
#pragma once

#include "core/report/report_layout.h"

#include <QRectF>
#include <QString>
#include <any>

class QIODevice;
class QPagedPaintDevice;
class QPainter;

namespace ronvalo {

struct PaintedReport {
    qint64 rows = 0;
    qint64 pages = 0;
};

// What the preview asks of a report. A page's contents are read when it comes into view and
// held only while it stays there, so a long report costs the preview what a short one does.
class PreviewedReport {
public:
    virtual ~PreviewedReport() = default;

    virtual const ReportPage& paper() const = 0;
    // The pages the report fills (an empty report still has its one page).
    virtual qint64 count() = 0;
    // What page `page` (0 first) shows; raises the reading's error.
    virtual std::any readPage(qint64 page) = 0;
    // Paints page `page` from what readPage gave over `target`, a rectangle of the painter's
    // canvas.
    virtual void paintPage(QPainter& painter, const QRectF& target, qint64 page,
                           const std::any& contents) const = 0;
    // The whole report onto a printer or PDF file.
    virtual PaintedReport print(QPagedPaintDevice& device) const = 0;
};

// The whole report as PDF onto `out`, a device already open (a web answer's buffer).
PaintedReport writeReportPdfTo(QIODevice& out, const QString& title, const PreviewedReport& report);
// Writes the whole report into a PDF file named `title`, put in place only once complete; raises
// EFCreateError "Cannot create file <path>" when the file cannot be made or written.
PaintedReport writeReportPdf(const QString& path, const QString& title,
                             const PreviewedReport& report);

} // namespace ronvalo

// Painting the exception report's laid-out pages with the program's page header and footer.
#include "rounds/exception_report_pages.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include "browse/report_canvas.h"
#include "browse/report_painter.h"

namespace ronvalo {

ExceptionReportPages::ExceptionReportPages(const ExceptionReport& report, const QDateTime& builtAt,
                                           ReportLayout layout)
    : builtAt_(builtAt), archiveNote_(archiveFooterNote(report.archive)), layout_(layout),
      pages_(layoutExceptionReport(report, formats_, reportTextWidth(), layout_)) {}

void ExceptionReportPages::paintBody(QPainter& painter, QPointF originMm, qint64 page) const {
    MmPainter mm(painter, originMm);
    painter.setPen(Qt::black);
    paintPageHeader(mm, layout_, printedAtText(builtAt_, formats_));
    const LaidOutPage& laidOut = pages_[page];
    for (const LaidOutFrame& frame : laidOut.frames)
        mm.frame(frame.left, frame.top, frame.width, frame.height);
    painter.setPen(Qt::black);
    for (const LaidOutText& text : laidOut.texts) {
        mm.setFont(mm.fonts().of(text.font));
        mm.label(text.left, text.top, text.width, text.align, text.text);
    }
    paintPageFooter(mm, layout_, page, archiveNote_);
}

void ExceptionReportPages::paintPage(QPainter& painter, const QRectF& target, qint64 page,
                                     const std::any&) const {
    paintPageInto(painter, target, layout_.page(),
                  [&](QPainter& onPage) { paintBody(onPage, QPointF(0, 0), page); });
}

PaintedReport ExceptionReportPages::print(QPagedPaintDevice& device) const {
    QPainter painter;
    beginReportPainting(painter, device);
    const QPointF origin = deviceOriginMm(device);
    for (qint64 page = 0; page < pages_.size(); ++page) {
        if (page > 0)
            newReportPage(device);
        paintBody(painter, origin, page);
    }
    return {0, pages_.size()};
}

} // namespace ronvalo

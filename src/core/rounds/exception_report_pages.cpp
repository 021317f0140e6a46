// Painting the exception report's laid-out pages with the program's page header and footer.
#include "core/rounds/exception_report_pages.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include "core/common/work_progress.h"
#include "core/report/report_canvas.h"
#include "core/report/report_painter.h"

namespace ronvalo {

ExceptionReportPages::ExceptionReportPages(const ExceptionReport& report, const QDateTime& builtAt,
                                           ReportLayout layout,
                                           const std::function<bool(qint64, qint64)>& progress)
    : builtAt_(builtAt), archiveNote_(archiveFooterNote(report.archive)), layout_(layout),
      laidOut_(report, formats_, reportTextWidth(), layout_, progress) {}

void ExceptionReportPages::paintBody(QPainter& painter, MmPainter& mm, qint64 number,
                                     const LaidOutPage& laidOut) const {
    painter.setPen(Qt::black);
    paintPageHeader(mm, layout_, printedAtText(builtAt_, formats_));
    for (const LaidOutFrame& frame : laidOut.frames)
        mm.frame(frame.left, frame.top, frame.width, frame.height);
    painter.setPen(Qt::black);
    for (const LaidOutText& text : laidOut.texts) {
        mm.setFont(mm.fonts().of(text.font));
        mm.label(text.left, text.top, text.width, text.align, text.text);
    }
    paintPageFooter(mm, layout_, number, archiveNote_);
}

void ExceptionReportPages::paintPage(QPainter& painter, const QRectF& target, qint64 page,
                                     const std::any& contents) const {
    const auto* laidOut = std::any_cast<LaidOutPage>(&contents);
    if (!laidOut)
        return;
    paintPageInto(painter, target, layout_.page(), [&](QPainter& onPage) {
        MmPainter mm(onPage, QPointF(0, 0));
        paintBody(onPage, mm, page, *laidOut);
    });
}

PaintedReport ExceptionReportPages::print(QPagedPaintDevice& device) const {
    QPainter painter;
    beginReportPainting(painter, device);
    // One painter's fonts for every page: the glyphs of the texts the pages repeat are laid out
    // once, not once a page.
    MmPainter mm(painter, deviceOriginMm(device));
    const qint64 pages = laidOut_.pageCount();
    for (qint64 page = 0; page < pages; ++page) {
        if (printProgress_ && !printProgress_(page, pages))
            throw WorkStopped();
        if (page > 0)
            newReportPage(device);
        paintBody(painter, mm, page, laidOut_.page(page));
    }
    return {0, pages};
}

} // namespace ronvalo

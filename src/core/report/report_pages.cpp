// The punch report's pages on demand: counted once, each painted from its own rows.
#include "core/report/report_pages.h"

#include "core/report/report_canvas.h"

#include <QPainter>
#include <utility>

namespace ronvalo {

ReportPages::ReportPages(ReportContent content, PunchSourceFactory factory, ReportLayout layout)
    : content_(std::move(content)), factory_(std::move(factory)), layout_(layout) {}

qint64 ReportPages::count() {
    const PunchSource source = newSource();
    Punch punch;
    DetailBand band;
    qint64 rows = 0;
    while (nextPrintedRow(source, punch, band))
        ++rows;
    return layout_.pageCount(rows);
}

std::vector<Punch> ReportPages::rows(qint64 page) {
    const qint64 first = layout_.firstRow(page);
    const qint64 end = first + layout_.rowsPerPage(page);
    // Taken while in use: a source that failed halfway is never read on from where it broke.
    PunchSource source = std::exchange(cursor_, PunchSource());
    qint64 row = cursorRow_;
    if (!source || row > first) {
        source = newSource();
        row = 0;
    }
    std::vector<Punch> rows;
    Punch punch;
    DetailBand band;
    for (; row < end && nextPrintedRow(source, punch, band); ++row)
        if (row >= first)
            rows.push_back(punch);
    cursor_ = std::move(source);
    cursorRow_ = row;
    return rows;
}

void ReportPages::paint(QPainter& painter, const QRectF& target, qint64 page,
                        const std::vector<Punch>& rows) const {
    paintPageInto(painter, target, layout_.page(), [&](QPainter& onPage) {
        const PunchSource source = [&rows, next = std::size_t(0)](Punch& out) mutable {
            if (next == rows.size())
                return false;
            out = rows[next++];
            return true;
        };
        paintReportPage(onPage, content_, source, page, layout_);
    });
}

PaintedReport ReportPages::print(QPagedPaintDevice& device) const {
    return paintReport(device, content_, newSource(), layout_);
}

} // namespace ronvalo

// The punch report's pages one at a time, for a preview that shows only a few of them.
#pragma once

#include "core/report/report_painter.h"

#include <QRectF>
#include <vector>

class QPainter;

namespace ronvalo {

// The report's pages painted when they are asked for: each page's rows are read again from the
// row source, so what the preview holds does not grow with the report.
class ReportPages : public PreviewedReport {
public:
    ReportPages(ReportContent content, PunchSourceFactory factory,
                ReportLayout layout = ReportLayout());

    const ReportLayout& layout() const { return layout_; }
    const ReportPage& paper() const override { return layout_.page(); }

    // Reads every row once; the pages they fill (an empty report still has its one page).
    qint64 count() override;
    // The page's rows, as rows() reads them.
    std::any readPage(qint64 page) override { return rows(page); }
    void paintPage(QPainter& painter, const QRectF& target, qint64 page,
                   const std::any& contents) const override {
        paint(painter, target, page, std::any_cast<const std::vector<Punch>&>(contents));
    }

    // The rows printed on page `page` (0 first). Reading goes on from the page read last when
    // this one comes after it, and starts again from the first row otherwise.
    std::vector<Punch> rows(qint64 page);

    // Paints page `page` with its `rows` over `target`, a rectangle of the painter's canvas.
    void paint(QPainter& painter, const QRectF& target, qint64 page,
               const std::vector<Punch>& rows) const;

    // The whole report onto a printer or PDF file, its rows read anew.
    PaintedReport print(QPagedPaintDevice& device) const override;

private:
    PunchSource newSource() const { return factory_ ? factory_() : PunchSource(); }

    ReportContent content_;
    PunchSourceFactory factory_;
    ReportLayout layout_;
    PunchSource cursor_; // stands before row `cursorRow_` of the report
    qint64 cursorRow_ = 0;
};

} // namespace ronvalo

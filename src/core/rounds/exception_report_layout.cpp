// Laying out the printed exception report: its blocks made once, where each page begins, and a
// page laid out alone when asked for.
#include "core/rounds/exception_report_layout.h"

#include <QImage>
#include <memory>
#include <vector>

#include "core/common/work_progress.h"
#include "core/report/report_canvas.h"
#include "core/rounds/exception_report_pager.h"
#include "core/rounds/exception_report_sections.h"

namespace ronvalo {

using namespace detail;

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kMeasuringDpi = 1200; // the PDF writer's and a high-resolution printer's

// Rows laid out between two looks at the progress.
constexpr qint64 rowsBetweenLooks = 256;

} // namespace

TextWidth reportTextWidth() {
    auto canvas = std::make_shared<QImage>(reportCanvas(QSize(1, 1), kMeasuringDpi));
    auto fonts = std::make_shared<ReportFonts>(canvas.get());
    return [canvas, fonts](ReportFontKind font, const QString& text) {
        return fonts->of(font).width(text) * kMmPerInch / kMeasuringDpi;
    };
}

QString exceptionReportPeriodText(const ExceptionReport& report, const RegionalFormats& formats) {
    return QStringLiteral("za okres od ") + formats.formatShortDate(report.choices.from) +
           QStringLiteral(" do ") + formats.formatShortDate(report.choices.to);
}

ExceptionReportLayout::ExceptionReportLayout(const ExceptionReport& report,
                                             const RegionalFormats& formats, TextWidth width,
                                             const ReportLayout& layout,
                                             const std::function<bool(qint64, qint64)>& progress)
    : width_(std::move(width)), layout_(layout), blocks_(std::make_unique<Blocks>()) {
    blocks_->list = exceptionReportBlocks(report, formats, width_, layout_);

    // Laid out once, keeping no text: where each page begins.
    qint64 rows = 0;
    for (const Block& block : blocks_->list)
        rows += block.table.rows;
    qint64 done = 0;
    starts_ = pageStarts(*blocks_, layout_, width_, [&] {
        if (progress && ++done % rowsBetweenLooks == 0 && !progress(done, rows))
            throw WorkStopped();
    });
}

ExceptionReportLayout::~ExceptionReportLayout() = default;

qint64 ExceptionReportLayout::pageCount() const {
    return qint64(starts_.size());
}

LaidOutPage ExceptionReportLayout::page(qint64 page) const {
    return layOutPage(*blocks_, layout_, width_, page, starts_[std::size_t(page)]);
}

QList<LaidOutPage> layoutExceptionReport(const ExceptionReport& report,
                                         const RegionalFormats& formats, const TextWidth& width,
                                         const ReportLayout& layout) {
    const ExceptionReportLayout laidOut(report, formats, width, layout);
    return laidOut.allPages();
}

QList<LaidOutPage> ExceptionReportLayout::allPages() const {
    return layOutPages(*blocks_, layout_, width_);
}

} // namespace ronvalo

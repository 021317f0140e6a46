// The punch report's pages on demand: counted once, each painted from its own rows.
#include "browse/report_pages.h"

#include <QPainter>
#include <utility>

namespace ronvalo {

namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kMmPerInch = 25.4;

} // namespace

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

void ReportPages::paint(QPainter& painter, qint64 page) {
    const qint64 first = layout_.firstRow(page);
    // Taken while in use: a source that failed halfway is never read on from where it broke.
    PunchSource source = std::exchange(cursor_, PunchSource());
    qint64 row = cursorRow_;
    if (!source || row > first) {
        source = newSource();
        row = 0;
    }
    Punch punch;
    DetailBand band;
    while (row < first && nextPrintedRow(source, punch, band))
        ++row;
    row += paintReportPage(painter, content_, source, page, layout_);
    cursor_ = std::move(source);
    cursorRow_ = row;
}

QImage ReportPages::image(qint64 page, QSize pixels, int dotsPerInch) {
    QImage image(pixels, QImage::Format_RGB32);
    // The fonts take their sizes from the image's resolution: the printer's, not the screen's.
    const int dotsPerMetre = qRound(dotsPerInch / kMetresPerInch);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double dotsPerMm = dotsPerInch / kMmPerInch;
    painter.scale(pixels.width() / (layout_.page().width * dotsPerMm),
                  pixels.height() / (layout_.page().height * dotsPerMm));
    paint(painter, page);
    return image;
}

PaintedReport ReportPages::print(QPagedPaintDevice& device) const {
    return paintReport(device, content_, newSource(), layout_);
}

} // namespace ronvalo

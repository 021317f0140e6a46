// Millimetre painting of a report's labels and frames, its page header and footer, and the
// preview's canvas.
#include "core/report/report_canvas.h"

#include "core/common/exception.h"

#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>

namespace ronvalo {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kMetresPerInch = 0.0254;
constexpr double kLabelHeight = 8.0; // tall enough for any font the report uses
constexpr double kFrameWidth = 0.2;  // the column header's thin frame
constexpr int kNoClip = Qt::TextDontClip | Qt::TextSingleLine;

// Text positions are kept in 1/64 of a device dot, cut towards zero.
double toTextGrid(double dots) {
    return static_cast<int>(dots * 64) / 64.0;
}

// Whether glyphs drawn without their text stay text on the painter's device. The PDF writer and
// images draw them as text; engines that record what is drawn (a picture, the Windows
// printer's first pass over a page) would turn each glyph into an outline, so they are given
// the text itself.
bool drawsGlyphsAsText(const QPainter& painter) {
    const QPaintEngine::Type type = painter.paintEngine()->type();
    return type == QPaintEngine::Pdf || type == QPaintEngine::Raster;
}

} // namespace

MmPainter::MmPainter(QPainter& painter, QPointF originMm)
    : painter_(painter), scale_(painter.device()->logicalDpiX() / kMmPerInch), origin_(originMm),
      fonts_(painter.device()), keptGlyphs_(drawsGlyphsAsText(painter)) {}

QRectF MmPainter::rect(double left, double top, double width, double height) const {
    return {(left - origin_.x()) * scale_, (top - origin_.y()) * scale_, width * scale_,
            height * scale_};
}

void MmPainter::setFont(MeasuredFont& font) {
    if (&font != current_) {
        painter_.setFont(font.font());
        current_ = &font;
    }
}

double MmPainter::textWidth(const QString& text) const {
    return current_->width(text) / scale_;
}

double MmPainter::ascent() const {
    return current_->ascent() / scale_;
}

void MmPainter::label(double left, double top, double width, int align, const QString& text) {
    const QRectF box = rect(left, top, width, kLabelHeight);
    if (keptGlyphs_ && !(align & Qt::AlignHCenter)) {
        // Where drawText would put the line, without laying the text out again: at the box's
        // corner or its right edge less the text's width, in the steps text positions are kept
        // in. The rows' texts repeat, so their glyphs are at hand.
        const QGlyphRun glyphs = current_->glyphs(text);
        if (!glyphs.isEmpty()) {
            const double x = (align & Qt::AlignRight)
                                 ? box.x() + (box.width() - current_->width(text))
                                 : box.x();
            painter_.drawGlyphRun(QPointF(toTextGrid(x), toTextGrid(box.y())), glyphs);
            return;
        }
    }
    painter_.drawText(box, align | Qt::AlignTop | kNoClip, text);
}

void MmPainter::frame(double left, double top, double width, double height) {
    const double inset = kFrameWidth / 2;
    painter_.setPen(QPen(Qt::black, kFrameWidth * scale_));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(rect(left + inset, top + inset, width - kFrameWidth, height - kFrameWidth));
}

void paintPageHeader(MmPainter& mm, const ReportLayout& layout, const QString& printedAt) {
    const double left = layout.page().marginLeft;
    mm.setFont(mm.fonts().regular10);
    mm.label(left + 120.65, layout.pageHeaderTop() + 6.35, layout.printableWidth() - 120.65,
             Qt::AlignLeft, printedAt);
}

void paintPageFooter(MmPainter& mm, const ReportLayout& layout, qint64 page, const QString& note) {
    const double left = layout.page().marginLeft;
    const double width = layout.printableWidth();
    const double footer = layout.pageFooterTop();
    mm.setFont(mm.fonts().regular10);
    mm.label(left, footer + 2.1, width, Qt::AlignHCenter, QString::number(page + 1));
    mm.setFont(mm.fonts().regular6);
    mm.label(left + 2.1, footer + 9.0, width - 2.1, Qt::AlignLeft,
             QStringLiteral("Wydrukowano przy uzyciu programu Ronvalo 2.2"));
    if (!note.isEmpty())
        mm.label(left, footer + 9.0, width, Qt::AlignRight, note);
}

void beginReportPainting(QPainter& painter, QPagedPaintDevice& device) {
    if (!painter.begin(&device))
        throw Exception(QStringLiteral("Nie można rozpocząć wydruku raportu"));
}

void newReportPage(QPagedPaintDevice& device) {
    if (!device.newPage())
        throw Exception(QStringLiteral("Nie można dodać strony raportu"));
}

QPointF deviceOriginMm(const QPagedPaintDevice& device) {
    return device.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
}

QImage reportCanvas(QSize pixels, int dotsPerInch) {
    QImage image(pixels, QImage::Format_RGB32);
    // The fonts take their sizes from the image's resolution: the printer's, not the screen's.
    const int dotsPerMetre = qRound(dotsPerInch / kMetresPerInch);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

void paintPageInto(QPainter& painter, const QRectF& target, const ReportPage& paper,
                   const std::function<void(QPainter&)>& paint) {
    painter.save();
    painter.setClipRect(target);
    painter.fillRect(target, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    const double dotsPerMm = painter.device()->logicalDpiX() / kMmPerInch;
    painter.scale(target.width() / (paper.width * dotsPerMm),
                  target.height() / (paper.height * dotsPerMm));
    paint(painter);
    painter.restore();
}

} // namespace ronvalo

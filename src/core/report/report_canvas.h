// Painting a report's page in millimetres: labels, frames, and the page header and footer that
// every report of the program carries.
#pragma once

#include "core/report/report_fonts.h"
#include "core/report/report_layout.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace ronvalo {

// A painter that takes millimetres from `originMm`, the paper's point at the device's origin,
// with the report's fonts made for the painter's device.
class MmPainter {
public:
    MmPainter(QPainter& painter, QPointF originMm);

    ReportFonts& fonts() { return fonts_; }

    QRectF rect(double left, double top, double width, double height) const;
    void setFont(MeasuredFont& font);

    // The width of a text in the current font.
    double textWidth(const QString& text) const;
    // The height from a line's top to its baseline in the current font.
    double ascent() const;

    // A label that grows with its text (never cut), anchored at its left or right edge or
    // centred in the box given.
    void label(double left, double top, double width, int align, const QString& text);
    // A thin frame inside the box.
    void frame(double left, double top, double width, double height);

private:
    QPainter& painter_;
    double scale_;
    QPointF origin_;
    ReportFonts fonts_;
    bool keptGlyphs_;
    MeasuredFont* current_ = nullptr;
};

// "Wydrukowano:  " with the moment, at the top of the printable area.
void paintPageHeader(MmPainter& mm, const ReportLayout& layout, const QString& printedAt);
// The page number and the program's line; `note` (empty: none) stands on that line's right,
// where a report names the state of the tables it was made from.
void paintPageFooter(MmPainter& mm, const ReportLayout& layout, qint64 page,
                     const QString& note = {});

// Begins painting a printer or PDF file, and starts its next page; each raises Exception when it
// cannot.
void beginReportPainting(QPainter& painter, QPagedPaintDevice& device);
void newReportPage(QPagedPaintDevice& device);
// The paper's point at a device's origin: the corner of its printable area.
QPointF deviceOriginMm(const QPagedPaintDevice& device);

// An image to paint pages into: `pixels` big, its fonts sized for `dotsPerInch`, the resolution
// of the printer a preview stands for, so that every text is measured as the printout measures it.
QImage reportCanvas(QSize pixels, int dotsPerInch);

// Paints one page with `paint` (taking the device's dots from the paper's corner) scaled into
// `target`, a rectangle of the painter's canvas, over white.
void paintPageInto(QPainter& painter, const QRectF& target, const ReportPage& paper,
                   const std::function<void(QPainter&)>& paint);

} // namespace ronvalo

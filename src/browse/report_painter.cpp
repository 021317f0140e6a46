// Painting of the punch report's bands and rows with QPainter, positions in millimetres.
#include "browse/report_painter.h"

#include "common/exception.h"
#include "common/legacy_fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ronvalo {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kLabelHeight = 8.0; // tall enough for any font the report uses
constexpr double kFrameWidth = 0.2;  // the column header's thin frame
constexpr int kNoClip = Qt::TextDontClip | Qt::TextSingleLine;
constexpr double kDetailPoints = 8;
// The checkpoint number's box in the detail band, and the least space kept between the time's
// text and a number that needs more than its box.
constexpr double kNumberLeft = 35.7;
constexpr double kNumberWidth = 9.0;
constexpr double kNumberGap = 1.0;

QFont reportFont(double points, bool bold) {
    QFont font = legacyFont(LegacyFace::Arial);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A painter that takes millimetres from the paper's corner.
class MmPainter {
public:
    MmPainter(QPagedPaintDevice& device, QPainter& painter) : painter_(painter) {
        scale_ = device.logicalDpiX() / kMmPerInch;
        // The painter's origin is the corner of the printable area, not of the paper.
        origin_ = device.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
    }

    QRectF rect(double left, double top, double width, double height) const {
        return {(left - origin_.x()) * scale_, (top - origin_.y()) * scale_, width * scale_,
                height * scale_};
    }

    void setFont(const QFont& font) {
        if (font != current_) {
            painter_.setFont(font);
            current_ = font;
        }
    }

    // The width of a text in the current font.
    double textWidth(const QString& text) const {
        return QFontMetricsF(current_, painter_.device()).horizontalAdvance(text) / scale_;
    }
    // The height from a line's top to its baseline in the current font.
    double ascent() const { return QFontMetricsF(current_, painter_.device()).ascent() / scale_; }

    // A label that grows with its text (never cut), anchored at its left or right edge or
    // centred in the box given.
    void label(double left, double top, double width, int align, const QString& text) {
        painter_.drawText(rect(left, top, width, kLabelHeight), align | Qt::AlignTop | kNoClip,
                          text);
    }

    void frame(double left, double top, double width, double height) {
        const double inset = kFrameWidth / 2;
        painter_.setPen(QPen(Qt::black, kFrameWidth * scale_));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(
            rect(left + inset, top + inset, width - kFrameWidth, height - kFrameWidth));
    }

private:
    QPainter& painter_;
    double scale_ = 1;
    QPointF origin_;
    QFont current_;
};

// Draws the report's bands where the layout puts them.
class ReportPainter {
public:
    ReportPainter(MmPainter& mm, const ReportLayout& layout, const ReportContent& content)
        : mm_(mm), layout_(layout), content_(content),
          printedAt_(printedAtText(content.builtAt, content.formats)) {}

    // The page header, the title on the first page and the page footer.
    void pageFrame(qint64 page) {
        const double left = layout_.page().marginLeft;
        const double width = layout_.printableWidth();

        mm_.setFont(reportFont(10, false));
        mm_.label(left + 120.65, layout_.pageHeaderTop() + 6.35, width - 120.65, Qt::AlignLeft,
                  printedAt_);

        if (page == 0) {
            const double top = layout_.titleTop();
            mm_.setFont(reportFont(12, true));
            mm_.label(left, top + 6.35, width, Qt::AlignHCenter, QStringLiteral("Raport"));
            mm_.label(left, top + 12.7, width, Qt::AlignHCenter, content_.QRLabel2);
            mm_.label(left, top + 19.05, width, Qt::AlignHCenter, content_.QRLabel6);
        }

        const double footer = layout_.pageFooterTop();
        mm_.setFont(reportFont(10, false));
        mm_.label(left, footer + 2.1, width, Qt::AlignHCenter, QString::number(page + 1));
        mm_.setFont(reportFont(6, false));
        mm_.label(left + 2.1, footer + 9.0, width - 2.1, Qt::AlignLeft,
                  QStringLiteral("Wydrukowano przy uzyciu programu Ronvalo 2.2"));
    }

    void columnHeader(double left, double top) {
        mm_.frame(left, top, layout_.columnWidth(), layout_.bands().columnHeader);
        mm_.setFont(reportFont(8, true));
        mm_.label(left + 2.1, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Data"));
        mm_.label(left + 19.05, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Czas"));
        mm_.label(left + 44.45 - 16, top + 2.1, 16, Qt::AlignRight, QStringLiteral("Nr pkt."));
    }

    void detail(double left, double top, const Punch& punch, const DetailBand& band) {
        mm_.setFont(reportFont(kDetailPoints, false));
        mm_.label(left + 2.1, top, 16.9, Qt::AlignLeft,
                  content_.formats.formatShortDate(punch.Data));
        const QString time = content_.formats.formatLongTime(punch.Czas);
        mm_.label(left + 19.05, top, 16.6, Qt::AlignLeft, time);
        const double timeEnd = 19.05 + mm_.textWidth(time);
        checkpointNumber(left, top, timeEnd, QString::number(punch.Nrwewpkt), band.numberBold);
        if (!band.QRLabel7.isEmpty()) {
            mm_.setFont(reportFont(kDetailPoints, true));
            mm_.label(left + 45.24, top, layout_.columnWidth() - 45.24, Qt::AlignLeft,
                      band.QRLabel7);
        }
    }

private:
    // The number ends at its box's right edge and is never cut: digits cut off would read as
    // another checkpoint. One wider than its box takes the room left of it up to the time's
    // text (`timeEnd`, from the band's left); one wider still is set smaller, on the same
    // baseline, so that it never runs over the time.
    void checkpointNumber(double left, double top, double timeEnd, const QString& number,
                          bool bold) {
        const double right = kNumberLeft + kNumberWidth;
        const double room = std::max(kNumberWidth, right - timeEnd - kNumberGap);
        mm_.setFont(reportFont(kDetailPoints, bold));
        const double baseline = top + mm_.ascent();
        const double width = mm_.textWidth(number);
        if (width > room) {
            // Rounded down to a tenth of a point, so that hinting never makes it wider again.
            const double points = std::floor(kDetailPoints * room / width * 10) / 10;
            mm_.setFont(reportFont(points, bold));
            top = baseline - mm_.ascent();
        }
        mm_.label(left + right - room, top, room, Qt::AlignRight, number);
    }

    MmPainter& mm_;
    const ReportLayout& layout_;
    const ReportContent& content_;
    QString printedAt_;
};

} // namespace

bool DetailBand1BeforePrint(const Punch& punch, DetailBand& band) {
    const bool marked = isMarkedCheckpoint(punch.Nrwewpkt);
    band.QRLabel7 = marked ? QStringLiteral("*") : QString();
    band.numberBold = marked;
    return true;
}

QPageLayout reportPageLayout(const ReportLayout& layout) {
    const ReportPage& page = layout.page();
    return QPageLayout(
        QPageSize(QSizeF(page.width, page.height), QPageSize::Millimeter), QPageLayout::Portrait,
        QMarginsF(page.marginLeft, page.marginTop, page.marginRight, page.marginBottom),
        QPageLayout::Millimeter);
}

QString printedAtText(const QDateTime& moment, const RegionalFormats& formats) {
    return QStringLiteral("Wydrukowano:  ") + formats.formatShortDate(moment.date()) + ' ' +
           formats.formatLongTime(moment.time());
}

PaintedReport paintReport(QPagedPaintDevice& device, const ReportContent& content,
                          const PunchSource& next, const ReportLayout& layout) {
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(QStringLiteral("Nie można rozpocząć wydruku raportu"));
    painter.setPen(Qt::black);
    MmPainter mm(device, painter);
    ReportPainter bands(mm, layout, content);

    PaintedReport result;
    qint64 page = 0;
    bands.pageFrame(page);

    Punch punch;
    DetailBand band;
    while (next && next(punch)) {
        if (!DetailBand1BeforePrint(punch, band))
            continue;
        const RowPlace at = layout.place(result.rows);
        if (at.page != page) {
            if (!device.newPage())
                throw Exception(QStringLiteral("Nie można dodać strony raportu"));
            page = at.page;
            bands.pageFrame(page);
        }
        // A column's header stands above its first row; columns never reached stay blank.
        if (at.rowInColumn == 0)
            bands.columnHeader(at.left, layout.columnHeaderTop(page));
        bands.detail(at.left, at.top, punch, band);
        ++result.rows;
    }
    result.pages = page + 1;
    return result;
}

} // namespace ronvalo

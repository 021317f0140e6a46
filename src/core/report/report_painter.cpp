// Painting of the punch report's bands and rows with QPainter, positions in millimetres.
#include "core/report/report_painter.h"

#include "core/common/exception.h"
#include "core/report/report_canvas.h"
#include "core/report/report_fonts.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ronvalo {

namespace {

constexpr double kDetailPoints = ReportFonts::kDetailPoints;
// The checkpoint number's box in the detail band, and the least space kept between the time's
// text and a number that needs more than its box.
constexpr double kNumberLeft = 35.7;
constexpr double kNumberWidth = 9.0;
constexpr double kNumberGap = 1.0;

// Draws the report's bands where the layout puts them.
class ReportPainter {
public:
    ReportPainter(QPainter& painter, QPointF originMm, const ReportLayout& layout,
                  const ReportContent& content)
        : mm_(painter, originMm), fonts_(mm_.fonts()), layout_(layout), content_(content),
          printedAt_(printedAtText(content.builtAt, content.formats)) {
        painter.setPen(Qt::black);
    }

    // The page header, the title on the first page and the page footer.
    void pageFrame(qint64 page) {
        paintPageHeader(mm_, layout_, printedAt_);
        if (page == 0) {
            const double left = layout_.page().marginLeft;
            const double width = layout_.printableWidth();
            const double top = layout_.titleTop();
            mm_.setFont(fonts_.bold12);
            mm_.label(left, top + 6.35, width, Qt::AlignHCenter, QStringLiteral("Raport"));
            mm_.label(left, top + 12.7, width, Qt::AlignHCenter, content_.QRLabel2);
            mm_.label(left, top + 19.05, width, Qt::AlignHCenter, content_.QRLabel6);
        }
        paintPageFooter(mm_, layout_, page);
    }

    // A detail row where the layout puts it, under its column's header when it is the first.
    void row(const RowPlace& at, const Punch& punch, const DetailBand& band) {
        // A column's header stands above its first row; columns never reached stay blank.
        if (at.rowInColumn == 0)
            columnHeader(at.left, layout_.columnHeaderTop(at.page));
        detail(at.left, at.top, punch, band);
    }

private:
    void columnHeader(double left, double top) {
        mm_.frame(left, top, layout_.columnWidth(), layout_.bands().columnHeader);
        mm_.setFont(fonts_.bold8);
        mm_.label(left + 2.1, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Data"));
        mm_.label(left + 19.05, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Czas"));
        mm_.label(left + 44.45 - 16, top + 2.1, 16, Qt::AlignRight, QStringLiteral("Nr pkt."));
    }

    void detail(double left, double top, const Punch& punch, const DetailBand& band) {
        mm_.setFont(fonts_.regular8);
        mm_.label(left + 2.1, top, 16.9, Qt::AlignLeft, dates_.get(punch.Data, [&] {
            return content_.formats.formatShortDate(punch.Data);
        }));
        const QString time =
            times_.get(punch.Czas, [&] { return content_.formats.formatLongTime(punch.Czas); });
        mm_.label(left + 19.05, top, 16.6, Qt::AlignLeft, time);
        const double timeEnd = 19.05 + mm_.textWidth(time);
        checkpointNumber(left, top, timeEnd, QString::number(punch.Nrwewpkt), band.numberBold);
        if (!band.QRLabel7.isEmpty()) {
            mm_.setFont(fonts_.bold8);
            mm_.label(left + 45.24, top, layout_.columnWidth() - 45.24, Qt::AlignLeft,
                      band.QRLabel7);
        }
    }

    // The number ends at its box's right edge and is never cut: digits cut off would read as
    // another checkpoint. One wider than its box takes the room left of it up to the time's
    // text (`timeEnd`, from the band's left); one wider still is set smaller, on the same
    // baseline, so that it never runs over the time.
    void checkpointNumber(double left, double top, double timeEnd, const QString& number,
                          bool bold) {
        const double right = kNumberLeft + kNumberWidth;
        const double room = std::max(kNumberWidth, right - timeEnd - kNumberGap);
        mm_.setFont(fonts_.detail(bold));
        const double baseline = top + mm_.ascent();
        const double width = mm_.textWidth(number);
        if (width > room) {
            // Rounded down to a tenth of a point, so that hinting never makes it wider again.
            const int tenths = static_cast<int>(std::floor(kDetailPoints * room / width * 10));
            mm_.setFont(fonts_.detail(tenths, bold));
            top = baseline - mm_.ascent();
        }
        mm_.label(left + right - room, top, room, Qt::AlignRight, number);
    }

    MmPainter mm_;
    ReportFonts& fonts_;
    const ReportLayout& layout_;
    const ReportContent& content_;
    QString printedAt_;
    ValueCache<QDate, QString> dates_;
    ValueCache<QTime, QString> times_;
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

bool nextPrintedRow(const PunchSource& next, Punch& punch, DetailBand& band) {
    while (next && next(punch))
        if (DetailBand1BeforePrint(punch, band))
            return true;
    return false;
}

PaintedReport paintReport(QPagedPaintDevice& device, const ReportContent& content,
                          const PunchSource& next, const ReportLayout& layout) {
    QPainter painter;
    beginReportPainting(painter, device);
    ReportPainter bands(painter, deviceOriginMm(device), layout, content);

    PaintedReport result;
    qint64 page = 0;
    bands.pageFrame(page);

    Punch punch;
    DetailBand band;
    while (nextPrintedRow(next, punch, band)) {
        const RowPlace at = layout.place(result.rows);
        if (at.page != page) {
            newReportPage(device);
            page = at.page;
            bands.pageFrame(page);
        }
        bands.row(at, punch, band);
        ++result.rows;
    }
    result.pages = page + 1;
    return result;
}

qint64 paintReportPage(QPainter& painter, const ReportContent& content, const PunchSource& next,
                       qint64 page, const ReportLayout& layout) {
    ReportPainter bands(painter, QPointF(0, 0), layout, content);
    bands.pageFrame(page);
    const qint64 first = layout.firstRow(page);
    Punch punch;
    DetailBand band;
    qint64 row = first;
    while (row < first + layout.rowsPerPage(page) && nextPrintedRow(next, punch, band))
        bands.row(layout.place(row++), punch, band);
    return row - first;
}

} // namespace ronvalo

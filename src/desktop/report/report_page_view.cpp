// The print preview's page view: geometry, scrolling and painting the pages in view.
#include "desktop/report/report_page_view.h"

#include "core/common/error_handler.h"
#include "core/report/previewed_report.h"
#include "core/report/report_canvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <limits>

namespace ronvalo {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kLeastPixelsPerMm = 0.5;
constexpr double kMostPixelsPerMm = 20;

int clampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

ReportPageView::ReportPageView(PreviewedReport& pages, int dotsPerInch, QWidget* parent)
    : QAbstractScrollArea(parent), pages_(pages), dotsPerInch_(dotsPerInch) {
    setObjectName(QStringLiteral("PreviewPages"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

void ReportPageView::setPageCount(qint64 count) {
    count_ = std::max<qint64>(count, 0);
    rows_.clear();
    updateScrollBars();
    noteCurrentPage();
    viewport()->update();
}

QSize ReportPageView::pageSize() const {
    const ReportPage& page = pages_.paper();
    return {qRound(page.width * pixelsPerMm_), qRound(page.height * pixelsPerMm_)};
}

QRect ReportPageView::pageRect(qint64 page) const {
    const QSize size = pageSize();
    const int free = viewport()->width() - size.width();
    const int left = free > 2 * kGap ? free / 2 : kGap - horizontalScrollBar()->value();
    const qint64 top = kGap + page * pageStep() - verticalScrollBar()->value();
    return {left, clampToInt(top), size.width(), size.height()};
}

qint64 ReportPageView::currentPage() const {
    if (count_ == 0)
        return 0;
    const qint64 middle = verticalScrollBar()->value() + viewport()->height() / 2 - kGap;
    return std::clamp<qint64>(middle / pageStep(), 0, count_ - 1);
}

void ReportPageView::setCurrentPage(qint64 page) {
    page = std::clamp<qint64>(page, 0, std::max<qint64>(count_ - 1, 0));
    verticalScrollBar()->setValue(clampToInt(page * pageStep()));
    noteCurrentPage();
}

void ReportPageView::fitWidth() {
    fit_ = Fit::Width;
    applyFit();
}

void ReportPageView::fitPage() {
    fit_ = Fit::Page;
    applyFit();
}

void ReportPageView::zoomBy(double factor) {
    fit_ = Fit::None;
    setScale(pixelsPerMm_ * factor);
}

void ReportPageView::applyFit() {
    const ReportPage& paper = pages_.paper();
    const double across = (viewport()->width() - 2.0 * kGap) / paper.width;
    const double down = (viewport()->height() - 2.0 * kGap) / paper.height;
    setScale(fit_ == Fit::Page ? std::min(across, down) : across);
}

void ReportPageView::setScale(double pixelsPerMm) {
    const qint64 page = currentPage();
    pixelsPerMm_ = std::clamp(pixelsPerMm, kLeastPixelsPerMm, kMostPixelsPerMm);
    updateScrollBars();
    setCurrentPage(page);
    viewport()->update();
}

void ReportPageView::updateScrollBars() {
    const QSize size = pageSize();
    const qint64 height = kGap + count_ * pageStep();
    verticalScrollBar()->setRange(0, clampToInt(height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, std::max(0, size.width() + 2 * kGap - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void ReportPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (fit_ != Fit::None)
        applyFit();
    else
        updateScrollBars();
}

void ReportPageView::scrollContentsBy(int, int) {
    viewport()->update();
    noteCurrentPage();
}

void ReportPageView::noteCurrentPage() {
    const qint64 page = currentPage();
    if (page != current_) {
        current_ = page;
        emit currentPageChanged(page);
    }
}

const std::any* ReportPageView::pageRows(qint64 page) {
    const auto held = rows_.find(page);
    if (held != rows_.end())
        return &held->second;
    if (failed_)
        return nullptr;
    try {
        return &rows_.emplace(page, pages_.readPage(page)).first->second;
    } catch (...) {
        // Shown once, outside the painting: the pages stay on screen, blank.
        failed_ = true;
        QTimer::singleShot(0, this, guarded([error = std::current_exception()] {
                               std::rethrow_exception(error);
                           }));
        return nullptr;
    }
}

void ReportPageView::paintEvent(QPaintEvent*) {
    // The pages in view are painted anew from their rows each time, into one image the size
    // of the view: however far the pages are zoomed, nothing larger is held.
    const qreal ratio = devicePixelRatioF();
    QImage canvas = reportCanvas(viewport()->size() * ratio, dotsPerInch_);
    canvas.fill(palette().color(QPalette::Dark));
    std::map<qint64, std::any> shown;
    if (count_ > 0) {
        QPainter painter(&canvas);
        const qint64 top = verticalScrollBar()->value();
        const qint64 first = std::max<qint64>(0, (top - kGap) / pageStep());
        const qint64 last = std::min(count_ - 1, (top + viewport()->height()) / pageStep());
        for (qint64 page = first; page <= last; ++page) {
            const QRectF place(QRectF(pageRect(page)).topLeft() * ratio,
                               QSizeF(pageSize()) * ratio);
            painter.setPen(palette().color(QPalette::Shadow));
            painter.drawRect(place.adjusted(-1, -1, 0, 0));
            if (const std::any* rows = pageRows(page)) {
                pages_.paintPage(painter, place, page, *rows);
                shown.insert(rows_.extract(page));
            } else {
                painter.fillRect(place, Qt::white);
            }
        }
    }
    // Only the rows of the pages in view stay held.
    rows_.swap(shown);
    canvas.setDevicePixelRatio(ratio);
    QPainter(viewport()).drawImage(0, 0, canvas);
}

} // namespace ronvalo

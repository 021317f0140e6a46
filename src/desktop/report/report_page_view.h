// The print preview's pages on screen, one under the other, each painted as it comes into view.
#pragma once

#include <any>

#include <QAbstractScrollArea>
#include <map>

namespace ronvalo {

class PreviewedReport;

// Shows the report's pages in a column at a chosen size. It holds the rows of the pages in
// view and nothing more, so a report of a thousand pages costs what one of two pages does.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // `dotsPerInch`: the resolution of the printer the pages are laid out for.
    ReportPageView(PreviewedReport& pages, int dotsPerInch, QWidget* parent = nullptr);

    void setPageCount(qint64 count);
    qint64 pageCount() const { return count_; }

    // The page at the middle of the view, 0 first.
    qint64 currentPage() const;
    // Scrolls the page's top to the top of the view.
    void setCurrentPage(qint64 page);

    // Each page as wide as the view, or whole in it; these sizes follow the view's size.
    void fitWidth();
    void fitPage();
    // Grows or shrinks the pages by `factor`, keeping the current page in view.
    void zoomBy(double factor);

    // The pages whose rows are held at the moment.
    int heldPages() const { return static_cast<int>(rows_.size()); }

signals:
    void currentPageChanged(qint64 page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class Fit { Width, Page, None };

    QSize pageSize() const;
    int pageStep() const { return pageSize().height() + kGap; }
    QRect pageRect(qint64 page) const;
    // What the page shows, read when the page comes into view; null once reading failed.
    const std::any* pageRows(qint64 page);
    // Sizes the pages to the fit chosen; called only while one is.
    void applyFit();
    // Pages of this size, the current page kept in view; the pictures made anew.
    void setScale(double pixelsPerMm);
    void updateScrollBars();
    void noteCurrentPage();

    static constexpr int kGap = 12; // around and between the pages, in pixels

    PreviewedReport& pages_;
    int dotsPerInch_;
    qint64 count_ = 0;
    double pixelsPerMm_ = 3;
    Fit fit_ = Fit::Width;
    std::map<qint64, std::any> rows_;
    qint64 current_ = 0;
    bool failed_ = false; // a page could not be read; the others are shown blank
};

} // namespace ronvalo

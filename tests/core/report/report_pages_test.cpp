// The report's pages on demand: each page reads the rows up to its own last, reading goes on
// from the page before, and a page painted shows its rows where the layout puts them.
#include "core/common/exception.h"
#include "core/report/report_canvas.h"
#include "core/report/report_pages.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

// Rows counted as they are read, and the sources made to read them.
struct CountedRows {
    qint64 rows = 0;
    qint64 failAt = -1; // the row whose reading fails, once
    int made = 0;
    qint64 read = 0;

    PunchSourceFactory factory() {
        return [this] {
            ++made;
            return PunchSource([this, next = qint64(0)](Punch& out) mutable {
                if (next == failAt) {
                    failAt = -1;
                    throw EDatabaseError("Odczyt tabeli nieudany");
                }
                if (next == rows)
                    return false;
                out.Data = QDate(2024, 3, 5);
                out.Czas = QTime(0, 0).addSecs(60 * (next++ % 1440));
                out.Nrwewpkt = 171;
                ++read;
                return true;
            });
        };
    }
};

constexpr int kDpi = 1200;
constexpr int kPixelsPerMm = 4;

// Page `page` as an image, painted from the rows read for it.
QImage pageImage(ReportPages& pages, qint64 page) {
    QImage image = reportCanvas(QSize(210, 297) * kPixelsPerMm, kDpi);
    QPainter painter(&image);
    pages.paint(painter, image.rect(), page, pages.rows(page));
    return image;
}

// Dark pixels in a box of the page image given in millimetres.
int inkIn(const QImage& image, QRect mm) {
    const QRect box(mm.topLeft() * kPixelsPerMm, mm.size() * kPixelsPerMm);
    int ink = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

} // namespace

TEST(ReportPages, EachPageReadsTheRowsUpToItsLastGoingOnFromThePageBefore) {
    const ReportLayout layout;
    CountedRows rows;
    rows.rows = layout.firstRow(3) + 10; // four pages, the last one part full
    ReportPages pages(ReportContent(), rows.factory());
    EXPECT_EQ(pages.count(), 4);
    EXPECT_EQ(rows.read, rows.rows);

    struct Step {
        qint64 page;
        int made;         // sources made so far
        qint64 reads;     // rows read for this page
        std::size_t rows; // rows on it
    } steps[] = {
        {0, 2, layout.rowsPerPage(0), std::size_t(layout.rowsPerPage(0))},
        {1, 2, layout.rowsPerPage(1), std::size_t(layout.rowsPerPage(1))},
        {3, 2, layout.rowsPerPage(2) + 10, 10}, // page 2 passed over
        {3, 3, layout.firstRow(3) + 10, 10},    // again: from the first row
        {1, 4, layout.firstRow(2), std::size_t(layout.rowsPerPage(1))},
    };
    for (const Step& step : steps) {
        const qint64 before = rows.read;
        const std::vector<Punch> onPage = pages.rows(step.page);
        EXPECT_EQ(rows.made, step.made) << step.page;
        EXPECT_EQ(rows.read - before, step.reads) << step.page;
        ASSERT_EQ(onPage.size(), step.rows) << step.page;
        EXPECT_EQ(onPage.front().Czas,
                  QTime(0, 0).addSecs(60 * (layout.firstRow(step.page) % 1440)));
    }
}

TEST(ReportPages, APageWhoseRowsFailedIsReadAgainFromTheFirstRow) {
    CountedRows rows;
    rows.rows = ReportLayout().firstRow(2);
    rows.failAt = ReportLayout().firstRow(1) + 5;
    ReportPages pages(ReportContent(), rows.factory());
    pages.rows(0);
    EXPECT_THROW(pages.rows(1), EDatabaseError);
    const int made = rows.made;
    EXPECT_EQ(qint64(pages.rows(1).size()), ReportLayout().rowsPerPage(1));
    EXPECT_EQ(rows.made, made + 1);
}

TEST(ReportPages, PageImageShowsItsRowsAndFrame) {
    const ReportLayout layout;
    CountedRows rows;
    rows.rows = layout.firstRow(1) + 1; // one row on the second page
    ReportPages pages(ReportContent(), rows.factory());
    const auto rowBox = [](const RowPlace& at) {
        return QRect(int(at.left + 2.1), int(at.top), 40, 3);
    };
    const QRect pageNumber(95, int(layout.pageFooterTop() + 2.1), 20, 4);
    struct Case {
        qint64 page;
        RowPlace place;
        bool ink;
    } cases[] = {
        {0, layout.place(0), true},
        {0, layout.place(layout.rowsPerPage(0) - 1), true},
        {1, layout.place(layout.firstRow(1)), true},
        {1, layout.place(layout.firstRow(1) + 1), false}, // past the last row
    };
    for (const Case& c : cases) {
        const QImage image = pageImage(pages, c.page);
        EXPECT_EQ(inkIn(image, rowBox(c.place)) > 0, c.ink) << c.page << " " << c.place.top;
        EXPECT_GT(inkIn(image, pageNumber), 0) << c.page;
    }
}

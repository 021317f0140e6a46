// The report's page layout: rows per column, the flow of rows across columns and pages.
#include "core/common/exception.h"
#include "core/report/report_layout.h"

#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

// First page: 15 + 11.9 + 33.1 + 9.3 = 69.3 down to the footer at 297 - 15 - 13.5 = 268.5,
// room for 47 rows of 4.2; later pages start at 36.2 and hold 55 rows a column.
constexpr int kFirstColumn = 47;
constexpr int kLaterColumn = 55;
constexpr qint64 kFirstPage = 3 * kFirstColumn;
constexpr qint64 kLaterPage = 3 * kLaterColumn;

} // namespace

TEST(ReportLayout, RowsFillColumnsThenPages) {
    struct Case {
        qint64 row;
        RowPlace expected;
    } cases[] = {
        {0, {0, 0, 0, 20, 69.3}},
        {kFirstColumn - 1, {0, 0, kFirstColumn - 1, 20, 69.3 + 46 * 4.2}},
        {kFirstColumn, {0, 1, 0, 80, 69.3}},
        {2 * kFirstColumn, {0, 2, 0, 140, 69.3}},
        {kFirstPage - 1, {0, 2, kFirstColumn - 1, 140, 69.3 + 46 * 4.2}},
        {kFirstPage, {1, 0, 0, 20, 36.2}},
        {kFirstPage + kLaterColumn, {1, 1, 0, 80, 36.2}},
        {kFirstPage + kLaterPage - 1, {1, 2, kLaterColumn - 1, 140, 36.2 + 54 * 4.2}},
        {kFirstPage + kLaterPage, {2, 0, 0, 20, 36.2}},
        {kFirstPage + 1000 * kLaterPage + 3, {1001, 0, 3, 20, 36.2 + 3 * 4.2}},
    };
    const ReportLayout layout;
    EXPECT_DOUBLE_EQ(layout.columnHeaderTop(1), 26.9); // no title after the first page
    EXPECT_DOUBLE_EQ(layout.pageFooterTop() + layout.bands().pageFooter, 297 - 15);
    for (const auto& c : cases) {
        const RowPlace place = layout.place(c.row);
        EXPECT_EQ(place.page, c.expected.page) << c.row;
        EXPECT_EQ(place.column, c.expected.column) << c.row;
        EXPECT_EQ(place.rowInColumn, c.expected.rowInColumn) << c.row;
        EXPECT_NEAR(place.left, c.expected.left, 1e-9) << c.row;
        EXPECT_NEAR(place.top, c.expected.top, 1e-9) << c.row;
        // No row reaches into the page footer.
        EXPECT_LE(place.top + layout.bands().detail, layout.pageFooterTop() + 1e-9) << c.row;
    }
}

TEST(ReportLayout, PageCount) {
    const std::pair<qint64, qint64> cases[] = {
        {0, 1},
        {1, 1},
        {kFirstPage, 1},
        {kFirstPage + 1, 2},
        {kFirstPage + kLaterPage, 2},
        {kFirstPage + kLaterPage + 1, 3},
        {100000, 2 + (100000 - kFirstPage - 1) / kLaterPage},
    };
    const ReportLayout layout;
    for (const auto& [rows, pages] : cases)
        EXPECT_EQ(layout.pageCount(rows), pages) << rows;
}

TEST(ReportLayout, FirstRowOfAPageStandsAtTheTopOfItsFirstColumn) {
    const ReportLayout layout;
    for (const qint64 page : {0, 1, 2, 606}) {
        const qint64 row = layout.firstRow(page);
        EXPECT_EQ(layout.place(row), (RowPlace{page, 0, 0, 20, layout.firstDetailTop(page)}));
        if (page > 0) {
            EXPECT_EQ(layout.place(row - 1).page, page - 1);
        }
    }
}

TEST(ReportLayout, ExactFitAndRefusedGeometry) {
    // A column exactly ten rows high holds ten rows despite decimal rounding.
    ReportPage page;
    ReportBands bands;
    bands.title = 0;
    page.height = page.marginTop + bands.pageHeader + bands.columnHeader + 10 * 4.2 +
                  bands.pageFooter + page.marginBottom;
    EXPECT_EQ(ReportLayout(page, bands).rowsPerColumn(0), 10);

    // Bands that leave no room for a row would lay out pages without end.
    ReportBands tall;
    tall.title = 250;
    EXPECT_THROW(ReportLayout({}, tall), Exception);
    ReportPage noColumns;
    noColumns.columns = 0;
    EXPECT_THROW(ReportLayout(noColumns, {}), Exception);
}

// The punch report's page layout in millimetres: where every band and detail row stands.
#pragma once

#include <QtGlobal>

namespace ronvalo {

// Paper, margins and columns; lengths in millimetres from the page's top left corner.
struct ReportPage {
    double width = 210;
    double height = 297;
    double marginTop = 15;
    double marginBottom = 15;
    double marginLeft = 20;
    double marginRight = 10;
    int columns = 3;
};

// Heights of the report's bands in millimetres.
struct ReportBands {
    double pageHeader = 11.9;
    double title = 33.1; // first page only
    double columnHeader = 9.3;
    double detail = 4.2;
    double pageFooter = 13.5;
};

// Where one detail row goes: its page (0 first), its column (0 first) and the band's top left
// corner in millimetres from the page's corner.
struct RowPlace {
    qint64 page = 0;
    int column = 0;
    int rowInColumn = 0;
    double left = 0;
    double top = 0;

    bool operator==(const RowPlace&) const = default;
};

// The positions of the bands on a page: the page header at the top of the printable area, the
// title below it on the first page, a column header at the top of every column, detail rows
// filling each column top to bottom and the page footer ending at the bottom margin.
class ReportLayout {
public:
    // Throws Exception when the bands leave no room for a single detail row in a column.
    explicit ReportLayout(const ReportPage& page = {}, const ReportBands& bands = {});

    const ReportPage& page() const { return page_; }
    const ReportBands& bands() const { return bands_; }

    double printableWidth() const { return page_.width - page_.marginLeft - page_.marginRight; }
    double columnWidth() const { return printableWidth() / page_.columns; }
    double columnLeft(int column) const { return page_.marginLeft + column * columnWidth(); }

    double pageHeaderTop() const { return page_.marginTop; }
    double titleTop() const { return page_.marginTop + bands_.pageHeader; }
    double columnHeaderTop(qint64 page) const;
    double firstDetailTop(qint64 page) const { return columnHeaderTop(page) + bands_.columnHeader; }
    double pageFooterTop() const { return page_.height - page_.marginBottom - bands_.pageFooter; }

    // Detail rows that fit in one column of the given page (the first page holds the title).
    int rowsPerColumn(qint64 page) const { return page == 0 ? firstRows_ : laterRows_; }
    qint64 rowsPerPage(qint64 page) const { return qint64(rowsPerColumn(page)) * page_.columns; }

    // Where row k (0 first) of the report stands.
    RowPlace place(qint64 row) const;
    // The report's row that stands first on `page`, had the report rows enough.
    qint64 firstRow(qint64 page) const {
        return page == 0 ? 0 : rowsPerPage(0) + (page - 1) * rowsPerPage(1);
    }
    // Pages a report of this many rows takes; an empty report still has its one page.
    qint64 pageCount(qint64 rows) const;

private:
    int rowsBetween(double top, double bottom) const;

    ReportPage page_;
    ReportBands bands_;
    int firstRows_ = 0;
    int laterRows_ = 0;
};

} // namespace ronvalo

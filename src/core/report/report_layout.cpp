// The punch report's page layout: rows per column and the place of every row.
#include "core/report/report_layout.h"

#include "core/common/exception.h"

#include <cmath>

namespace ronvalo {

namespace {

// Band heights are decimal millimetres; without this slack 4.2 * n may miss an exact fit.
constexpr double kSlack = 1e-6;

} // namespace

ReportLayout::ReportLayout(const ReportPage& page, const ReportBands& bands)
    : page_(page), bands_(bands) {
    if (page_.columns < 1 || bands_.detail <= 0)
        throw Exception(QStringLiteral("Nieprawidłowy układ strony raportu"));
    firstRows_ = rowsBetween(firstDetailTop(0), pageFooterTop());
    laterRows_ = rowsBetween(firstDetailTop(1), pageFooterTop());
    // A column without room for one row would make the report run to endless pages.
    if (firstRows_ < 1 || laterRows_ < 1)
        throw Exception(QStringLiteral("Nieprawidłowy układ strony raportu"));
}

double ReportLayout::columnHeaderTop(qint64 page) const {
    return titleTop() + (page == 0 ? bands_.title : 0.0);
}

int ReportLayout::rowsBetween(double top, double bottom) const {
    return static_cast<int>(std::floor((bottom - top) / bands_.detail + kSlack));
}

RowPlace ReportLayout::place(qint64 row) const {
    RowPlace place;
    qint64 inPage = row;
    if (inPage >= rowsPerPage(0)) {
        inPage -= rowsPerPage(0);
        place.page = 1 + inPage / rowsPerPage(1);
        inPage %= rowsPerPage(1);
    }
    const int perColumn = rowsPerColumn(place.page);
    place.column = static_cast<int>(inPage / perColumn);
    place.rowInColumn = static_cast<int>(inPage % perColumn);
    place.left = columnLeft(place.column);
    place.top = firstDetailTop(place.page) + place.rowInColumn * bands_.detail;
    return place;
}

qint64 ReportLayout::pageCount(qint64 rows) const {
    if (rows <= 0)
        return 1;
    return place(rows - 1).page + 1;
}

} // namespace ronvalo

// The printed exception report's pages laid out as texts and frames in millimetres, apart from
// any painting, so that tests read where everything stands.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/common/regional.h"
#include "core/report/report_fonts.h"
#include "core/report/report_layout.h"
#include "core/rounds/exception_report.h"

namespace ronvalo {

// One line of text: its box's top left corner and width, aligned in the box as Qt says.
struct LaidOutText {
    ReportFontKind font = ReportFontKind::Regular8;
    double left = 0;
    double top = 0;
    double width = 0;
    int align = Qt::AlignLeft;
    QString text;
};

struct LaidOutFrame {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// A page's body; the page header and footer are painted around it.
struct LaidOutPage {
    QList<LaidOutText> texts;
    QList<LaidOutFrame> frames;
};

// A text's width in millimetres in one of the report's fonts.
using TextWidth = std::function<double(ReportFontKind, const QString&)>;

// The widths as the report's fonts measure them on the PDF writer and the printer.
TextWidth reportTextWidth();

// The report's pages laid out one at a time: where each page begins is found once, laying out
// the whole report without keeping its texts, and a page is then laid out alone when asked for,
// so that what a long report holds does not grow with its pages.
class ExceptionReportLayout {
public:
    // Lays the report out once; `progress` gets the table rows done of all of them and returns
    // false to stop, which raises WorkStopped.
    ExceptionReportLayout(const ExceptionReport& report, const RegionalFormats& formats,
                          TextWidth width, const ReportLayout& layout = ReportLayout(),
                          const std::function<bool(qint64, qint64)>& progress = {});
    ~ExceptionReportLayout();
    ExceptionReportLayout(const ExceptionReportLayout&) = delete;
    ExceptionReportLayout& operator=(const ExceptionReportLayout&) = delete;

    qint64 pageCount() const;
    // Page `page` (0 first), laid out from where it begins.
    LaidOutPage page(qint64 page) const;
    // Every page in one go from the beginning, as layoutExceptionReport() gives them.
    QList<LaidOutPage> allPages() const;

    struct Position;
    struct Blocks;

private:
    TextWidth width_;
    ReportLayout layout_;
    std::unique_ptr<Blocks> blocks_;
    std::vector<Position> starts_;
};

// The report's pages: on the first the title, the period, the instrument and the plan; then the
// summary table (per plan and in all), the rounds day by day with their statuses and missing
// checkpoints, "Poza planem", "Zdarzenia" and "Zegar czytnika". A text too wide for its column
// goes on over more lines, never cut; a table that goes on over a page repeats its column titles.
QList<LaidOutPage> layoutExceptionReport(const ExceptionReport& report,
                                         const RegionalFormats& formats, const TextWidth& width,
                                         const ReportLayout& layout = ReportLayout());

// The title line under "Raport wyjątków": "za okres od 1.03.2024 do 31.03.2024".
QString exceptionReportPeriodText(const ExceptionReport& report, const RegionalFormats& formats);

} // namespace ronvalo

// The printed exception report's pages laid out as texts and frames in millimetres, apart from
// any painting, so that tests read where everything stands.
#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "browse/report_fonts.h"
#include "browse/report_layout.h"
#include "common/regional.h"
#include "rounds/exception_report.h"

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

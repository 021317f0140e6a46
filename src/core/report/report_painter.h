// Painting of the punch report onto any paged device: a printer, its preview or a PDF file.
#pragma once

#include "core/common/regional.h"
#include "core/report/previewed_report.h"
#include "core/report/report_layout.h"
#include "core/store/punch.h"

#include <QDateTime>
#include <QPageLayout>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace ronvalo {

// The report's rows, one per call, in the order they are printed: fills `out` and returns true,
// or returns false once the rows are used up. The painter pulls a row only when it lays it out.
using PunchSource = std::function<bool(Punch& out)>;

// Makes a fresh row source each time the report is built: the punch table's rows that pass
// the filter, in the table's index order.
using PunchSourceFactory = std::function<PunchSource()>;

// What is printed around the rows.
struct ReportContent {
    QDateTime builtAt;             // the moment the report is built
    QString QRLabel2 = "za okres"; // title line 2
    QString QRLabel6 = "czytnik";  // title line 3
    RegionalFormats formats = RegionalFormats::fromEnvironment();
};

// The parts of the detail band that change from row to row.
struct DetailBand {
    QString QRLabel7;        // the marker after the checkpoint number
    bool numberBold = false; // the checkpoint number's weight
};

// Runs before each detail row: marks checkpoints 171 to 174 and clears the marking of every
// other row, so no row inherits its predecessor's. Returns whether the row is printed (always).
bool DetailBand1BeforePrint(const Punch& punch, DetailBand& band);

// The page header's text: "Wydrukowano:  " with the short date and the long time.
QString printedAtText(const QDateTime& moment, const RegionalFormats& formats);

// The paper and margins of the layout, for the printer or the PDF file the report goes to.
QPageLayout reportPageLayout(const ReportLayout& layout = ReportLayout());

// Pulls rows from `next` up to the next one that is printed, with its detail band as
// DetailBand1BeforePrint leaves it; false once the rows are used up.
bool nextPrintedRow(const PunchSource& next, Punch& punch, DetailBand& band);

// Paints the whole report onto the device, pulling rows from `next` as they are laid out.
// Positions follow `layout` measured from the paper's corner, whatever margins the device has.
// Throws Exception when painting cannot start or a page cannot be added.
PaintedReport paintReport(QPagedPaintDevice& device, const ReportContent& content,
                          const PunchSource& next, const ReportLayout& layout = ReportLayout());

// Paints one page alone: its bands and the rows `next` gives, which must start at the page's
// first printed row; pulls no row past the page's last. Units are the painter's device's dots
// from the paper's corner, fonts sized for its resolution. Returns the rows painted.
qint64 paintReportPage(QPainter& painter, const ReportContent& content, const PunchSource& next,
                       qint64 page, const ReportLayout& layout = ReportLayout());

} // namespace ronvalo

// The printed exception report as its print preview, the printer and a PDF file take it.
#pragma once

#include <QDateTime>
#include <QString>

#include "core/common/regional.h"
#include "core/report/previewed_report.h"
#include "core/rounds/exception_report_layout.h"

namespace ronvalo {

class MmPainter;

// One report's pages, each laid out when it is shown or printed.
class ExceptionReportPages : public PreviewedReport {
public:
    // `builtAt`: the page header's "Wydrukowano:" moment. What the archive check found is
    // printed in every page's footer: the chain's beginning and last digest, so that a paper copy
    // pins the state it was made from, or that the tables are not intact; nothing unchecked.
    // Finds where each page begins; `progress` as ExceptionReportLayout takes it.
    ExceptionReportPages(const ExceptionReport& report, const QDateTime& builtAt,
                         ReportLayout layout = ReportLayout(),
                         const std::function<bool(qint64, qint64)>& progress = {});

    const ReportPage& paper() const override { return layout_.page(); }
    qint64 count() override { return laidOut_.pageCount(); }
    // The page's texts and frames, laid out now.
    std::any readPage(qint64 page) override { return laidOut_.page(page); }
    void paintPage(QPainter& painter, const QRectF& target, qint64 page,
                   const std::any& contents) const override;
    // Every page, each laid out as it is painted. The progress set by setPrintProgress() gets
    // the pages done and may stop the printing, which then raises WorkStopped.
    PaintedReport print(QPagedPaintDevice& device) const override;
    void setPrintProgress(std::function<bool(qint64, qint64)> progress) {
        printProgress_ = std::move(progress);
    }

private:
    // `page` with its header and footer.
    void paintBody(QPainter& painter, MmPainter& mm, qint64 number, const LaidOutPage& page) const;

    QDateTime builtAt_;
    QString archiveNote_;
    RegionalFormats formats_ = RegionalFormats::fromEnvironment();
    ReportLayout layout_;
    ExceptionReportLayout laidOut_;
    std::function<bool(qint64, qint64)> printProgress_;
};

} // namespace ronvalo

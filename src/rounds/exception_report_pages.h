// The printed exception report as its print preview, the printer and a PDF file take it.
#pragma once

#include <QDateTime>
#include <QString>

#include "browse/previewed_report.h"
#include "common/regional.h"
#include "rounds/exception_report_layout.h"

namespace ronvalo {

// The laid-out pages of one report, painted on demand.
class ExceptionReportPages : public PreviewedReport {
public:
    // `builtAt`: the page header's "Wydrukowano:" moment. What the archive check found is
    // printed in every page's footer: the chain's beginning and last digest, so that a paper copy
    // pins the state it was made from, or that the tables are not intact; nothing unchecked.
    ExceptionReportPages(const ExceptionReport& report, const QDateTime& builtAt,
                         ReportLayout layout = ReportLayout());

    const ReportPage& paper() const override { return layout_.page(); }
    qint64 count() override { return pages_.size(); }
    // The pages are laid out already: nothing more to read.
    std::any readPage(qint64) override { return {}; }
    void paintPage(QPainter& painter, const QRectF& target, qint64 page,
                   const std::any&) const override;
    PaintedReport print(QPagedPaintDevice& device) const override;

    const QList<LaidOutPage>& pages() const { return pages_; }

private:
    // Page `page` with its header and footer, the painter's origin at `originMm` of the paper.
    void paintBody(QPainter& painter, QPointF originMm, qint64 page) const;

    QDateTime builtAt_;
    QString archiveNote_;
    RegionalFormats formats_ = RegionalFormats::fromEnvironment();
    ReportLayout layout_;
    QList<LaidOutPage> pages_;
};

} // namespace ronvalo

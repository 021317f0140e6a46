// Reading ab's report.
#include "load_figures.h"

#include <QRegularExpression>
#include <algorithm>

namespace ronvalo::bench {

double median(std::vector<double> runs) {
    if (runs.empty())
        return 0;
    std::sort(runs.begin(), runs.end());
    const std::size_t middle = runs.size() / 2;
    return runs.size() % 2 == 1 ? runs[middle] : (runs[middle - 1] + runs[middle]) / 2;
}

namespace {

// The number after `label` at the start of a line, e.g. "Failed requests:        3".
std::optional<double> field(const QString& report, const QString& label) {
    const QRegularExpression line(
        QStringLiteral("^\\s*%1\\s+([0-9]+(?:\\.[0-9]+)?)").arg(QRegularExpression::escape(label)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(report);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

} // namespace

std::optional<LoadFigures> parseAbReport(const QString& report) {
    const auto complete = field(report, QStringLiteral("Complete requests:"));
    const auto perSecond = field(report, QStringLiteral("Requests per second:"));
    const auto p95 = field(report, QStringLiteral("95%"));
    if (!complete || !perSecond || !p95)
        return std::nullopt;
    LoadFigures figures;
    figures.complete = qint64(*complete);
    figures.requestsPerSecond = *perSecond;
    figures.p95Ms = *p95;
    figures.failed = qint64(field(report, QStringLiteral("Failed requests:")).value_or(0));
    figures.non2xx = qint64(field(report, QStringLiteral("Non-2xx responses:")).value_or(0));
    // In the breakdown under the failures, not "Document Length:" above them.
    static const QRegularExpression length(QStringLiteral("\\(Connect:[^)]*Length:\\s*([0-9]+)"));
    if (const QRegularExpressionMatch match = length.match(report); match.hasMatch())
        figures.lengthFailed = match.captured(1).toLongLong();
    return figures;
}

} // namespace ronvalo::bench

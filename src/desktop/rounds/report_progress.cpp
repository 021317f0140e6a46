// The exception report's long work run off the windows' thread under a progress dialog: reading
// and judging a period, and the archive check before a report.
#include "desktop/rounds/report_progress.h"

#include "core/proof/archive_check.h"
#include "core/store/data_module.h"
#include "desktop/common/background_work.h"

namespace ronvalo {

namespace {

const QString reportTitle = QStringLiteral("Raport wyjątków");

} // namespace

std::optional<ExceptionReport> judgeWithProgress(QWidget* parent, const TDM3& dm,
                                                 const ExceptionReportChoices& choices) {
    std::optional<ExceptionReport> judged;
    const bool done =
        runWithProgress(parent, {reportTitle, QStringLiteral("Czytanie i ocena obchodów...")},
                        [&](const WorkProgress& progress) {
                            judged = judgeExceptionReport(dm, choices, progress);
                        });
    if (!done)
        return std::nullopt;
    return judged;
}

std::optional<ArchiveCheck> checkArchiveWithProgress(QWidget* parent, const TDM3& dm) {
    std::optional<ArchiveCheck> checked;
    const bool done =
        runWithProgress(parent, {reportTitle, QStringLiteral("Sprawdzanie archiwum odczytów...")},
                        [&](const WorkProgress& progress) {
                            const std::unique_ptr<TDM3> module = readingModule(dm);
                            checked = checkArchive(*module, progress);
                        });
    if (!done || !checked)
        return std::nullopt;
    return checked;
}

} // namespace ronvalo

// Reading, judging and checking for the exception report on a thread of its own.
#include "rounds/exception_report_job.h"

#include "store/data_module.h"

namespace ronvalo {

namespace {

const QString reportTitle = QStringLiteral("Raport wyjątków");

} // namespace

std::unique_ptr<TDM3> readingModule(const TDM3& dm) {
    auto module = std::make_unique<TDM3>();
    module->setReadOnly(true);
    module->setDatabaseFolder(dm.tbOdbicia.DatabaseName());
    module->setServer(dm.serverConnectionString());
    module->openTables();
    return module;
}

ExceptionReport judgeExceptionReport(const TDM3& dm, const ExceptionReportChoices& choices,
                                     const WorkProgress& progress) {
    ExceptionReportChoices every = choices;
    every.exceptionsOnly = false;
    const std::unique_ptr<TDM3> module = readingModule(dm);
    const ExceptionReportTables tables = loadExceptionReportTables(*module, every, progress);
    // The judging itself tells nothing on its way: a stop asked for while the last rows were
    // read is heeded before it.
    if (progress && !progress(1, 1))
        throw WorkStopped();
    return buildExceptionReport(tables, every);
}

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

ExceptionReport shownRounds(const ExceptionReport& report, bool exceptionsOnly) {
    ExceptionReport shown = report;
    shown.choices.exceptionsOnly = exceptionsOnly;
    if (exceptionsOnly)
        shown.rounds.removeIf(
            [](const ExceptionRound& round) { return round.status == RoundStatus::Done; });
    return shown;
}

} // namespace ronvalo

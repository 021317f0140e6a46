// Reading and judging for the exception report through a data module of the work's own.
#include "core/rounds/exception_report_job.h"

#include "core/store/data_module.h"

namespace ronvalo {

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

ExceptionReport shownRounds(const ExceptionReport& report, bool exceptionsOnly) {
    ExceptionReport shown = report;
    shown.choices.exceptionsOnly = exceptionsOnly;
    if (exceptionsOnly)
        shown.rounds.removeIf(
            [](const ExceptionRound& round) { return round.status == RoundStatus::Done; });
    return shown;
}

} // namespace ronvalo

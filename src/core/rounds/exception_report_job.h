// The exception report's long work, done off the windows' thread by whichever front end runs it:
// reading and judging a period through a data module of the work's own.
#pragma once

#include <memory>
#include <optional>

#include "core/common/work_progress.h"
#include "core/rounds/exception_report.h"

namespace ronvalo {

class TDM3;

// A data module of the work's own on the tables `dm` works on (the same folder of files or the
// same server), opened read-only: a connection belongs to the thread that opened it. Raises
// EDatabaseError when the tables cannot be opened.
std::unique_ptr<TDM3> readingModule(const TDM3& dm);

// Reads and judges the period of `choices` through a module of its own with the reading's
// progress, keeping every round whatever "tylko wyjątki" says, so that the tick only filters.
ExceptionReport judgeExceptionReport(const TDM3& dm, const ExceptionReportChoices& choices,
                                     const WorkProgress& progress);

// The rounds of `report` the grid and the pages show under `exceptionsOnly`: all of them, or
// those not walked as planned. The figures stay those of every round.
ExceptionReport shownRounds(const ExceptionReport& report, bool exceptionsOnly);

} // namespace ronvalo

// The exception report's long work off the windows' thread: reading and judging a period, and the
// archive check before a report, each through a data module of its own under a progress dialog.
#pragma once

#include <memory>
#include <optional>

#include "browse/background_work.h"
#include "rounds/exception_report.h"

class QWidget;

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

// The report of `choices` judged off the windows' thread under a progress dialog modal to
// `parent`; none when the operator stopped it. Raises what reading and judging raise.
std::optional<ExceptionReport> judgeWithProgress(QWidget* parent, const TDM3& dm,
                                                 const ExceptionReportChoices& choices);

// The archive check of `dm`'s tables the same way; none when stopped.
std::optional<ArchiveCheck> checkArchiveWithProgress(QWidget* parent, const TDM3& dm);

// The rounds of `report` the grid and the pages show under `exceptionsOnly`: all of them, or
// those not walked as planned. The figures stay those of every round.
ExceptionReport shownRounds(const ExceptionReport& report, bool exceptionsOnly);

} // namespace ronvalo

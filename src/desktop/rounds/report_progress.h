// The exception report's long work run off the windows' thread under a progress dialog, modal to
// the window that asked for it.
#pragma once

#include <optional>

#include "core/proof/archive_check.h"
#include "core/rounds/exception_report_job.h"

class QWidget;

namespace ronvalo {

// The report of `choices` judged off the windows' thread under a progress dialog modal to
// `parent`; none when the operator stopped it. Raises what reading and judging raise.
std::optional<ExceptionReport> judgeWithProgress(QWidget* parent, const TDM3& dm,
                                                 const ExceptionReportChoices& choices);

// The archive check of `dm`'s tables the same way; none when stopped.
std::optional<ArchiveCheck> checkArchiveWithProgress(QWidget* parent, const TDM3& dm);

} // namespace ronvalo

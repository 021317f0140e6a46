// How a judged round is shown wherever it is listed: its row's colour, and the period a report
// starts with.
#pragma once

#include <QColor>
#include <optional>

#include "core/rounds/exception_report.h"

namespace ronvalo {

// The background of a round's row: red for a round not walked or incomplete, orange for one
// late or out of order, grey for one not judged yet; none for one walked as planned.
std::optional<QColor> roundRowColour(RoundStatus status);

// The choices a report starts with: this month up to today.
ExceptionReportChoices initialExceptionReportChoices();

} // namespace ronvalo

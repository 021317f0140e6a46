// The exception report's blocks, section by section, as the pager lays them out.
#pragma once

#include <QList>

#include "core/rounds/exception_report_layout_parts.h"

namespace ronvalo::detail {

// The title, the summary table, the rounds day by day, "Poza planem", "Zdarzenia" and "Zegar
// czytnika", in order; the tables' rows are made from a copy of `report` when laid out.
QList<Block> exceptionReportBlocks(const ExceptionReport& report, const RegionalFormats& formats,
                                   const TextWidth& width, const ReportLayout& layout);

} // namespace ronvalo::detail

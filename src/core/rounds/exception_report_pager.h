// The exception report's blocks placed on pages: where each page begins, and the texts and
// frames of the pages asked for.
#pragma once

#include <QList>
#include <functional>
#include <vector>

#include "core/rounds/exception_report_layout_parts.h"

namespace ronvalo::detail {

using LayoutPosition = ExceptionReportLayout::Position;

// Lays `blocks` out once from the beginning, keeping no text: where each page begins. `rowDone`
// is told of every table row laid out.
std::vector<LayoutPosition> pageStarts(ExceptionReportLayout::Blocks& blocks,
                                       const ReportLayout& layout, const TextWidth& width,
                                       const std::function<void()>& rowDone);

// Page `page` laid out alone from where it begins, `start`.
LaidOutPage layOutPage(ExceptionReportLayout::Blocks& blocks, const ReportLayout& layout,
                       const TextWidth& width, qint64 page, const LayoutPosition& start);

// Every page in one go from the beginning.
QList<LaidOutPage> layOutPages(ExceptionReportLayout::Blocks& blocks, const ReportLayout& layout,
                               const TextWidth& width);

} // namespace ronvalo::detail

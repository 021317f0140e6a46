// The punches as the evaluation reads them: one index per instrument for the claims, and the
// period's punches that no round claimed or that mark an incident.
#pragma once

#include <vector>

#include "core/rounds/evaluation.h"
#include "core/rounds/instrument_punches.h"

namespace ronvalo::detail {

// The dated punches of the plans' instruments, one index per instrument; `planInstrument` gives
// each plan's instrument as a number.
std::vector<InstrumentPunches> indexPunches(const EvaluationInput& input,
                                            const std::vector<int>& planInstrument);

// The unclaimed punches and the incidents dated within the period, in punch order, into
// `result`; `claimed` is marked for every punch a round took.
void listPeriodPunches(const EvaluationInput& input, const std::vector<char>& claimed,
                       Evaluation& result);

} // namespace ronvalo::detail

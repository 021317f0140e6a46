// The claims of one instrument's rounds on its punches: which punch started each round, which
// took its steps, and which are repeats.
#pragma once

#include <climits>
#include <vector>

#include "core/rounds/evaluation.h"
#include "core/rounds/instrument_punches.h"

namespace ronvalo {

// One planned round of the instrument while its punches are claimed.
struct ClaimedRound {
    Minute t0 = 0;
    const Plan* plan = nullptr;
    int name = 0;            // the plan's name, numbered: rounds of one plan share it
    RoundRow* row = nullptr; // steps laid out, filled by the claims

    // Set by the claims.
    int startEntry = -1;
    bool onTime = false;
    int limit = INT_MAX; // the round's time ends before this position in punch order
    Minute deadline = 0; // and at this minute: its start plus the duration
};

// Claims `punches` for `rounds`, given in the order in which they claim: t0, plan name by
// character code, the day that made the round, IdPlanu. Fills each row's start, late, steps and
// repeats (punch indices, in punch order).
void claimPunches(std::vector<ClaimedRound>& rounds, InstrumentPunches& punches);

} // namespace ronvalo

// What long work tells of itself while it runs on a thread of its own, whichever front end shows
// it: how far it came, and whether it is to stop.
#pragma once

#include <QtGlobal>
#include <functional>

namespace ronvalo {

// What long work tells of itself from its own thread: `done` of `total` (any unit); false when
// the operator stopped it, and the work then ends at once, by returning or by raising WorkStopped.
using WorkProgress = std::function<bool(qint64 done, qint64 total)>;

// Raised by work that cannot simply return when stopped (a file half written goes with it).
struct WorkStopped {};

// The progress bar's value, 0 to barSteps - 1 until the end, for `done` of `expected`: rows added
// since the count keep the bar just short of full.
inline constexpr int barSteps = 1000;
int barValue(qint64 done, qint64 expected);

} // namespace ronvalo

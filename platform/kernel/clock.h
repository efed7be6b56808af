// The platform's one clock: GetTickCount and GetTickCount64, the timers and the times input is
// stamped with all read it. It follows the monotonic system clock, moved on by what tests add to
// stand for waiting; frozen, it moves only when moved on, and a wait for a timer jumps to it.
#pragma once

#include "windows_types.h"

namespace platform {

void ClockAdvance(ULONGLONG milliseconds);
// Frozen: the clock stands still until advanced (tests of timers and timed input). Thawing
// carries on from where it stood, so the clock never runs backwards.
void ClockFreeze(bool frozen);
bool ClockFrozen();

}  // namespace platform

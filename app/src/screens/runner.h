#pragma once

// The click runner: one fixed kind of click over and over, or the click list round and
// round, one click per tick of the main window's run timer (id 1), on the UI thread.

#include "screen_context.h"

namespace tw {

// Starts a run from the options on the screen. Refused with a message (and nothing
// changed) when delay1 is 0 (msg.no_delay), the repeat count is not a number
// (msg.bad_repeat), or record mode is on with an empty list (msg.no_record). Returns
// whether the run started. The first click comes 1 ms later.
bool start_run(const ScreenContext& context);

enum class StopCause {
  kHotkey,       // the run/stop hotkey: notify msg.run_stop
  kRepeatDone,   // the repeat count was used up (the tick notifies itself)
  kWindowClose,  // the main window is closing: nothing is shown
};

// Ends the run (nothing when none is running): clears the row marker, kills the run timer,
// enables the option controls, shows "Waiting", re-renders the table.
void stop_run(const ScreenContext& context, StopCause cause);

// One run timer tick: one single or double click, then the timer re-armed with a random
// wait inside the delay range. Does nothing when no run is in progress.
void run_tick(const ScreenContext& context);

// The next wait after a click in delay1..delay2 (0 counts as 1, both capped at 24 h);
// `random` draws an integer in 0..n-1.
template <typename Random>
std::uint32_t next_wait(std::uint32_t delay1, std::uint32_t delay2, Random&& random) {
  constexpr std::uint32_t kMax = 86400000;
  std::uint32_t wait = delay1 == 0 ? 1 : (delay1 > kMax ? kMax : delay1);
  std::uint32_t spread = delay2 < wait ? 0 : (delay2 > kMax ? kMax : delay2) - wait;
  wait += static_cast<std::uint32_t>(random(std::uint64_t{spread} + 1));
  return wait == 0 ? 1 : wait;
}

}  // namespace tw

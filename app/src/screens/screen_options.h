#pragma once

// The options kept in the state record: `after` (Hold or Modify, stored as click_after),
// `use-notify` (stored as notify_use) and `use-record` (record mode, not stored).

#include "screen_context.h"
#include "screen_view.h"

namespace tw {

inline constexpr const char* kClickAfterValue = "click_after";
inline constexpr const char* kNotifyUseValue = "notify_use";

// Reads click_after (default 0) and notify_use (default 1) into the state and selects the
// matching options: `after` index 1 (Modify) for any click_after above 0, `use-notify`
// index 1 (Off) only for notify_use 0.
void load_options(const ScreenContext& context);

// The `change` events: `after` sets Modify for index 1 and writes click_after (the index,
// negative as 0); `use-notify` turns notifications on for index 0 and writes notify_use
// (1 or 0); `use-record` sets record mode from the check box.
void bind_option_events(ScreenView& view, const ScreenContext& context);

}  // namespace tw

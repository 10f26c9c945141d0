#pragma once

// The two delay inputs of the main screen: their starting text and the overwrite-style
// mask editor bound to their focus, input and blur events.

#include "page.h"
#include "screen_context.h"
#include "screen_view.h"

namespace tw {

// The text an empty delay input starts with (its placeholder as well).
inline constexpr std::string_view kDefaultDelayText = "00:01.00";

// Gives `delay1` and `delay2` the default text when their value, trimmed, is empty.
void fill_empty_delays(const Page& page);

// Binds focus, input and blur of `delay1` and `delay2`. Each input keeps the last text its
// editor accepted; the follow flag of delay2 lives in the state. Leaving delay1 copies its
// text into delay2 while delay2 follows, is empty or holds less.
void bind_delay_editors(ScreenView& view, const ScreenContext& context);

}  // namespace tw

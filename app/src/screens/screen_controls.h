#pragma once

// The option controls of the main screen as the runner and the hotkeys read them, their
// enabling around a run, the status line and the text of the hotkey inputs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "area.h"
#include "hotkey.h"
#include "mask.h"
#include "page.h"

namespace tw {

// `mouse`: index 1 right, 2 wheel, anything else (a missing select too) left.
std::uint8_t read_mouse_button(const Page& page);
// `click`: index 1 double, anything else single.
std::uint8_t read_click_kind(const Page& page);
// `delay1` and `delay2` as a run or a new entry reads them (missing inputs read as empty).
DelayRange read_delays(const Page& page);

// The repeat count text: empty, or the localised "none" text (both trimmed), means no limit
// (0); otherwise an unsigned 32-bit decimal with an optional "+" and nothing else.
// nullopt for anything else (the run is refused).
std::optional<std::uint32_t> parse_repeat_count(std::string_view text, std::string_view language);
std::optional<std::uint32_t> read_repeat_count(const Page& page, std::string_view language);

// Disables (or enables again) every option control a run must not change; `use-notify`
// and the header buttons are never touched.
void set_option_controls_enabled(const Page& page, bool enabled);

// "Running" with the class `running`, or "Waiting" without it.
void show_status(const Page& page, bool running, std::string_view language);

// What a hotkey input shows: the display name, or the localised "None" for no hotkey.
std::string hotkey_input_text(Hotkey hotkey, std::string_view language);

}  // namespace tw

#include "screen_controls.h"

#include <array>

#include "catalog.h"
#include "decimal.h"
#include "white_space.h"

namespace tw {

namespace {

constexpr std::array<std::string_view, 12> kOptionControls = {
    "mouse",      "click",     "delay1",   "delay2",   "repeat", "after",
    "use-record", "btn-clear", "btn-open", "btn-save", "hk-run", "hk-add"};

}  // namespace

std::uint8_t read_mouse_button(const Page& page) {
  std::optional<std::int32_t> index = page.selected_index("mouse");
  if (index == 1) return kMouseRight;
  if (index == 2) return kMouseWheel;
  return kMouseLeft;
}

std::uint8_t read_click_kind(const Page& page) {
  return page.selected_index("click") == 1 ? kClickDouble : kClickSingle;
}

DelayRange read_delays(const Page& page) {
  std::optional<std::string> delay1 = page.value("delay1");
  std::optional<std::string> delay2 = page.value("delay2");
  return read_delay_range(delay1 ? std::optional<std::string_view>(*delay1) : std::nullopt,
                          delay2 ? std::optional<std::string_view>(*delay2) : std::nullopt);
}

std::optional<std::uint32_t> parse_repeat_count(std::string_view text, std::string_view language) {
  std::string_view trimmed = trim_white_space(text);
  if (trimmed.empty() || trimmed == trim_white_space(i18n::text("repeat.none", language))) return 0;
  // Unsigned: a "+" is allowed, a "-" never (not even "-0").
  if (trimmed.front() == '-') return std::nullopt;
  return parse_decimal<std::uint32_t>(trimmed);
}

std::optional<std::uint32_t> read_repeat_count(const Page& page, std::string_view language) {
  std::optional<std::string> text = page.value("repeat");
  return parse_repeat_count(text ? *text : std::string(), language);
}

void set_option_controls_enabled(const Page& page, bool enabled) {
  for (std::string_view id : kOptionControls) page.set_disabled(id, !enabled);
}

void show_status(const Page& page, bool running, std::string_view language) {
  page.set_text("status", i18n::text(running ? "status.running" : "status.waiting", language));
  if (running) {
    page.add_class("status", "running");
  } else {
    page.remove_class("status", "running");
  }
}

std::string hotkey_input_text(Hotkey hotkey, std::string_view language) {
  if (hotkey.key == 0) return std::string(i18n::text("hotkey.none", language));
  return hotkey_display_name(hotkey);
}

}  // namespace tw

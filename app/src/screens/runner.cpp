#include "runner.h"

#include <array>
#include <string>

#include "catalog.h"
#include "click_table.h"
#include "random.h"
#include "screen_controls.h"

namespace tw {

namespace {

// The down and up flags of one click of `mouse` (0 left, 1 right, 2 wheel).
std::array<std::uint32_t, 2> click_flags(std::uint8_t mouse) {
  switch (mouse) {
    case kMouseRight:
      return {kRightDown, kRightUp};
    case kMouseWheel:
      return {kMiddleDown, kMiddleUp};
    default:
      return {kLeftDown, kLeftUp};
  }
}

// One click is one input call: the button goes down and up again.
void click_once(Desktop& desktop, std::uint8_t mouse) {
  std::array<std::uint32_t, 2> flags = click_flags(mouse);
  desktop.send_mouse_inputs(flags);
}

}  // namespace

bool start_run(const ScreenContext& context) {
  Page page = context.page();
  std::uint8_t mouse = read_mouse_button(page);
  std::uint8_t click = read_click_kind(page);
  DelayRange delays = read_delays(page);
  std::string refusal;
  std::string notice;
  {
    SharedAppState::Access state = context.state->access();
    if (state->running) return false;
    const std::string& language = state->language;
    std::optional<std::uint32_t> repeat;
    bool record = false;
    if (delays.delay1 == 0) {
      refusal = i18n::text("msg.no_delay", language);
    } else if (!(repeat = read_repeat_count(page, language))) {
      refusal = i18n::text("msg.bad_repeat", language);
    } else if ((record = page.is_checked("use-record")) && state->list.empty()) {
      refusal = i18n::text("msg.no_record", language);
    } else {
      Desktop& desktop = *context.desktop;
      ScreenPoint at = desktop.cursor_position().value_or(ScreenPoint{});
      state->run_x = at.x;
      state->run_y = at.y;
      state->mouse_button = mouse;
      state->click_kind = click;
      state->delay1 = delays.delay1;
      state->delay2 = delays.delay2;
      state->remaining = *repeat;
      state->record_mode = record;
      // A row picked by hand before the run does not move the start: it begins at entry 0,
      // and the row no longer shows as picked.
      state->list.clear_marker();
      state->running = true;
      desktop.set_timer(kRunTimerId, 1);
      set_option_controls_enabled(page, false);
      show_status(page, true, language);
      render_click_table(page, state->list, language, state->shown_table);
      if (state->notify) {
        notice =
            i18n::text_with_arg("msg.run_start", language, hotkey_display_name(state->run_hotkey));
      }
    }
  }
  if (!refusal.empty()) {
    context.dialog->show_message(refusal);
    return false;
  }
  if (!notice.empty()) context.notifier->notify(notice);
  return true;
}

void stop_run(const ScreenContext& context, StopCause cause) {
  Page page = context.page();
  std::string notice;
  {
    SharedAppState::Access state = context.state->access();
    if (!state->running) return;
    state->running = false;
    state->list.clear_marker();
    context.desktop->kill_timer(kRunTimerId);
    set_option_controls_enabled(page, true);
    show_status(page, false, state->language);
    render_click_table(page, state->list, state->language, state->shown_table);
    if (cause == StopCause::kHotkey && state->notify) {
      notice = i18n::text("msg.run_stop", state->language);
    }
  }
  if (!notice.empty()) context.notifier->notify(notice);
}

void run_tick(const ScreenContext& context) {
  Page page = context.page();
  Desktop& desktop = *context.desktop;
  bool finished = false;
  std::string done_notice;
  {
    SharedAppState::Access state = context.state->access();
    if (!state->running) return;
    desktop.kill_timer(kRunTimerId);

    if (state->record_mode) {
      // Guarded although the disabled controls cannot empty the list during a run: idle
      // until the run is stopped.
      if (state->list.empty()) {
        desktop.set_timer(kRunTimerId, 1);
        return;
      }
      std::optional<std::size_t> marked = state->list.marked_row();
      std::size_t index = marked && *marked + 1 < state->list.size() ? *marked + 1 : 0;
      state->list.set_marker(index);
      const ClickEntry& entry = state->list.at(index);
      state->run_x = entry.x;
      state->run_y = entry.y;
      state->mouse_button = entry.mouse;
      state->click_kind = entry.click;
      state->delay1 = entry.delay1;
      state->delay2 = entry.delay2;
    } else if (state->after_change) {
      // Modify: the click follows the pointer. An unreadable pointer keeps the last place.
      if (std::optional<ScreenPoint> at = desktop.cursor_position()) {
        state->run_x = at->x;
        state->run_y = at->y;
      }
    }

    std::optional<ScreenPoint> remembered;
    if (!state->after_change) remembered = desktop.cursor_position();
    desktop.set_cursor_position({state->run_x, state->run_y});
    click_once(desktop, state->mouse_button);
    if (state->click_kind == kClickDouble) {
      desktop.sleep(100 + static_cast<std::uint32_t>(random_below(10)));
      click_once(desktop, state->mouse_button);
    }
    if (remembered) desktop.set_cursor_position(*remembered);

    if (state->record_mode) render_click_table(page, state->list, state->language, state->shown_table);

    if (state->remaining != 0) {
      finished = state->remaining == 1;
      --state->remaining;
    }
    if (finished) {
      if (state->notify) done_notice = i18n::text("msg.run_done", state->language);
    } else {
      desktop.set_timer(kRunTimerId, next_wait(state->delay1, state->delay2, random_below));
    }
  }
  if (finished) {
    stop_run(context, StopCause::kRepeatDone);
    if (!done_notice.empty()) {
      desktop.flash_window();
      context.notifier->notify(done_notice);
    }
  }
}

}  // namespace tw

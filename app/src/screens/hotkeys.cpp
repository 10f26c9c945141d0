#include "hotkeys.h"

#include <string>
#include <vector>

#include "catalog.h"
#include "click_table.h"
#include "runner.h"
#include "screen_controls.h"

namespace tw {

namespace {

constexpr std::string_view kCapturingClass = "capturing";

std::string_view input_id(HotkeySlot slot) {
  return slot == HotkeySlot::kRun ? "hk-run" : "hk-add";
}

Hotkey& hotkey_of(AppState& state, HotkeySlot slot) {
  return slot == HotkeySlot::kRun ? state.run_hotkey : state.add_hotkey;
}

Hotkey& other_hotkey_of(AppState& state, HotkeySlot slot) {
  return slot == HotkeySlot::kRun ? state.add_hotkey : state.run_hotkey;
}

void add_class(orlan::Node* element, std::string_view name) {
  if (element != nullptr) orlan::add_class(element, name.data(), name.size());
}

void remove_class(orlan::Node* element, std::string_view name) {
  if (element != nullptr) orlan::remove_class(element, name.data(), name.size());
}

void add_record(const ScreenContext& context) {
  Page page = context.page();
  std::string refusal;
  {
    SharedAppState::Access state = context.state->access();
    if (state->running) return;
    DelayRange delays = read_delays(page);
    if (delays.delay1 == 0) {
      refusal = i18n::text("msg.no_delay", state->language);
    } else {
      ScreenPoint at = context.desktop->cursor_position().value_or(ScreenPoint{});
      state->list.append(ClickEntry{at.x, at.y, delays.delay1, delays.delay2,
                                    read_mouse_button(page), read_click_kind(page)});
      render_click_table(page, state->list, state->language, state->shown_table);
    }
  }
  if (!refusal.empty()) context.dialog->show_message(refusal);
}

}  // namespace

void load_hotkeys(const ScreenContext& context) {
  SettingsStore& settings = *context.settings;
  SharedAppState::Access state = context.state->access();
  state->run_hotkey =
      hotkey_from_registry(settings.read(kRunHotkeyValue).value_or(kDefaultRunHotkey));
  state->add_hotkey =
      hotkey_from_registry(settings.read(kAddHotkeyValue).value_or(kDefaultAddHotkey));
  Page page = context.page();
  page.set_value("hk-run", hotkey_input_text(state->run_hotkey, state->language));
  page.set_value("hk-add", hotkey_input_text(state->add_hotkey, state->language));
}

void register_hotkeys(const ScreenContext& context) {
  Page page = context.page();
  Desktop& desktop = *context.desktop;
  std::vector<std::string> failures;
  {
    SharedAppState::Access state = context.state->access();
    struct Slot {
      int id;
      Hotkey* hotkey;
      const char* value_name;
      std::string_view input;
    };
    const Slot slots[] = {
        {kRunHotkeyId, &state->run_hotkey, kRunHotkeyValue, "hk-run"},
        {kAddHotkeyId, &state->add_hotkey, kAddHotkeyValue, "hk-add"},
    };
    for (const Slot& slot : slots) {
      desktop.unregister_hotkey(slot.id);
      Hotkey wanted = *slot.hotkey;
      if (wanted.key == 0 || desktop.register_hotkey(slot.id, wanted)) {
        context.settings->write(slot.value_name, hotkey_to_registry(wanted));
        continue;
      }
      // The registry keeps the wanted pair, so the next start tries it again.
      failures.push_back(
          i18n::text_with_arg("msg.hotkey_failed", state->language, hotkey_display_name(wanted)));
      *slot.hotkey = Hotkey{};
      page.set_value(slot.input, hotkey_input_text(Hotkey{}, state->language));
    }
  }
  for (const std::string& text : failures) context.dialog->show_message(text);
}

void unregister_hotkeys(const ScreenContext& context) {
  context.desktop->unregister_hotkey(kRunHotkeyId);
  context.desktop->unregister_hotkey(kAddHotkeyId);
}

void handle_hotkey(const ScreenContext& context, int id) {
  if (id == kRunHotkeyId) {
    bool running = context.state->access()->running;
    if (running) {
      stop_run(context, StopCause::kHotkey);
    } else {
      start_run(context);
    }
  } else if (id == kAddHotkeyId) {
    add_record(context);
  }
}

void capture_focus(const ScreenContext& context, HotkeySlot, orlan::Node* input) {
  // Nothing is registered while capturing, so pressing the current hotkey reaches the input.
  unregister_hotkeys(context);
  std::string language = context.state->access()->language;
  add_class(input, kCapturingClass);
  set_element_value(input, i18n::text("hotkey.press", language));
}

void capture_keydown(const ScreenContext& context, HotkeySlot slot, orlan::Node* input,
                     orlan::Event* event) {
  // The input is read-only: no key does anything else while capturing.
  orlan::prevent_default(event);
  CaptureKey pressed = capture_key(orlan::event_key(event), orlan::event_modifiers(event));
  std::string duplicate;
  {
    SharedAppState::Access state = context.state->access();
    switch (pressed.kind) {
      case CaptureKind::kIgnored:
        return;
      case CaptureKind::kModifierOnly:
        set_element_value(input, hotkey_modifier_prefix(pressed.hotkey.modifiers));
        return;
      case CaptureKind::kClear:
        hotkey_of(*state, slot) = Hotkey{};
        break;
      case CaptureKind::kKey:
        if (other_hotkey_of(*state, slot) == pressed.hotkey) {
          duplicate = i18n::text_with_arg("msg.hotkey_dup", state->language,
                                          hotkey_display_name(pressed.hotkey));
        } else {
          hotkey_of(*state, slot) = pressed.hotkey;
        }
        break;
    }
  }
  // Losing the focus runs the blur handler (which takes the state) right here.
  if (input != nullptr) orlan::blur(input);
  if (!duplicate.empty()) context.dialog->show_message(duplicate);
}

void capture_blur(const ScreenContext& context, HotkeySlot slot, orlan::Node* input) {
  remove_class(input, kCapturingClass);
  {
    SharedAppState::Access state = context.state->access();
    set_element_value(input, hotkey_input_text(hotkey_of(*state, slot), state->language));
  }
  register_hotkeys(context);
}

void bind_hotkey_capture(ScreenView& view, const ScreenContext& context) {
  for (HotkeySlot slot : {HotkeySlot::kRun, HotkeySlot::kAdd}) {
    std::string_view id = input_id(slot);
    view.on(id, "focus", [context, slot](PageEvent& e) { capture_focus(context, slot, e.target); });
    view.on(id, "keydown",
            [context, slot](PageEvent& e) { capture_keydown(context, slot, e.target, e.event); });
    view.on(id, "blur", [context, slot](PageEvent& e) { capture_blur(context, slot, e.target); });
  }
}

}  // namespace tw

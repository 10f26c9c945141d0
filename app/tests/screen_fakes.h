#pragma once

// Recording stand-ins for the main window's desktop services, and a page with the main
// screen's element ids, for the runner, hotkey and screen tests.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app_state.h"
#include "desktop.h"
#include "event.h"
#include "message_dialog.h"
#include "notifier.h"
#include "orlan/orlan.h"
#include "screen_context.h"
#include "screen_view.h"
#include "settings_store.h"

namespace tw::test {

// Every desktop call in order, as short text ("cursor 5,6", "input 0x2,0x4", "timer 1 1ms",
// "kill 1", "sleep 104", "flash", "register 1 0x0+0x72", "unregister 2").
class FakeDesktop final : public Desktop {
 public:
  std::vector<std::string> calls;
  std::optional<ScreenPoint> pointer = ScreenPoint{0, 0};
  std::vector<std::vector<std::uint32_t>> inputs;  // one entry per input call
  std::vector<ScreenPoint> clicked_at;             // pointer at each input call
  std::vector<std::uint32_t> timer_waits;          // every set_timer wait
  std::vector<std::uint32_t> sleeps;
  std::map<int, Hotkey> registered;
  std::vector<Hotkey> refused;  // combinations another program holds

  std::optional<ScreenPoint> cursor_position() override { return pointer; }
  void set_cursor_position(ScreenPoint point) override {
    calls.push_back("cursor " + std::to_string(point.x) + "," + std::to_string(point.y));
    pointer = point;
  }
  void send_mouse_inputs(std::span<const std::uint32_t> flags) override {
    std::string text = "input";
    for (std::uint32_t f : flags) text += (text.size() > 5 ? "," : " ") + hex(f);
    calls.push_back(text);
    inputs.emplace_back(flags.begin(), flags.end());
    clicked_at.push_back(pointer.value_or(ScreenPoint{-1, -1}));
  }
  void set_timer(std::uint32_t id, std::uint32_t ms) override {
    calls.push_back("timer " + std::to_string(id) + " " + std::to_string(ms) + "ms");
    timer_waits.push_back(ms);
    armed = true;
  }
  void kill_timer(std::uint32_t id) override {
    calls.push_back("kill " + std::to_string(id));
    armed = false;
  }
  void flash_window() override { calls.push_back("flash"); }
  void sleep(std::uint32_t ms) override {
    calls.push_back("sleep " + std::to_string(ms));
    sleeps.push_back(ms);
  }
  bool register_hotkey(int id, Hotkey hotkey) override {
    for (const Hotkey& taken : refused) {
      if (taken == hotkey) {
        calls.push_back("refused " + std::to_string(id));
        return false;
      }
    }
    calls.push_back("register " + std::to_string(id) + " " + hex(hotkey.modifiers) + "+" +
                    hex(hotkey.key));
    registered[id] = hotkey;
    return true;
  }
  void unregister_hotkey(int id) override {
    calls.push_back("unregister " + std::to_string(id));
    registered.erase(id);
  }

  bool armed = false;

  static std::string hex(std::uint32_t v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", v);
    return buffer;
  }
};

class FakeDialog final : public MessageDialog {
 public:
  std::vector<std::string> shown;
  bool answer = false;  // what ask_yes_no answers
  // Called while the dialog is "open": a real dialog pumps messages, so a handler may run.
  std::function<void()> while_open;
  void show_message(const std::string& text) override {
    shown.push_back(text);
    if (while_open) while_open();
  }
  bool ask_yes_no(const std::string& text) override {
    shown.push_back(text);
    if (while_open) while_open();
    return answer;
  }
};

// Every shell call in order as short text ("web <url>", "open <title>|<type>",
// "save <title>|<type>", "menu <up>|<down>|<delete>", "notifications <name>",
// "update <language>"); the answers are set by the test.
class FakeShell final : public Shell {
 public:
  std::vector<std::string> calls;
  std::optional<std::filesystem::path> open_choice;
  std::optional<std::filesystem::path> save_choice;
  RowCommand menu_choice = RowCommand::kNone;
  bool notifications_work = true;
  bool update_thread_starts = true;
  // Called while a dialog or the menu is "open": their loops dispatch other messages.
  std::function<void()> while_open;

  void open_web_page(std::string_view url) override { calls.push_back("web " + std::string(url)); }
  std::optional<tw::sys::FilePath> choose_list_to_open(const FileDialogTexts& texts) override {
    calls.push_back("open " + texts.title + "|" + texts.type_name);
    if (while_open) while_open();
    return open_choice;
  }
  std::optional<tw::sys::FilePath> choose_list_to_save(const FileDialogTexts& texts) override {
    calls.push_back("save " + texts.title + "|" + texts.type_name);
    if (while_open) while_open();
    return save_choice;
  }
  RowCommand track_row_menu(const RowMenuTexts& texts) override {
    calls.push_back("menu " + texts.move_up + "|" + texts.move_down + "|" + texts.remove);
    if (while_open) while_open();
    return menu_choice;
  }
  bool set_up_notifications(std::string_view app_name, std::string& error) override {
    calls.push_back("notifications " + std::string(app_name));
    if (!notifications_work) error = "no shortcut folder";
    return notifications_work;
  }
  bool start_update_check(std::string_view language) override {
    calls.push_back("update " + std::string(language));
    return update_thread_starts;
  }
};

class FakeNotifier final : public Notifier {
 public:
  std::vector<std::string> shown;
  void notify(const std::string& text) override { shown.push_back(text); }
};

class FakeSettings final : public SettingsStore {
 public:
  std::map<std::string, std::uint32_t, std::less<>> values;
  std::vector<std::string> writes;
  std::optional<std::uint32_t> read(std::string_view name) override {
    auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  void write(std::string_view name, std::uint32_t value) override {
    values[std::string(name)] = value;
    writes.push_back(std::string(name) + "=" + FakeDesktop::hex(value));
  }
};

// The main screen's controls with their ids, as the page has them.
inline constexpr std::string_view kScreenPage = R"(<!DOCTYPE html>
<html><body><div class="app">
<select id="mouse"><option value="0">Left</option><option value="1">Right</option><option value="2">Wheel</option></select>
<select id="click"><option value="0">Single</option><option value="1">Double</option></select>
<input id="delay1" class="delay" maxlength="8"><span class="tilde">~</span><input id="delay2" class="delay" maxlength="8">
<input id="hk-run" class="hotkey" readonly><input id="hk-add" class="hotkey" readonly>
<input id="repeat" maxlength="9">
<select id="after"><option value="0">Hold</option><option value="1">Modify</option></select>
<select id="use-notify"><option value="1">On</option><option value="0">Off</option></select>
<table id="list"><tbody id="rows"></tbody></table>
<label id="use-record-box"><input type="checkbox" id="use-record"></label>
<button id="btn-clear" class="btn">Clear</button><button id="btn-open" class="btn">Open</button><button id="btn-save" class="btn">Save</button>
<footer id="status">Waiting</footer>
</div></body></html>)";

// A loaded page (the main screen's controls unless the test gives a page), the shared state
// and the fakes, wired into one context.
struct ScreenRig {
  SharedAppState state;
  FakeDesktop desktop;
  FakeNotifier notifier;
  FakeDialog dialog;
  FakeSettings settings;
  FakeShell shell;
  // Last, so that the page and its handlers go first.
  ScreenView screen{orlan::create_view()};
  orlan::View* view = screen.view();

  explicit ScreenRig(std::string_view language = "en", std::string_view html = kScreenPage) {
    orlan::load_html(view, html.data(), html.size());
    state.access()->language = std::string(language);
  }
  ScreenRig(const ScreenRig&) = delete;

  ScreenContext context() {
    return ScreenContext{&state, orlan::document(view), &desktop, &notifier, &dialog, &settings,
                         &shell};
  }
  Page page() { return Page(orlan::document(view)); }
  orlan::Node* element(std::string_view id) { return page().find(id); }
};

// Dispatches a keydown at `target` as the host would.
inline void press_key(orlan::Node* target, std::uint32_t key, std::uint32_t modifiers) {
  orlan::Event event;
  event.type = static_cast<std::int32_t>(orlan::EventType::kKeydown);
  event.target = target;
  event.payload.key = orlan::KeyData{key, modifiers, 0, 0};
  orlan::dispatch(event);
}

}  // namespace tw::test

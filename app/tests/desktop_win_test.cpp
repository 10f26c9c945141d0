// The runner and the hotkeys on a real Windows desktop (under Wine on Xvfb): clicks land in
// a real window, runs start through a real global hotkey pressed with SendInput, and the
// settings go to the registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "desktop_win.h"
#include "document.h"
#include "hotkeys.h"
#include "registry_settings_win.h"
#include "runner.h"
#include "screen_fakes.h"
#include "utf.h"
#include "win32_include.h"

namespace {

using tw::ScreenPoint;

// ---- The window that is clicked -------------------------------------------------------

struct ButtonMessage {
  UINT message;
  int x, y;  // client coordinates
  bool operator==(const ButtonMessage&) const = default;
};

std::vector<ButtonMessage> g_received;

LRESULT CALLBACK target_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      g_received.push_back({message, static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

// ---- The main window stand-in: routes the run timer and the hotkeys ---------------------

tw::ScreenContext* g_context = nullptr;
std::vector<double> g_tick_ms;  // performance-counter time of each run timer tick

double now_ms() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_TIMER && w == tw::kRunTimerId && g_context) {
    g_tick_ms.push_back(now_ms());
    tw::run_tick(*g_context);
    return 0;
  }
  if (message == WM_HOTKEY && g_context) {
    tw::handle_hotkey(*g_context, static_cast<int>(w));
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

void register_classes() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSW target{};
  target.lpfnWndProc = target_proc;
  target.hInstance = GetModuleHandleW(nullptr);
  target.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  target.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  target.lpszClassName = L"TwClickTarget";
  RegisterClassW(&target);
  WNDCLASSW host{};
  host.lpfnWndProc = host_proc;
  host.hInstance = GetModuleHandleW(nullptr);
  host.lpszClassName = L"TwRunnerHost";
  RegisterClassW(&host);
}

class Window {
 public:
  explicit Window(HWND handle) : m_handle(handle) {}
  ~Window() {
    if (m_handle) DestroyWindow(m_handle);
  }
  Window(const Window&) = delete;
  HWND get() const { return m_handle; }

 private:
  HWND m_handle;
};

void pump_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool pump_until(const std::function<bool()>& done, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    pump_messages();
  }
  return true;
}

// Every input sent to this thread has been handled: `count` button messages have come to
// the target and no input is waiting.
bool received_clicks(std::size_t count, DWORD timeout_ms = 3000) {
  return pump_until(
      [&] { return g_received.size() >= count && HIWORD(GetQueueStatus(QS_INPUT)) == 0; },
      timeout_ms);
}

// Presses a key (with modifiers held) from another thread, as another program would.
void press_from_helper(WORD key, std::vector<WORD> modifiers = {}) {
  std::thread helper([key, modifiers] {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = vk;
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    };
    for (WORD m : modifiers) add(m, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) add(*m, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  });
  helper.join();
}

std::optional<DWORD> registry_dword(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, tw::sys::kSettingsKey, name, RRF_RT_REG_DWORD, nullptr,
                   &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

// One host and one target window serve every test: destroying a visible window takes Wine
// about two seconds here.
HWND shared_window(const wchar_t* window_class, const wchar_t* title, DWORD ex_style, DWORD style,
                   int x, int y, int width, int height) {
  register_classes();
  static std::map<std::wstring, HWND> windows;
  HWND& window = windows[window_class];
  if (window == nullptr) {
    window = CreateWindowExW(ex_style, window_class, title, style, x, y, width, height, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  return window;
}

// The page, the state and the real desktop of the host window.
struct DesktopRig {
  HWND host;
  HWND target;
  tw::SharedAppState state;
  tw::sys::WinDesktop desktop;
  tw::sys::RegistrySettings settings;
  tw::test::FakeNotifier notifier;
  tw::test::FakeDialog dialog;
  tw::ScreenView screen{orlan::create_view()};
  tw::ScreenContext context;

  // The target's client area starts at screen (kLeft, kTop).
  static constexpr int kLeft = 200, kTop = 150;

  DesktopRig()
      : host(shared_window(L"TwRunnerHost", L"runner host", 0, WS_OVERLAPPED, 0, 0, 50, 50)),
        target(shared_window(L"TwClickTarget", L"click target", WS_EX_TOPMOST,
                             WS_POPUP | WS_VISIBLE, kLeft, kTop, 300, 200)),
        desktop(host),
        context{&state, nullptr, &desktop, &notifier, &dialog, &settings} {
    // Every test starts from an empty settings key: F3 and F4.
    RegDeleteTreeW(HKEY_CURRENT_USER, tw::sys::kSettingsKey);
    const auto& page = tw::test::kScreenPage;
    orlan::load_html(screen.view(), page.data(), page.size());
    context.document = screen.document();
    state.access()->language = "en";
    state.access()->window = host;
    g_context = &context;
    // Drop anything a previous test left in the queue.
    pump_until([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; }, 2000);
    g_received.clear();
    g_tick_ms.clear();
  }
  ~DesktopRig() {
    tw::stop_run(context, tw::StopCause::kWindowClose);
    tw::unregister_hotkeys(context);
    g_context = nullptr;
  }
  tw::Page page() { return context.page(); }
  bool running() { return state.access()->running; }
};

// ---- Tests -----------------------------------------------------------------------------

struct ButtonCase {
  int select_index;
  UINT down, up;
};

class RealRun : public testing::TestWithParam<ButtonCase> {};

TEST_P(RealRun, HotkeyStartsARunThatClicksTheTargetThreeTimes) {
  DesktopRig rig;
  ASSERT_NE(rig.target, nullptr);
  tw::load_hotkeys(rig.context);
  tw::register_hotkeys(rig.context);
  ASSERT_TRUE(rig.dialog.shown.empty()) << rig.dialog.shown.front();
  rig.page().set_selected_index("mouse", GetParam().select_index);
  rig.page().set_value("delay1", "00:00.05");
  rig.page().set_value("delay2", "00:00.05");
  rig.page().set_value("repeat", "3");
  SetCursorPos(DesktopRig::kLeft + 60, DesktopRig::kTop + 40);

  press_from_helper(VK_F3);
  ASSERT_TRUE(pump_until([&] { return rig.running(); }, 3000)) << "the run hotkey never arrived";
  ASSERT_TRUE(pump_until([&] { return !rig.running(); }, 5000)) << "the run never ended";

  const ButtonCase& b = GetParam();
  std::vector<ButtonMessage> expected;
  for (int i = 0; i < 3; ++i) {
    expected.push_back({b.down, 60, 40});
    expected.push_back({b.up, 60, 40});
  }
  EXPECT_TRUE(received_clicks(expected.size())) << g_received.size() << " button messages";
  EXPECT_EQ(g_received, expected);
  EXPECT_EQ(rig.notifier.shown.back(), "The run finished after the repeat count was reached.");
}

INSTANTIATE_TEST_SUITE_P(Buttons, RealRun,
                         testing::Values(ButtonCase{0, WM_LBUTTONDOWN, WM_LBUTTONUP},
                                         ButtonCase{1, WM_RBUTTONDOWN, WM_RBUTTONUP},
                                         ButtonCase{2, WM_MBUTTONDOWN, WM_MBUTTONUP}));

TEST(RealRunDetails, DoubleClickArrivesAsTwoSeparatePairsAndHoldRestoresThePointer) {
  DesktopRig rig;
  rig.page().set_selected_index("click", 1);
  rig.page().set_value("delay1", "00:00.05");
  rig.page().set_value("repeat", "2");
  SetCursorPos(DesktopRig::kLeft + 10, DesktopRig::kTop + 20);
  ASSERT_TRUE(tw::start_run(rig.context));
  // The user moves away; Hold still clicks the start position and puts the pointer back.
  SetCursorPos(DesktopRig::kLeft + 250, DesktopRig::kTop + 150);
  ASSERT_TRUE(pump_until([&] { return !rig.running(); }, 5000));
  std::vector<ButtonMessage> expected;
  for (int i = 0; i < 4; ++i) {
    expected.push_back({WM_LBUTTONDOWN, 10, 20});
    expected.push_back({WM_LBUTTONUP, 10, 20});
  }
  EXPECT_TRUE(received_clicks(expected.size())) << g_received.size() << " button messages";
  EXPECT_EQ(g_received, expected);
  POINT now{};
  GetCursorPos(&now);
  EXPECT_EQ(now.x, DesktopRig::kLeft + 250);
  EXPECT_EQ(now.y, DesktopRig::kTop + 150);
}

TEST(RealRunDetails, RecordModeClicksEachEntryInTurn) {
  DesktopRig rig;
  {
    auto state = rig.state.access();
    state->list.append(
        tw::ClickEntry{DesktopRig::kLeft + 5, DesktopRig::kTop + 6, 20, 20, tw::kMouseRight, 0});
    state->list.append(
        tw::ClickEntry{DesktopRig::kLeft + 70, DesktopRig::kTop + 80, 20, 20, tw::kMouseLeft, 0});
  }
  orlan::set_attribute(rig.page().find("use-record"), "checked", 7, "", 0);
  rig.page().set_value("repeat", "3");
  ASSERT_TRUE(tw::start_run(rig.context));
  ASSERT_TRUE(pump_until([&] { return !rig.running(); }, 5000));
  EXPECT_TRUE(received_clicks(6)) << g_received.size() << " button messages";
  EXPECT_EQ(g_received, (std::vector<ButtonMessage>{{WM_RBUTTONDOWN, 5, 6},
                                                    {WM_RBUTTONUP, 5, 6},
                                                    {WM_LBUTTONDOWN, 70, 80},
                                                    {WM_LBUTTONUP, 70, 80},
                                                    {WM_RBUTTONDOWN, 5, 6},
                                                    {WM_RBUTTONUP, 5, 6}}));
}

TEST(RealHotkey, AddRecordHotkeyAppendsThePointerPosition) {
  DesktopRig rig;
  tw::load_hotkeys(rig.context);
  tw::register_hotkeys(rig.context);
  rig.page().set_value("delay1", "00:01.00");
  rig.page().set_value("delay2", "00:02.00");
  rig.page().set_selected_index("mouse", 2);
  SetCursorPos(333, 222);
  press_from_helper(VK_F4);
  ASSERT_TRUE(pump_until([&] { return rig.state.access()->list.size() == 1; }, 3000));
  EXPECT_EQ(rig.state.access()->list.at(0),
            (tw::ClickEntry{333, 222, 1000, 2000, tw::kMouseWheel, tw::kClickSingle}));
  EXPECT_FALSE(rig.running());
}

// The key sender sits beside this test program.
std::wstring key_sender_path() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + tw::utf8_to_wide(TW_KEY_SENDER);
}

TEST(RealHotkey, KeyPressedByAnotherProgramFiresTheHotkey) {
  DesktopRig rig;
  tw::load_hotkeys(rig.context);
  tw::register_hotkeys(rig.context);
  rig.page().set_value("delay1", "00:01.00");
  SetCursorPos(51, 52);
  std::wstring command = L"\"" + key_sender_path() + L"\" 73";  // F4
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  WaitForSingleObject(process.hProcess, 10000);
  DWORD exit_code = 99;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_EQ(exit_code, 0u);
  ASSERT_TRUE(pump_until([&] { return rig.state.access()->list.size() == 1; }, 3000));
  EXPECT_EQ(rig.state.access()->list.at(0).x, 51);
  EXPECT_EQ(rig.state.access()->list.at(0).y, 52);
}

TEST(RealHotkey, CapturedCombinationIsRegisteredAndFires) {
  DesktopRig rig;
  tw::load_hotkeys(rig.context);
  tw::register_hotkeys(rig.context);
  tw::bind_hotkey_capture(rig.screen, rig.context);
  orlan::Document* document = rig.screen.document();
  orlan::Node* input = rig.page().find("hk-add");
  orlan::set_focus(*document, input);
  tw::test::press_key(input, orlan::kKeyControl, orlan::kModCtrl);
  tw::test::press_key(input, orlan::kKeyShift, orlan::kModCtrl | orlan::kModShift);
  tw::test::press_key(input, 'A', orlan::kModCtrl | orlan::kModShift);
  EXPECT_EQ(registry_dword(L"hotkey_add"), 0x60041u);
  EXPECT_EQ(registry_dword(L"hotkey_run"), 0x72u);

  rig.page().set_value("delay1", "00:01.00");
  SetCursorPos(41, 42);
  press_from_helper('A', {VK_CONTROL, VK_SHIFT});
  ASSERT_TRUE(pump_until([&] { return rig.state.access()->list.size() == 1; }, 3000));
  EXPECT_EQ(rig.state.access()->list.at(0).x, 41);
  // The old F4 is gone: pressed before the combination again, only the combination adds.
  // (Hotkeys arrive in the order pressed, so an F4 would have added its row first.)
  SetCursorPos(43, 44);
  press_from_helper(VK_F4);
  press_from_helper('A', {VK_CONTROL, VK_SHIFT});
  ASSERT_TRUE(pump_until([&] { return rig.state.access()->list.size() >= 2; }, 3000));
  EXPECT_TRUE(pump_until([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; }, 2000));
  EXPECT_EQ(rig.state.access()->list.size(), 2u);
}

TEST(RealRegistry, RegistrationWritesBothValuesAndDefaultsWhenMissing) {
  DesktopRig rig;
  tw::sys::RegistrySettings settings;
  EXPECT_EQ(settings.read("hotkey_run"), std::nullopt);
  tw::load_hotkeys(rig.context);
  EXPECT_EQ(rig.page().value("hk-run"), "F3");
  EXPECT_EQ(rig.page().value("hk-add"), "F4");
  tw::register_hotkeys(rig.context);
  EXPECT_EQ(registry_dword(L"hotkey_run"), 0x72u);
  EXPECT_EQ(registry_dword(L"hotkey_add"), 0x73u);
  EXPECT_EQ(settings.read("hotkey_add"), 0x73u);
}

TEST(RealRegistry, OnlyDwordValuesAreRead) {
  RegDeleteTreeW(HKEY_CURRENT_USER, tw::sys::kSettingsKey);
  tw::sys::RegistrySettings settings;
  settings.write("click_after", 1);
  EXPECT_EQ(settings.read("click_after"), 1u);
  const wchar_t text[] = L"1";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, tw::sys::kSettingsKey, L"notify_use", REG_SZ, text,
                            sizeof text),
            ERROR_SUCCESS);
  EXPECT_EQ(settings.read("notify_use"), std::nullopt);
  EXPECT_EQ(settings.read("no_such_value"), std::nullopt);
}

TEST(RealRegistry, HotkeyHeldByAnotherWindowIsRefusedAndTheRegistryKeepsIt) {
  Window other(CreateWindowExW(0, L"TwRunnerHost", L"other", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(RegisterHotKey(other.get(), 7, MOD_ALT, VK_F9));
  DesktopRig rig;
  tw::sys::RegistrySettings settings;
  settings.write("hotkey_run", 0x10078);  // Alt+F9
  tw::load_hotkeys(rig.context);
  tw::register_hotkeys(rig.context);
  UnregisterHotKey(other.get(), 7);
  EXPECT_EQ(
      rig.dialog.shown,
      (std::vector<std::string>{
          "Hotkey Alt+F9 could not be registered. It is already in use by another program."}));
  EXPECT_EQ(rig.page().value("hk-run"), "None");
  EXPECT_EQ(registry_dword(L"hotkey_run"), 0x10078u);
}

// Not a timing assertion: prints the intervals the window timer really gives for a 1 ms and
// a 100 ms wait, and checks that every tick clicked.
TEST(RealTimer, ReportsTheIntervalsOfShortAndLongWaits) {
  for (const char* delay : {"1", "100"}) {
    DesktopRig rig;
    rig.page().set_value("delay1", delay);
    rig.page().set_value("delay2", delay);
    rig.page().set_value("repeat", "21");
    SetCursorPos(DesktopRig::kLeft + 100, DesktopRig::kTop + 100);
    ASSERT_TRUE(tw::start_run(rig.context));
    ASSERT_TRUE(pump_until([&] { return !rig.running(); }, 10000));
    EXPECT_TRUE(received_clicks(42)) << g_received.size() << " button messages";
    EXPECT_EQ(g_received.size(), 42u);
    ASSERT_EQ(g_tick_ms.size(), 21u);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < g_tick_ms.size(); ++i)
      gaps.push_back(g_tick_ms[i] - g_tick_ms[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
    std::printf("wait %s ms: timer intervals min %.2f median %.2f mean %.2f max %.2f ms\n", delay,
                gaps.front(), gaps[gaps.size() / 2], mean, gaps.back());
  }
}

}  // namespace

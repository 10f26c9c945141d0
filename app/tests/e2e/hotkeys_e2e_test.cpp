// The real Tapwright.exe under Wine, driven through its two global hotkeys by this (other)
// process: recording positions into the default list file, a single-click run into a window
// of this process, the hotkey settings, and a hotkey that another program already holds.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

// ---- A window of this process that records the clicks it receives ---------------------

struct Click {
  UINT message;
  POINT client;
  DWORD sent;  // the input's time stamp: when the sender's SendInput queued it
};

std::vector<Click> g_clicks;

LRESULT CALLBACK target_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
      g_clicks.push_back({message,
                          {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))},
                          static_cast<DWORD>(GetMessageTime())});
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

// Top-left of the screen, away from the centred main window; topmost so that nothing of the
// program covers it.
class TargetWindow {
 public:
  static constexpr int kLeft = 40, kTop = 40, kWidth = 240, kHeight = 160;

  TargetWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = target_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = L"TwE2eClickTarget";
    RegisterClassW(&window_class);
    m_window = CreateWindowExW(WS_EX_TOPMOST, L"TwE2eClickTarget", L"click target",
                               WS_POPUP | WS_VISIBLE, kLeft, kTop, kWidth, kHeight, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    g_clicks.clear();
  }
  ~TargetWindow() { DestroyWindow(m_window); }
  HWND get() const { return m_window; }

 private:
  HWND m_window = nullptr;
};

// A plain window of this process that holds a global hotkey, as another program would.
class HotkeyHolder {
 public:
  HotkeyHolder(UINT modifiers, UINT key) {
    m_window = CreateWindowExW(0, L"STATIC", L"hotkey holder", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    m_held = RegisterHotKey(m_window, 1, modifiers, key);
  }
  ~HotkeyHolder() {
    if (m_held) UnregisterHotKey(m_window, 1);
    DestroyWindow(m_window);
  }
  bool held() const { return m_held; }

 private:
  HWND m_window = nullptr;
  bool m_held = false;
};

class Hotkeys : public EndToEnd {};

// ---- Recording and the default list file ------------------------------------------------

TEST_F(Hotkeys, AddRecordHotkeyFillsTheListFileThatTheNextStartLoadsAndWritesBack) {
  const POINT positions[] = {{101, 102}, {1003, 57}, {640, 990}};
  {
    Tapwright program(folder.exe());
    ASSERT_NE(program.wait_for_window(), nullptr);
    ASSERT_TRUE(program.sync());
    for (POINT p : positions) {
      ASSERT_TRUE(move_pointer(p.x, p.y));
      press_key(VK_F4);
      // The hotkey message is queued by the time SendInput returns; once the window has
      // handled it, the pointer may move on.
      ASSERT_TRUE(program.sync());
    }
    ASSERT_EQ(program.close(), 0u);
  }
  // Left button, single click, and the delay fields' default of one second.
  const std::string expected =
      "101x102,0,0,1000,1000\r\n"
      "1003x57,0,0,1000,1000\r\n"
      "640x990,0,0,1000,1000\r\n";
  ASSERT_EQ(read_file(folder.list_file()), expected);

  Tapwright again(folder.exe());
  ASSERT_NE(again.wait_for_window(), nullptr);
  ASSERT_TRUE(again.sync());
  // The list is in memory now; only the close can bring the file back.
  ASSERT_TRUE(DeleteFileW(folder.list_file().c_str()));
  ASSERT_EQ(again.close(), 0u);
  EXPECT_EQ(read_file(folder.list_file()), expected);
}

TEST_F(Hotkeys, ClosingWithAnEmptyListRemovesTheFile) {
  ASSERT_TRUE(write_file(folder.list_file(), "nothing that parses\r\n"));
  Tapwright program(folder.exe());
  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_EQ(program.close(), 0u);
  EXPECT_EQ(read_file(folder.list_file()), std::nullopt);
}

// ---- A run ------------------------------------------------------------------------------

TEST_F(Hotkeys, RunHotkeyClicksTheWindowUnderThePointerOncePerSecondUntilPressedAgain) {
  TargetWindow target;
  Tapwright program(folder.exe());
  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_TRUE(program.sync());
  const POINT inside{TargetWindow::kLeft + 70, TargetWindow::kTop + 50};
  ASSERT_TRUE(move_pointer(inside.x, inside.y));

  press_key(VK_F3);
  ASSERT_TRUE(program.sync());
  auto downs = [] {
    return std::count_if(g_clicks.begin(), g_clicks.end(),
                         [](const Click& c) { return c.message == WM_LBUTTONDOWN; });
  };
  ASSERT_TRUE(pump_until([&] { return downs() >= 4; }, 30s)) << "clicks seen: " << g_clicks.size();

  press_key(VK_F3);
  ASSERT_TRUE(program.sync());
  // A wheel-button click of this process's own, queued after the stop: once it has come,
  // so has every click the program sent before it.
  auto left_clicks = [] {
    return std::count_if(g_clicks.begin(), g_clicks.end(), [](const Click& c) {
      return c.message == WM_LBUTTONDOWN || c.message == WM_LBUTTONUP;
    });
  };
  auto send_marker = [] {
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
    inputs[1] = inputs[0];
    inputs[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
  };
  auto markers = [] {
    return std::count_if(g_clicks.begin(), g_clicks.end(),
                         [](const Click& c) { return c.message == WM_MBUTTONUP; });
  };
  ASSERT_TRUE(send_marker());
  ASSERT_TRUE(pump_until([&] { return markers() == 1; }, 10s)) << "the marker click never came";
  const long after_stop = left_clicks();
  // A runner that was not stopped clicks again within its one-second delay: a second marker
  // sent once that delay has passed on this machine's clock must find no click before it.
  const DWORD stopped_at = GetTickCount();
  ASSERT_TRUE(pump_until([&] { return GetTickCount() - stopped_at > 1500; }, 5s));
  ASSERT_TRUE(send_marker());
  ASSERT_TRUE(pump_until([&] { return markers() == 2; }, 10s)) << "the second marker never came";
  EXPECT_EQ(left_clicks(), after_stop) << "clicks went on after the second F3";
  std::erase_if(g_clicks, [](const Click& c) {
    return c.message == WM_MBUTTONDOWN || c.message == WM_MBUTTONUP;
  });

  // Single left clicks, each a press and a release at the pointer's position.
  ASSERT_GE(g_clicks.size(), 8u);
  std::vector<DWORD> down_times;
  for (std::size_t i = 0; i < g_clicks.size(); ++i) {
    const Click& c = g_clicks[i];
    EXPECT_EQ(c.message, i % 2 == 0 ? UINT(WM_LBUTTONDOWN) : UINT(WM_LBUTTONUP)) << "click " << i;
    EXPECT_EQ(c.client.x, inside.x - TargetWindow::kLeft) << "click " << i;
    EXPECT_EQ(c.client.y, inside.y - TargetWindow::kTop) << "click " << i;
    if (c.message == WM_LBUTTONDOWN) down_times.push_back(c.sent);
  }
  // One per second, measured when the program sent each press (the input's time stamp, so
  // delivery to this window adds nothing): never sooner, since the timer waits the whole
  // delay (the stamp has the system tick's granularity, hence the small allowance); later
  // only by what a busy machine adds, so the middle interval is bounded loosely.
  std::vector<DWORD> gaps;
  for (std::size_t i = 1; i < down_times.size(); ++i)
    gaps.push_back(down_times[i] - down_times[i - 1]);
  for (DWORD gap : gaps) EXPECT_GE(gap, 984u);
  std::sort(gaps.begin(), gaps.end());
  EXPECT_LE(gaps[gaps.size() / 2], 2000u);
  POINT now{};
  GetCursorPos(&now);
  EXPECT_EQ(now.x, inside.x);
  EXPECT_EQ(now.y, inside.y);
  EXPECT_EQ(program.close(), 0u);
}

// ---- Settings and a hotkey held elsewhere -----------------------------------------------

TEST_F(Hotkeys, FirstRegistrationWritesTheDefaultHotkeys) {
  ASSERT_EQ(setting(L"hotkey_run"), std::nullopt);
  ASSERT_EQ(setting(L"hotkey_add"), std::nullopt);
  Tapwright program(folder.exe());
  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_TRUE(program.sync());
  EXPECT_TRUE(pump_until([] { return setting(L"hotkey_add").has_value(); }, 10s));
  EXPECT_EQ(setting(L"hotkey_run"), 0x72u);
  EXPECT_EQ(setting(L"hotkey_add"), 0x73u);
  // Nothing else is written at start.
  EXPECT_EQ(setting(L"click_after"), std::nullopt);
  EXPECT_EQ(setting(L"notify_use"), std::nullopt);
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(Hotkeys, HotkeyHeldByAnotherProgramShowsTheFailureInATaskDialog) {
  HotkeyHolder holder(0, VK_F3);
  ASSERT_TRUE(holder.held());
  Tapwright program(folder.exe());
  HWND dialog = wait_for_dialog(program.id());
  ASSERT_NE(dialog, nullptr) << "no dialog from Tapwright";
  EXPECT_EQ(window_text(dialog), L"Tapwright");
  HWND owner = GetWindow(dialog, GW_OWNER);
  EXPECT_EQ(class_of(owner), L"TFrmTapwright");
  std::vector<std::wstring> texts = child_texts(dialog);
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      L"Hotkey F3 could not be registered. It is already in use by another "
                      L"program."),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"OK"), texts.end());

  // Answered with Return, as a person would (again when a key press went elsewhere).
  wait_until_settled(dialog);
  bool closed = false;
  for (int attempt = 0; attempt < 4 && !closed; ++attempt) {
    if (GetForegroundWindow() != dialog) SetForegroundWindow(dialog);
    pump_until([&] { return GetForegroundWindow() == dialog; }, 5s);
    press_key(VK_RETURN);
    closed = pump_until([&] { return !IsWindow(dialog); }, 5s);
  }
  ASSERT_TRUE(closed) << "Return did not close the dialog";

  // The program goes on with the hotkey it could register.
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window, owner);
  EXPECT_TRUE(pump_until([] { return setting(L"hotkey_add").has_value(); }, 10s));
  EXPECT_EQ(setting(L"hotkey_add"), 0x73u);
  EXPECT_EQ(program.close(), 0u);
}

}  // namespace
}  // namespace tw::e2e

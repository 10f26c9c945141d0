// The real Tapwright.exe under Wine: its main window as another program sees it, at the
// default and at a high DPI, in another language, and a second start.

#include <gtest/gtest.h>

#include <cstdio>

#include "e2e_fixture_win.h"

#include <psapi.h>

namespace tw::e2e {
namespace {

struct Geometry {
  RECT client{};  // GetClientRect: width and height
  RECT outer{};   // GetWindowRect
  RECT work{};    // work area of the window's monitor
};

Geometry geometry_of(HWND window) {
  Geometry g;
  GetClientRect(window, &g.client);
  GetWindowRect(window, &g.outer);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  g.work = monitor.rcWork;
  return g;
}

void expect_centred_on_work_area(const Geometry& g) {
  int width = g.outer.right - g.outer.left;
  int height = g.outer.bottom - g.outer.top;
  EXPECT_EQ(g.outer.left, g.work.left + (g.work.right - g.work.left - width) / 2);
  EXPECT_EQ(g.outer.top, g.work.top + (g.work.bottom - g.work.top - height) / 2);
}

class MainWindow : public EndToEnd {};

TEST_F(MainWindow, HasItsClassTitleStyleAndSizeCentredOnTheWorkArea) {
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr) << "no visible TFrmTapwright window";
  EXPECT_EQ(class_of(window), L"TFrmTapwright");
  EXPECT_EQ(window_text(window), L"Tapwright 2.0.1");
  // Caption, system menu and minimise box: no sizing frame, no maximise box.
  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  Geometry g = geometry_of(window);
  EXPECT_EQ(g.client.right, 611);
  EXPECT_EQ(g.client.bottom, 463);
  expect_centred_on_work_area(g);

  // Measured, not asserted: what the program costs once it is up. Wine leaves the private
  // usage of another process at 0; then only the working set says something.
  ASSERT_TRUE(program.sync());
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(program.handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    std::printf("[ measure  ] Tapwright.exe after start: working set %.1f MiB",
                memory.WorkingSetSize / 1048576.0);
    if (memory.PrivateUsage != 0)
      std::printf(", private %.1f MiB", memory.PrivateUsage / 1048576.0);
    std::printf("\n");
  }
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(MainWindow, KoreanTitleWithTheLanguageSwitch) {
  Tapwright program(folder.exe(), L"--lang ko");
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window_text(window), L"\uD0ED\uB77C\uC774\uD2B8 2.0.1");  // 탭라이트 2.0.1
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(MainWindow, SecondStartEndsAtOnceAndLeavesOneWindow) {
  Tapwright first(folder.exe());
  HWND window = first.wait_for_window();
  ASSERT_NE(window, nullptr);
  Tapwright second(folder.exe());
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait_for_exit(30s), 0u) << "the second start did not end by itself";
  EXPECT_EQ(top_level_windows(0, L"TFrmTapwright"), std::vector<HWND>{window});
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(first.close(), 0u);
}

TEST_F(MainWindow, SecondStartRestoresTheMinimisedFirstWindow) {
  Tapwright first(folder.exe());
  HWND window = first.wait_for_window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(first.sync());
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(pump_until([&] { return IsIconic(window) != FALSE; }, 10s)) << "never minimised";
  ASSERT_TRUE(first.sync());
  Tapwright second(folder.exe());
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait_for_exit(30s), 0u) << "the second start did not end by itself";
  EXPECT_TRUE(pump_until([&] { return !IsIconic(window) && IsWindowVisible(window); }, 10s))
      << "the first window stayed minimised";
  ASSERT_TRUE(first.sync());
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 611);
  EXPECT_EQ(client.bottom, 463);
  EXPECT_EQ(first.close(), 0u);
}

// The system DPI of newly started processes comes from the prefix's LogPixels.
class HighDpiWindow : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    set_log_pixels(144);
  }
  void TearDown() override { set_log_pixels(0); }
};

TEST_F(HighDpiWindow, ClientAreaScalesTo144DpiAndStaysCentred) {
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr);
  // (GetDpiForWindow is no witness here: Wine answers with the caller's own system DPI.)
  Geometry g = geometry_of(window);
  EXPECT_EQ(g.client.right, 916);
  EXPECT_EQ(g.client.bottom, 694);
  expect_centred_on_work_area(g);
  EXPECT_EQ(program.close(), 0u);
}

}  // namespace
}  // namespace tw::e2e

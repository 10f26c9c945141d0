#include "update_bar.h"
#include "url_open.h"
#include "win_ui_helpers.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace olib::update;
using olib::update::testing::pump_until;
using olib::update::testing::TestHost;
using namespace std::chrono_literals;

HWND wait_for_bar(HWND not_this = nullptr) {
  HWND bar = nullptr;
  pump_until(
      [&] {
        bar = current_update_bar();
        return bar != nullptr && bar != not_this && IsWindowVisible(bar);
      },
      5s);
  return bar != not_this ? bar : nullptr;
}

RECT rect_of(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool rect_is(HWND window, int left, int top, int right, int bottom) {
  RECT r = rect_of(window);
  return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

std::string describe(HWND window) {
  RECT r = rect_of(window);
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Ends whatever bar is shown and waits until it is gone.
void close_bar() {
  if (HWND bar = current_update_bar()) {
    PostMessageW(bar, WM_APP + 1, 0, 0);
    pump_until([] { return current_update_bar() == nullptr; }, 5s);
  }
}

// Whether this system delivers window-event notifications about other windows at all
// (some Wine versions never raise location and show/hide events): measured, not assumed.
DWORD g_probe_events = 0;
void CALLBACK count_probe_event(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_WINDOW) g_probe_events |= event == EVENT_OBJECT_LOCATIONCHANGE ? 1 : 2;
}

DWORD delivered_window_events() {
  static const DWORD delivered = [] {
    HWINEVENTHOOK location =
        SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, nullptr,
                        count_probe_event, 0, 0, WINEVENT_OUTOFCONTEXT);
    HWINEVENTHOOK visibility = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, nullptr,
                                               count_probe_event, 0, 0, WINEVENT_OUTOFCONTEXT);
    {
      TestHost probe(10, 10, 50, 50);
      SetWindowPos(probe.get(), nullptr, 20, 20, 60, 60, SWP_NOZORDER | SWP_NOACTIVATE);
      ShowWindow(probe.get(), SW_HIDE);
      pump_until([] { return g_probe_events == 3; }, 1s);
    }
    UnhookWinEvent(location);
    UnhookWinEvent(visibility);
    return g_probe_events;
  }();
  return delivered;
}

#define SKIP_WITHOUT_WINDOW_EVENTS()                                                     \
  if (delivered_window_events() != 3)                                                    \
  GTEST_SKIP() << "this system does not deliver location/show/hide window events (mask " \
               << delivered_window_events() << ")"

class UpdateBar : public ::testing::Test {
 protected:
  void TearDown() override {
    close_bar();
    set_url_opener_for_testing({});
  }
};

TEST_F(UpdateBar, IsGluedUnderTheHostWithTheHostsWidth) {
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/", "Update available"),
            std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  wchar_t class_name[64] = {};
  GetClassNameW(bar, class_name, 64);
  EXPECT_STREQ(class_name, L"OLibUpdateBar");
  EXPECT_EQ(GetWindow(bar, GW_OWNER), host.get());
  auto ex_style = GetWindowLongPtrW(bar, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(pump_until([&] { return rect_is(bar, 100, 406, 500, 434); }, 2s)) << describe(bar);
  EXPECT_NE(GetWindowThreadProcessId(bar, nullptr), GetCurrentThreadId());
}

TEST_F(UpdateBar, FollowsTheHostWhenItMoves) {
  SKIP_WITHOUT_WINDOW_EVENTS();
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/", "label"), std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  SetWindowPos(host.get(), nullptr, 220, 150, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(pump_until([&] { return rect_is(bar, 220, 356, 520, 384); }, 3s)) << describe(bar);
}

TEST_F(UpdateBar, HidesWithTheHostAndComesBack) {
  SKIP_WITHOUT_WINDOW_EVENTS();
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/", "label"), std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  ShowWindow(host.get(), SW_HIDE);
  EXPECT_TRUE(pump_until([&] { return !IsWindowVisible(bar); }, 3s));
  ShowWindow(host.get(), SW_SHOWNOACTIVATE);
  EXPECT_TRUE(pump_until([&] { return IsWindowVisible(bar) != FALSE; }, 3s));
}

TEST_F(UpdateBar, GoesAboveAHostNearTheBottomOfTheWorkArea) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  TestHost host(50, work.bottom - 310, 400, 300);  // 10 px left under it: too little
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/", "label"), std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  int host_top = work.bottom - 310;
  EXPECT_TRUE(pump_until([&] { return rect_is(bar, 50, host_top - 34, 450, host_top - 6); }, 2s))
      << describe(bar) << " work bottom " << work.bottom;
}

TEST_F(UpdateBar, ASecondBarReplacesTheFirstAndItsThreadEnds) {
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/1", "one"), std::nullopt);
  HWND first = wait_for_bar();
  ASSERT_NE(first, nullptr);
  DWORD first_thread_id = GetWindowThreadProcessId(first, nullptr);
  HANDLE first_thread = OpenThread(SYNCHRONIZE, FALSE, first_thread_id);
  ASSERT_NE(first_thread, nullptr);

  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/2", "two"), std::nullopt);
  HWND second = wait_for_bar(first);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(pump_until([&] { return !IsWindow(first); }, 3s));
  EXPECT_TRUE(
      pump_until([&] { return WaitForSingleObject(first_thread, 0) == WAIT_OBJECT_0; }, 3s));
  CloseHandle(first_thread);
  EXPECT_EQ(current_update_bar(), second);
  EXPECT_NE(GetWindowThreadProcessId(second, nullptr), first_thread_id);
}

// Bar windows of this process, by class.
int bar_windows() {
  int count = 0;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t class_name[64] = {};
        GetClassNameW(window, class_name, 64);
        if (process == GetCurrentProcessId() && std::wstring(class_name) == L"OLibUpdateBar") {
          ++*reinterpret_cast<int*>(data);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

// Threads of this process: a bar thread ends once its window is gone.
int thread_count() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Requests made before any earlier bar thread has recorded its window still leave one bar,
// the newest request's.
TEST_F(UpdateBar, RequestsInQuickSuccessionLeaveOneBar) {
  std::mutex mutex;
  std::vector<std::string> opened;
  set_url_opener_for_testing([&](const std::string& url, OpenVia) {
    std::lock_guard lock(mutex);
    opened.push_back(url);
  });
  TestHost host(100, 100, 400, 300);
  const int threads_before = thread_count();
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/" + std::to_string(i), "bar"),
              std::nullopt);
  }
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  // Every older thread has made its window and closed it again once one bar thread is left.
  EXPECT_TRUE(pump_until([&] { return thread_count() == threads_before + 1; }, 10s))
      << "bar threads left: " << thread_count() - threads_before;
  EXPECT_EQ(bar_windows(), 1);
  EXPECT_EQ(current_update_bar(), bar);
  // The bar left is the last request's.
  SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(pump_until([&] { return !IsWindow(bar); }, 3s)) << "the clicked bar stayed";
  set_url_opener_for_testing({});
  std::lock_guard lock(mutex);
  EXPECT_EQ(opened, std::vector<std::string>{"https://notify.example/7"});
}

TEST_F(UpdateBar, ClickClosesTheBarAndOpensItsUrl) {
  std::mutex mutex;
  std::vector<std::pair<std::string, OpenVia>> opened;
  set_url_opener_for_testing([&](const std::string& url, OpenVia via) {
    std::lock_guard lock(mutex);
    opened.emplace_back(url, via);
  });
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/page?a=1", "label"), std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(pump_until([&] { return !IsWindow(bar); }, 3s));
  EXPECT_TRUE(pump_until([] { return current_update_bar() == nullptr; }, 3s));
  std::lock_guard lock(mutex);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, "https://notify.example/page?a=1");
  EXPECT_EQ(opened[0].second, OpenVia::shell_open);
}

TEST_F(UpdateBar, GoesAwayWithItsHost) {
  SKIP_WITHOUT_WINDOW_EVENTS();
  TestHost host(100, 100, 400, 300);
  ASSERT_EQ(show_update_bar(host.get(), "https://notify.example/", "label"), std::nullopt);
  HWND bar = wait_for_bar();
  ASSERT_NE(bar, nullptr);
  host.destroy();
  EXPECT_TRUE(pump_until([&] { return !IsWindow(bar); }, 3s));
}

TEST_F(UpdateBar, RefusesMissingUrlBadUrlAndMissingHost) {
  TestHost host(100, 100, 400, 300);
  auto empty = show_update_bar(host.get(), "", "label");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->text(), "[empty_url] 알림 바에 URL 이 없습니다.");
  auto local = show_update_bar(host.get(), "file:///C:/Windows/System32/calc.exe", "label");
  ASSERT_TRUE(local.has_value());
  EXPECT_EQ(local->kind, "bad_url");
  auto share = show_update_bar(host.get(), "\\\\server\\share\\x.exe", "label");
  ASSERT_TRUE(share.has_value());
  EXPECT_EQ(share->kind, "bad_url");
  auto no_host = show_update_bar(nullptr, "https://notify.example/", "label");
  ASSERT_TRUE(no_host.has_value());
  EXPECT_EQ(no_host->text(), "[no_host] 알림 바는 호스트 창 핸들을 요구합니다.");
  HWND gone = host.get();
  host.destroy();
  auto destroyed = show_update_bar(gone, "https://notify.example/", "label");
  ASSERT_TRUE(destroyed.has_value());
  EXPECT_EQ(destroyed->kind, "no_host");
  EXPECT_EQ(current_update_bar(), nullptr);
}

}  // namespace

// The host window for real under Wine: the child window attach() makes, its bounds, the
// activation of its top-level window forwarded to every host, and the subclassing undone
// by the last host (or by the top-level window going away first).

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "document.h"
#include "host_window_win.h"
#include "orlan/orlan.h"
#include "win32_include.h"

namespace {

std::vector<UINT> g_top_messages;

LRESULT CALLBACK top_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_ACTIVATE) g_top_messages.push_back(message);
  return DefWindowProcW(window, message, w, l);
}

void register_class() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = top_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"OrlanHostTestTop";
  RegisterClassW(&window_class);
}

HWND make_top_level() {
  register_class();
  return CreateWindowExW(0, L"OrlanHostTestTop", L"host test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         50, 50, 500, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

struct ViewDeleter {
  void operator()(orlan::View* view) const { orlan::destroy_view(view); }
};
using ViewPtr = std::unique_ptr<orlan::View, ViewDeleter>;

ViewPtr make_view() {
  ViewPtr view(orlan::create_view());
  std::string_view page = "<html><body><p>hi</p></body></html>";
  orlan::load_html(view.get(), page.data(), page.size());
  return view;
}

HWND child_of(HWND parent) {
  return FindWindowExW(parent, nullptr, L"OrlanUIView", nullptr);
}

bool html_has_class(orlan::View* view, std::string_view name) {
  return orlan::has_class(orlan::document_element(orlan::document(view)), name.data(), name.size());
}

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { orlan::install_window_host(); }
};

TEST_F(HostWindowTest, AttachMakesABlankChildWindowAtTheViewBounds) {
  HWND top = make_top_level();
  ASSERT_NE(top, nullptr);
  ViewPtr view = make_view();
  orlan::set_bounds(view.get(), 10, 20, 300, 200);
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);

  HWND child = child_of(top);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(view->host->window, child);
  LONG style = GetWindowLongW(child, GWL_STYLE);
  EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
            WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_TRUE(IsWindowVisible(child));
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 200);

  // The scale comes from the parent's DPI; the document's viewport is in CSS pixels.
  float scale = static_cast<float>(GetDpiForWindow(top)) / 96.0f;
  EXPECT_FLOAT_EQ(view->host->scale, scale);
  EXPECT_FLOAT_EQ(view->document->viewport_width, 300 / scale);
  EXPECT_FLOAT_EQ(view->document->viewport_height, 200 / scale);

  // An empty size still leaves a 1 x 1 window.
  orlan::set_bounds(view.get(), 0, 0, 0, -5);
  GetClientRect(child, &rect);
  EXPECT_EQ(rect.right, 1);
  EXPECT_EQ(rect.bottom, 1);

  // Nothing is drawn yet, but paints are validated rather than repeated forever.
  orlan::set_bounds(view.get(), 0, 0, 100, 100);
  InvalidateRect(child, nullptr, FALSE);
  UpdateWindow(child);
  EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE));

  view.reset();
  EXPECT_FALSE(IsWindow(child));
  DestroyWindow(top);
}

TEST_F(HostWindowTest, AttachRefusesWhatIsNotAWindowAndASecondAttach) {
  ViewPtr view = make_view();
  EXPECT_EQ(orlan::attach(view.get(), reinterpret_cast<void*>(0x12340)), orlan::kHostFailed);
  EXPECT_STREQ(orlan::last_error(), "attach: parent is not a window");
  EXPECT_EQ(view->host, nullptr);

  HWND top = make_top_level();
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  EXPECT_EQ(orlan::attach(view.get(), top), orlan::kAlreadyAttached);
  view.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, TopLevelActivationReachesEveryHostAndTheWindowItself) {
  HWND top = make_top_level();
  // One view straight under the top-level window, one under a panel inside it.
  HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, top,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ViewPtr first = make_view();
  ViewPtr second = make_view();
  ASSERT_EQ(orlan::attach(first.get(), top), orlan::kOk);
  ASSERT_EQ(orlan::attach(second.get(), panel), orlan::kOk);
  EXPECT_EQ(second->host->top_level, top);
  pump();

  g_top_messages.clear();
  SendMessageW(top, WM_ACTIVATE, WA_INACTIVE, 0);
  pump();
  EXPECT_EQ(g_top_messages.size(), 1u);
  EXPECT_TRUE(first->document->window_inactive);
  EXPECT_TRUE(second->document->window_inactive);
  EXPECT_TRUE(html_has_class(first.get(), "ui-window-inactive"));

  SendMessageW(top, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  pump();
  EXPECT_EQ(g_top_messages.size(), 2u);
  EXPECT_FALSE(first->document->window_inactive);
  EXPECT_FALSE(second->document->window_inactive);
  EXPECT_FALSE(html_has_class(second.get(), "ui-window-inactive"));

  first.reset();
  second.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, TheLastHostToLeaveRestoresTheWindowProcedure) {
  HWND top = make_top_level();
  auto original = GetWindowLongPtrW(top, GWLP_WNDPROC);
  ViewPtr first = make_view();
  ViewPtr second = make_view();
  ASSERT_EQ(orlan::attach(first.get(), top), orlan::kOk);
  ASSERT_EQ(orlan::attach(second.get(), top), orlan::kOk);
  EXPECT_NE(GetWindowLongPtrW(top, GWLP_WNDPROC), original);

  first.reset();
  EXPECT_NE(GetWindowLongPtrW(top, GWLP_WNDPROC), original);
  SendMessageW(top, WM_ACTIVATE, WA_INACTIVE, 0);
  pump();
  EXPECT_TRUE(second->document->window_inactive);

  second.reset();
  EXPECT_EQ(GetWindowLongPtrW(top, GWLP_WNDPROC), original);
  g_top_messages.clear();
  SendMessageW(top, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(g_top_messages.size(), 1u);
  DestroyWindow(top);
}

TEST_F(HostWindowTest, ATopLevelWindowDestroyedBeforeItsViewLeavesNothingBehind) {
  HWND top = make_top_level();
  ViewPtr view = make_view();
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  HWND child = child_of(top);
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(view->host->window, nullptr);
  EXPECT_EQ(view->host->top_level, nullptr);
  orlan::set_bounds(view.get(), 0, 0, 50, 50);  // no window to move: nothing happens
  view.reset();

  // A new window with a new view works as the first did.
  HWND again = make_top_level();
  ViewPtr other = make_view();
  ASSERT_EQ(orlan::attach(other.get(), again), orlan::kOk);
  SendMessageW(again, WM_ACTIVATE, WA_INACTIVE, 0);
  pump();
  EXPECT_TRUE(other->document->window_inactive);
  other.reset();
  DestroyWindow(again);
}

}  // namespace

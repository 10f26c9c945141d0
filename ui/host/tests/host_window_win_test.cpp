// The host window for real under Wine: the child window attach() makes, its bounds, the
// activation of its top-level window forwarded to every host, and the subclassing undone
// by the last host (or by the top-level window going away first); input through its
// procedure: characters, the wheel, capture, cursors, the focus across activations, the
// edit menu and the input method.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "host_window_win.h"
#include "input.h"
#include "renderer.h"
#include "computed_style.h"
#include "orlan/orlan.h"
#include "win32_include.h"

#include <imm.h>

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

// Runs this thread's messages until `done` holds or `timeout` passes; true when it held.
template <typename Done>
bool pump_until(Done done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
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

float screen_scale() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<float>(dpi) / 96.0f : 1.0f;
}

TEST_F(HostWindowTest, ScaleFallsBackToTheScreenWithoutGetDpiForWindow) {
  HWND top = make_top_level();
  orlan::set_host_test_switches({.no_dpi_for_window = true});
  EXPECT_FLOAT_EQ(orlan::scale_for_parent(top), screen_scale());
  ViewPtr view = make_view();
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  EXPECT_FLOAT_EQ(view->host->scale, screen_scale());
  orlan::set_host_test_switches({});
  view.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, AChildWindowRescalesWhenItsParentsDpiChanges) {
  HWND top = make_top_level();
  ViewPtr view = make_view();
  orlan::set_bounds(view.get(), 0, 0, 300, 150);
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  const float scale = view->host->scale;
  // As if the window had been on a monitor at twice the DPI.
  view->host->scale = scale * 2;
  orlan::set_viewport(*view->document, 150 / scale, 75 / scale);
  // Child windows get WM_DPICHANGED_AFTERPARENT, never WM_DPICHANGED.
  SendMessageW(view->host->window, 0x02E3, 0, 0);
  EXPECT_FLOAT_EQ(view->host->scale, scale);
  EXPECT_FLOAT_EQ(view->document->viewport_width, 300 / scale);
  EXPECT_FLOAT_EQ(view->document->viewport_height, 150 / scale);
  view.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, ClosingIsNotHeldUpByALongFrameDelay) {
  HWND top = make_top_level();
  for (double delay : {1e12, 3.6e6, std::nan(""), -5.0}) {
    ViewPtr view = make_view();
    ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
    ASSERT_TRUE(view->host->pacing.joinable());
    // The pacing thread is asked for a frame that an animation says is far away.
    view->host->frame_delay_ms.store(delay);
    SetEvent(view->host->wake);
    // The request is taken once the (auto-reset) event is no longer set; a look that finds it
    // still set takes it too, so it is set again for the thread.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (WaitForSingleObject(view->host->wake, 0) == WAIT_OBJECT_0) {
      SetEvent(view->host->wake);
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the pacing thread never woke";
      Sleep(1);
    }
    auto start = std::chrono::steady_clock::now();
    view.reset();  // stops and joins the thread
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(5)) << "delay " << delay;
  }
  DestroyWindow(top);
}

TEST_F(HostWindowTest, PacingThreadPostsTheFrameDueMessageWithoutDwmFlush) {
  HWND top = make_top_level();
  orlan::set_host_test_switches({.no_dwm_flush = true});
  ViewPtr view = make_view();
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  orlan::set_host_test_switches({});
  view->host->frame_delay_ms.store(20);
  SetEvent(view->host->wake);
  MSG message;
  bool due = false;
  for (int i = 0; i < 200 && !due; ++i) {
    due = PeekMessageW(&message, view->host->window, orlan::kFrameDueMessage,
                       orlan::kFrameDueMessage, PM_REMOVE) != FALSE;
    if (!due) Sleep(10);
  }
  EXPECT_TRUE(due) << "no frame-due message within 2 s of a 20 ms frame delay";
  view.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, ClipboardRoundTripIsOwnedByTheHostWindow) {
  HWND top = make_top_level();
  ViewPtr view = make_view();
  ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
  HWND host = view->host->window;
  const std::string text = "Tapwright \xED\x83\xAD \xF0\x9F\x98\x80 line\nnext";
  ASSERT_TRUE(orlan::set_clipboard_text(host, text.data(), text.size()));
  EXPECT_EQ(GetClipboardOwner(), host);
  EXPECT_EQ(orlan::clipboard_text(), text);
  // Another program's text with its terminating zero, read as UTF-8.
  ASSERT_TRUE(OpenClipboard(top));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
  auto* units = static_cast<wchar_t*>(GlobalLock(memory));
  units[0] = L'a';
  units[1] = 0xE9;
  units[2] = L'b';
  units[3] = 0;
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  EXPECT_EQ(orlan::clipboard_text(), "a\xC3\xA9" "b");
  // An empty text empties it.
  ASSERT_TRUE(orlan::set_clipboard_text(host, nullptr, 0));
  EXPECT_EQ(orlan::clipboard_text(), "");
  view.reset();
  DestroyWindow(top);
}

TEST_F(HostWindowTest, TheStylePassRunsTransitionsOnceTheHostIsInstalled) {
  ViewPtr view = make_view();
  std::string_view css = "p { opacity: 1; transition: opacity 1s linear } p.off { opacity: 0 }";
  ASSERT_EQ(orlan::load_css(view.get(), css.data(), css.size()), orlan::kOk);
  orlan::Document& document = *view->document;
  EXPECT_EQ(orlan::style_pass(document, 1000), 0u);
  orlan::Node* p = orlan::first_child(document.body);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(orlan::add_class(p, "off", 3), orlan::kOk);
  EXPECT_EQ(orlan::style_pass(document, 1010), 1u);
  EXPECT_EQ(orlan::style_pass(document, 1500), 1u);
  EXPECT_NEAR(p->style->opacity, 0.51f, 0.02f);
  EXPECT_EQ(orlan::style_pass(document, 2100), 0u);
}

// A page with a text field, a scrolling box and a pointer area, attached and drawn once.
class HostInput : public HostWindowTest {
 protected:
  void SetUp() override {
    HostWindowTest::SetUp();
    top = make_top_level();
    view.reset(orlan::create_view());
    std::string_view page =
        "<html><body><input id=field><div id=scroller><div id=tall>x</div></div>"
        "<div id=hand>hand</div></body></html>";
    std::string_view css =
        "body { margin: 0 } #field { display: block; width: 200px; height: 24px }"
        "#scroller { height: 100px; overflow: auto } #tall { height: 50000px }"
        "#hand { height: 40px; cursor: pointer }";
    orlan::load_html(view.get(), page.data(), page.size());
    orlan::load_css(view.get(), css.data(), css.size());
    orlan::set_bounds(view.get(), 0, 0, 400, 300);
    ASSERT_EQ(orlan::attach(view.get(), top), orlan::kOk);
    host = view->host->window;
    frame();
  }
  void TearDown() override {
    view.reset();
    DestroyWindow(top);
  }
  void frame() {
    InvalidateRect(host, nullptr, FALSE);
    UpdateWindow(host);
  }
  orlan::Node* id(const char* name) {
    return orlan::get_element_by_id(view->document, name, std::strlen(name));
  }
  // A client position in device pixels for a document point.
  LPARAM at(float x, float y) {
    float scale = view->host->effective_scale();
    return MAKELPARAM(static_cast<int>(x * scale), static_cast<int>(y * scale));
  }
  std::string field_value() {
    std::size_t length = 0;
    const char* text = orlan::value(id("field"), &length);
    return std::string(text, length);
  }

  HWND top = nullptr;
  HWND host = nullptr;
  ViewPtr view;
};

TEST_F(HostInput, CharactersAreJoinedAndControlCharactersIgnored) {
  orlan::set_focus(*view->document, id("field"));
  SendMessageW(host, WM_CHAR, 'a', 1);
  SendMessageW(host, WM_CHAR, 0xD83D, 1);  // U+1F600 as two messages
  SendMessageW(host, WM_CHAR, 0xDE00, 1);
  SendMessageW(host, WM_CHAR, 0xDC00, 1);  // a low surrogate alone: dropped
  SendMessageW(host, WM_CHAR, 0xD83D, 1);  // a high surrogate followed by a character
  SendMessageW(host, WM_CHAR, 'b', 1);
  SendMessageW(host, WM_CHAR, 0x1B, 1);  // control characters are no text
  SendMessageW(host, WM_CHAR, 0x7F, 1);
  EXPECT_EQ(field_value(), "a\xF0\x9F\x98\x80" "b");
  // Backspace arrives as a key and deletes the last character.
  EXPECT_EQ(SendMessageW(host, WM_KEYDOWN, VK_BACK, 1), 0);
  EXPECT_EQ(field_value(), "a\xF0\x9F\x98\x80");
}

TEST_F(HostInput, WheelScrollsByNotches) {
  orlan::Node* scroller = id("scroller");
  ASSERT_NE(scroller, nullptr);
  POINT screen{20, 24 + 50};
  float scale = view->host->effective_scale();
  screen.x = static_cast<LONG>(screen.x * scale);
  screen.y = static_cast<LONG>(screen.y * scale);
  ClientToScreen(host, &screen);
  SendMessageW(host, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               MAKELPARAM(screen.x, screen.y));
  EXPECT_FLOAT_EQ(scroller->scroll_y, 100);  // one notch, not 120 of them
  SendMessageW(host, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)),
               MAKELPARAM(screen.x, screen.y));
  EXPECT_FLOAT_EQ(scroller->scroll_y, 400);
}

TEST_F(HostInput, APressFocusesAndCapturesUntilTheRelease) {
  SetFocus(top);
  SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  EXPECT_EQ(GetCapture(), host);
  EXPECT_EQ(GetFocus(), host);
  EXPECT_EQ(view->document->focused, id("field"));
  SendMessageW(host, WM_LBUTTONUP, 0, at(10, 10));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(HostInput, CursorFollowsTheElementUnderThePointer) {
  SendMessageW(host, WM_MOUSEMOVE, 0, at(10, 24 + 100 + 10));
  ASSERT_EQ(view->document->hovered, id("hand"));
  EXPECT_EQ(SendMessageW(host, WM_SETCURSOR, reinterpret_cast<WPARAM>(host), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  SendMessageW(host, WM_MOUSEMOVE, 0, at(10, 10));
  SendMessageW(host, WM_SETCURSOR, reinterpret_cast<WPARAM>(host), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_IBEAM));  // the text field's `cursor: text`
}

TEST_F(HostInput, MessagesWithFixedAnswers) {
  EXPECT_EQ(SendMessageW(host, WM_GETDLGCODE, 0, 0), 0x87);
  EXPECT_EQ(SendMessageW(host, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(SendMessageW(host, WM_SYSCHAR, 'x', 0), 0);
  EXPECT_EQ(SendMessageW(host, WM_IME_CHAR, 'x', 0), 0);
}

TEST_F(HostInput, CaretTimerRunsWhileATextControlHasTheFocus) {
  EXPECT_FALSE(view->host->caret_timer);
  orlan::set_focus(*view->document, id("field"));
  frame();
  EXPECT_TRUE(view->host->caret_timer);
  orlan::set_focus(*view->document, nullptr);
  frame();
  EXPECT_FALSE(view->host->caret_timer);
}

TEST_F(HostInput, AFrameThatKeepsFailingIsRetriedOnATimerNotAtOnce) {
  const std::int32_t kFailed = static_cast<std::int32_t>(0x80004005);  // E_FAIL from EndDraw
  for (int i = 0; i < 3; ++i) {
    orlan::render::inject_failures_for_test(kFailed, 0);
    frame();
    // The first failures repaint at once (a lost device is rebuilt by the next frame).
    EXPECT_TRUE(GetUpdateRect(host, nullptr, FALSE)) << "failure " << i + 1;
    EXPECT_FALSE(view->host->retry_timer);
  }
  orlan::render::inject_failures_for_test(kFailed, 0);
  frame();
  // Then the next try waits for the retry timer instead of spinning.
  EXPECT_FALSE(GetUpdateRect(host, nullptr, FALSE));
  EXPECT_TRUE(view->host->retry_timer);
  EXPECT_EQ(view->host->retry.failures(), 4u);
  // The timer's frame draws and the count starts again.
  for (int i = 0; i < 100 && view->host->retry.failures() != 0; ++i) {
    Sleep(20);
    pump();
  }
  EXPECT_EQ(view->host->retry.failures(), 0u) << "the retry timer's frame did not draw within 2 s";
  EXPECT_FALSE(view->host->retry_timer);
  EXPECT_NE(view->host->renderer, nullptr);
}

// Another application's window takes the activation, then the page's window gets it back:
// the keyboard focus returns to the host and the page keeps its focused field.
TEST_F(HostInput, TheFocusComesBackToTheFocusedFieldWhenTheWindowIsActivatedAgain) {
  ASSERT_TRUE(pump_until([&] { return SetForegroundWindow(top) && GetForegroundWindow() == top; },
                         std::chrono::seconds(10)))
      << "the test window never came to the front";
  SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  SendMessageW(host, WM_LBUTTONUP, 0, at(10, 10));
  ASSERT_EQ(GetFocus(), host);
  ASSERT_EQ(view->document->focused, id("field"));

  HWND other = CreateWindowExW(0, L"OrlanHostTestTop", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               600, 50, 200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(pump_until([&] { return SetForegroundWindow(other) && GetForegroundWindow() == other; },
                         std::chrono::seconds(10)))
      << "the other window never came to the front";
  EXPECT_NE(GetFocus(), host);
  EXPECT_TRUE(pump_until([&] { return view->document->window_inactive; },
                         std::chrono::seconds(10)))
      << "the page never saw the deactivation";

  EXPECT_TRUE(pump_until([&] { return SetForegroundWindow(top) && GetFocus() == host; },
                         std::chrono::seconds(10)))
      << "the keyboard focus did not come back to the page";
  EXPECT_EQ(view->document->focused, id("field"));
  EXPECT_TRUE(pump_until([&] { return !view->document->window_inactive; },
                         std::chrono::seconds(10)))
      << "the page stayed inactive";
  DestroyWindow(other);
}

// The edit menu a right click opens in a text field, chosen from with the keyboard as a
// person would: Paste puts the clipboard's text into the field.
std::uint8_t g_menu_command = 0;
bool g_menu_seen = false;

void CALLBACK choose_from_edit_menu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu_window = FindWindowW(L"#32768", nullptr);
  if (!menu_window || !IsWindowVisible(menu_window)) return;
  KillTimer(nullptr, timer);
  g_menu_seen = true;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, 0x01E1 /* MN_GETHMENU */, 0, 0));
  int downs = 0;
  bool found = false;
  for (int i = 0, n = GetMenuItemCount(menu); i < n && !found; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id == 0) continue;  // a separator, which the keys skip
    ++downs;
    found = id == g_menu_command;
  }
  if (!found) {
    PostMessageW(menu_window, WM_KEYDOWN, VK_ESCAPE, 0);
    return;
  }
  for (int i = 0; i < downs; ++i) PostMessageW(menu_window, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu_window, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(HostInput, TheEditMenuOfARightClickPastesIntoTheField) {
  ASSERT_TRUE(orlan::set_clipboard_text(host, "pasted", 6));
  g_menu_command = 4;  // Paste
  g_menu_seen = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, choose_from_edit_menu);
  // A safety net: a menu that never takes its keys is closed after 10 s.
  UINT_PTR net = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
  SendMessageW(host, WM_RBUTTONDOWN, MK_RBUTTON, at(10, 10));
  SendMessageW(host, WM_RBUTTONUP, 0, at(10, 10));
  KillTimer(nullptr, timer);
  KillTimer(nullptr, net);
  EXPECT_TRUE(g_menu_seen) << "no menu came up";
  EXPECT_EQ(view->document->focused, id("field"));
  EXPECT_EQ(field_value(), "pasted");
}

// The input method follows the focus: a context while a text field has it, placed at the
// caret; none once the focus is elsewhere, so that keys reach the page untouched.
TEST_F(HostInput, TheInputMethodIsOnOnlyInATextFieldAndSitsAtItsCaret) {
  SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  SendMessageW(host, WM_LBUTTONUP, 0, at(10, 10));
  ASSERT_EQ(view->document->focused, id("field"));
  SendMessageW(host, WM_CHAR, 'a', 1);
  frame();
  SendMessageW(host, WM_IME_STARTCOMPOSITION, 0, 0);
  HIMC context = ImmGetContext(host);
  ASSERT_NE(context, nullptr) << "no input method in the text field";
  COMPOSITIONFORM form{};
  ASSERT_TRUE(ImmGetCompositionWindow(context, &form));
  EXPECT_EQ(form.dwStyle, static_cast<DWORD>(CFS_POINT));
  // At the caret's bottom, after the one character: inside the field, right of its start.
  const float scale = view->host->effective_scale();
  EXPECT_GT(form.ptCurrentPos.x, 0);
  EXPECT_LT(form.ptCurrentPos.x, static_cast<LONG>(200 * scale));
  EXPECT_GT(form.ptCurrentPos.y, 0);
  EXPECT_LE(form.ptCurrentPos.y, static_cast<LONG>(24 * scale) + 1);
  ImmReleaseContext(host, context);
  SendMessageW(host, WM_IME_ENDCOMPOSITION, 0, 0);

  // A press outside the field takes the focus from it.
  SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 24 + 100 + 10));
  SendMessageW(host, WM_LBUTTONUP, 0, at(10, 24 + 100 + 10));
  ASSERT_NE(view->document->focused, id("field"));
  SendMessageW(host, WM_KEYDOWN, VK_SHIFT, 1);
  SendMessageW(host, WM_KEYUP, VK_SHIFT, 0xC0000001);
  context = ImmGetContext(host);
  EXPECT_EQ(context, nullptr) << "the input method stayed after the field lost the focus";
  if (context) ImmReleaseContext(host, context);
}

}  // namespace

#include "host_window_win.h"

#include <imm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

#include "animations.h"
#include "computed_style.h"
#include "cursor_table.h"
#include "document.h"
#include "edit_menu.h"
#include "image_set.h"
#include "input.h"
#include "last_error.h"
#include "layout_input_hooks.h"
#include "properties.h"
#include "layout_box.h"
#include "renderer.h"
#include "utf.h"

#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace orlan {

namespace {

constexpr const wchar_t* kHostClass = L"OrlanUIView";

HostTestSwitches g_switches;

// ---- Scale ---------------------------------------------------------------------------------

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn dpi_for_window_function() {
  // Looked up at run time once: older systems do not have it.
  static GetDpiForWindowFn function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(GetProcAddress(user32, "GetDpiForWindow"))
                  : nullptr;
  }();
  return g_switches.no_dpi_for_window ? nullptr : function;
}

float scale_for_window(HWND window) {
  if (GetDpiForWindowFn dpi_for_window = dpi_for_window_function()) {
    if (UINT dpi = dpi_for_window(window)) return static_cast<float>(dpi) / 96.0f;
  }
  if (HDC screen = GetDC(nullptr)) {
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) return static_cast<float>(dpi) / 96.0f;
  }
  return 1.0f;
}

float css_width(const HostWindow& host) {
  return static_cast<float>(host.client_width) / host.effective_scale();
}
float css_height(const HostWindow& host) {
  return static_cast<float>(host.client_height) / host.effective_scale();
}

void update_viewport(HostWindow& host) {
  set_viewport(*host.view->document, css_width(host), css_height(host));
}

// A window-message position in device pixels to CSS pixels.
void to_css(const HostWindow& host, LPARAM l, float& x, float& y) {
  float scale = host.effective_scale();
  x = static_cast<float>(static_cast<short>(LOWORD(l))) / scale;
  y = static_cast<float>(static_cast<short>(HIWORD(l))) / scale;
}

// The host's own repaint requests: the frame then treats the paint as asked for.
void invalidate_window(HostWindow& host) {
  if (!host.window) return;
  host.view->repaint_pending = true;
  InvalidateRect(host.window, nullptr, FALSE);
}

// ---- Top-level windows ---------------------------------------------------------------------

// Every top-level window that hosts are registered with, and the window procedure it had
// before it was subclassed. Process-wide; hosts of different threads may share the list.
struct TopLevel {
  HWND window = nullptr;
  WNDPROC previous = nullptr;
  HostWindow* hosts = nullptr;
  TopLevel* next = nullptr;
};

std::mutex g_top_levels_lock;
TopLevel* g_top_levels = nullptr;

TopLevel* find_top_level(HWND window) {
  for (TopLevel* entry = g_top_levels; entry; entry = entry->next) {
    if (entry->window == window) return entry;
  }
  return nullptr;
}

void drop_top_level(TopLevel* entry) {
  for (TopLevel** link = &g_top_levels; *link; link = &(*link)->next) {
    if (*link == entry) {
      *link = entry->next;
      delete entry;
      return;
    }
  }
}

LRESULT CALLBACK top_level_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  WNDPROC previous = nullptr;
  {
    std::lock_guard lock(g_top_levels_lock);
    TopLevel* entry = find_top_level(window);
    if (!entry) return DefWindowProcW(window, message, w, l);
    previous = entry->previous;
    if (message == WM_ACTIVATE) {
      // Posted, not sent: the host reacts once the activation itself is over.
      WPARAM active = LOWORD(w) != WA_INACTIVE ? 1 : 0;
      for (HostWindow* host = entry->hosts; host; host = host->next_in_top_level) {
        if (host->window) PostMessageW(host->window, kTopActivateMessage, active, 0);
      }
    } else if (message == WM_NCDESTROY) {
      // The window goes away before its hosts are detached: they forget it, and the
      // window's own procedure gets its last message.
      for (HostWindow* host = entry->hosts; host;) {
        HostWindow* next = host->next_in_top_level;
        host->top_level = nullptr;
        host->next_in_top_level = nullptr;
        host = next;
      }
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      drop_top_level(entry);
    }
  }
  return CallWindowProcW(previous, window, message, w, l);
}

// False when the top-level window cannot be subclassed; the host then runs without
// activation forwarding.
bool register_with_top_level(HostWindow& host, HWND top_level) {
  std::lock_guard lock(g_top_levels_lock);
  TopLevel* entry = find_top_level(top_level);
  if (!entry) {
    entry = new (std::nothrow) TopLevel();
    if (!entry) return false;
    entry->window = top_level;
    entry->previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        top_level, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&top_level_proc)));
    if (!entry->previous) {
      delete entry;
      return false;
    }
    entry->next = g_top_levels;
    g_top_levels = entry;
  }
  host.top_level = top_level;
  host.next_in_top_level = entry->hosts;
  entry->hosts = &host;
  return true;
}

void unregister_from_top_level(HostWindow& host) {
  std::lock_guard lock(g_top_levels_lock);
  if (!host.top_level) return;
  TopLevel* entry = find_top_level(host.top_level);
  host.top_level = nullptr;
  if (!entry) return;
  for (HostWindow** link = &entry->hosts; *link; link = &(*link)->next_in_top_level) {
    if (*link == &host) {
      *link = host.next_in_top_level;
      break;
    }
  }
  host.next_in_top_level = nullptr;
  if (entry->hosts) return;
  // The last host leaves: put the old procedure back, unless someone subclassed the
  // window after us (then ours stays and passes everything on).
  auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(entry->window, GWLP_WNDPROC));
  if (current == &top_level_proc) {
    SetWindowLongPtrW(entry->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->previous));
    drop_top_level(entry);
  }
}

// ---- Frame pacing --------------------------------------------------------------------------

using DwmFlushFn = HRESULT(WINAPI*)();

// Not in MinGW's headers; systems before Windows 10 1803 refuse it and the thread waits on
// its wake event with a timeout instead.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A longer delay than any animation reports is looked at again after this long.
constexpr double kLongestPacingWait = anim::kMaxFrameDelay;

// Waits `ms` on the timer (or, without one, on the event alone), waking early when the
// wake event is signalled. True when the whole time passed.
bool wait_on(HostWindow& host, double ms) {
  if (!(ms > 0)) return true;
  ms = std::min(ms, kLongestPacingWait);  // clamped before it becomes a 100 ns count
  const DWORD bound = static_cast<DWORD>(ms) + 1;
  if (host.timer) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(ms * 10000.0);  // relative, 100 ns units
    if (SetWaitableTimer(host.timer, &due, 0, nullptr, nullptr, FALSE)) {
      HANDLE both[2] = {host.wake, host.timer};
      DWORD woken = WaitForMultipleObjects(2, both, FALSE, bound);
      if (woken == WAIT_OBJECT_0) {
        CancelWaitableTimer(host.timer);
        return false;
      }
      return true;
    }
  }
  return WaitForSingleObject(host.wake, ms < 1 ? 1 : bound - 1) != WAIT_OBJECT_0;
}

void pacing_loop(HostWindow& host, HWND window, bool use_dwm_flush) {
  HMODULE dwmapi = use_dwm_flush ? LoadLibraryW(L"dwmapi.dll") : nullptr;
  auto dwm_flush =
      dwmapi ? reinterpret_cast<DwmFlushFn>(GetProcAddress(dwmapi, "DwmFlush")) : nullptr;
  bool woken = false;
  for (;;) {
    if (!woken) WaitForSingleObject(host.wake, INFINITE);
    woken = false;
    if (host.stop) break;
    // A new request during the wait (or the stop) ends it: the newest frame's delay counts.
    if (!wait_on(host, host.frame_delay_ms.load() - 2.0)) {
      woken = true;
      continue;
    }
    if (host.stop) break;
    if (!dwm_flush || FAILED(dwm_flush())) {
      if (!wait_on(host, 0.5)) {
        woken = true;
        continue;
      }
    }
    if (host.stop) break;
    PostMessageW(window, kFrameDueMessage, 0, 0);
  }
  if (dwmapi) FreeLibrary(dwmapi);
}

void start_pacing(HostWindow& host) {
  host.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  host.timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
  if (!host.wake) {
    if (host.timer) CloseHandle(host.timer);
    host.timer = nullptr;
    return;
  }
  try {
    host.pacing = std::thread([&host, window = host.window, dwm = !g_switches.no_dwm_flush] {
      pacing_loop(host, window, dwm);
    });
  } catch (...) {
    // Without the thread the host invalidates at once instead.
    CloseHandle(host.wake);
    host.wake = nullptr;
    if (host.timer) CloseHandle(host.timer);
    host.timer = nullptr;
  }
}

void stop_pacing(HostWindow& host) {
  if (host.pacing.joinable()) {
    host.stop = true;
    SetEvent(host.wake);
    host.pacing.join();
  }
  if (host.wake) CloseHandle(host.wake);
  if (host.timer) CloseHandle(host.timer);
  host.wake = nullptr;
  host.timer = nullptr;
}

// ---- Drawing -------------------------------------------------------------------------------

class WindowSurface final : public host::FrameSurface {
 public:
  explicit WindowSurface(HostWindow& host) : m_host(host) {}

  const TextMeasurer& text_measurer() override { return render::text_measurer(); }

  Prepared prepare() override {
    if (!m_host.window || m_host.client_width <= 0 || m_host.client_height <= 0)
      return Prepared::kEmpty;
    if (m_host.renderer) return Prepared::kReady;
    m_host.renderer = render::create_renderer(m_host.window, m_host.client_width,
                                              m_host.client_height, m_host.effective_scale());
    if (!m_host.renderer) {
      std::fprintf(stderr, "[orlan] renderer: %s\n", last_error());
      return Prepared::kFailed;
    }
    return Prepared::kCreated;
  }

  bool draw(const DisplayList& list, const AtomTable& atoms, std::uint32_t clear_color,
            const Rect* damage, const ItemBounds& bounds) override {
    if (render::render(*m_host.renderer, list, atoms, clear_color, damage, bounds)) return true;
    render::destroy_renderer(m_host.renderer);
    m_host.renderer = nullptr;
    return false;
  }

 private:
  HostWindow& m_host;
};

double counter_now_ms() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  static const LONGLONG origin = [] {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return 1000.0 * static_cast<double>(count.QuadPart - origin) / static_cast<double>(frequency);
}

void set_timer_state(HostWindow& host, UINT_PTR id, bool& active, bool wanted, UINT ms) {
  if (active == wanted) return;
  active = wanted;
  if (wanted) SetTimer(host.window, id, ms, nullptr);
  else KillTimer(host.window, id);
}

bool focused_accepts_text(const Document& document) {
  return accepts_text(document);
}

// The `cursor` keyword of the element under the pointer (inherited by its descendants).
std::uint16_t cursor_keyword(const Document& document) {
  const Node* hovered = document.hovered;
  if (!live_element(hovered) || !hovered->style) return css::kw::Auto;
  return hovered->style->cursor;
}

// After the frame: the animation state for the pacing thread, and the timers.
void after_frame(HostWindow& host, const host::FrameResult& result) {
  host.frame_delay_ms.store(result.frame_delay);
  host.animating = result.running > 0;
  if (!host.animating) set_timer_state(host, kRepaintTimer, host.repaint_timer, false, 16);
  Document& document = *host.view->document;
  set_timer_state(host, kCaretTimer, host.caret_timer, caret_blink_wanted(document), 500);
  // An edit or a caret move restarts the blink: the caret stays on while the user types.
  const std::uint32_t blink = caret_blink_generation(document);
  if (host.caret_timer && blink != host.caret_blink_generation) SetTimer(host.window, kCaretTimer, 500, nullptr);
  host.caret_blink_generation = blink;
  set_timer_state(host, kTooltipTimer, host.tooltip_timer, tooltip_pending(document), 600);
  // A new candidate while the timer runs waits the whole delay as well.
  const std::uint32_t tooltip = tooltip_generation(document);
  if (host.tooltip_timer && tooltip != host.tooltip_generation)
    SetTimer(host.window, kTooltipTimer, 600, nullptr);
  host.tooltip_generation = tooltip;
}

// With "ORLAN_TEST_SEAMS" set, this message asks for the next frame's pixels in the file
// named by "ORLAN_TEST_CAPTURE": "W H\n" and then W x H 0xAARRGGBB pixels, row by row.
UINT capture_frame_message() {
  static const UINT message =
      std::getenv("ORLAN_TEST_SEAMS") ? RegisterWindowMessageW(L"OrlanUI.CaptureFrame") : 0;
  return message;
}

void write_captured_frame(HostWindow& host) {
  host.capture_requested = false;
  const char* path = std::getenv("ORLAN_TEST_CAPTURE");
  std::int32_t width = 0, height = 0;
  const std::uint32_t* pixels =
      host.renderer ? render::captured_frame_for_test(*host.renderer, &width, &height) : nullptr;
  if (host.renderer) render::set_frame_capture_for_test(*host.renderer, false);
  if (!path || !pixels) return;
  std::string temporary = std::string(path) + ".part";
  if (std::FILE* file = std::fopen(temporary.c_str(), "wb")) {
    std::fprintf(file, "%d %d\n", static_cast<int>(width), static_cast<int>(height));
    std::fwrite(pixels, sizeof *pixels, static_cast<std::size_t>(width) * height, file);
    std::fclose(file);
    std::remove(path);
    std::rename(temporary.c_str(), path);
  }
}

void paint(HostWindow& host) {
  PAINTSTRUCT paint_struct;
  BeginPaint(host.window, &paint_struct);
  WindowSurface surface(host);
  // A paint the document did not ask for comes from the system (the window was uncovered):
  // then everything is drawn again.
  if (!host.view->repaint_pending && !host.animating) host.frame.force_full = true;
  host.view->repaint_pending = false;
  const host::FrameResult result =
      host::run_frame(*host.view, host.frame, surface, css_width(host), css_height(host),
                      counter_now_ms, host::frame_options_from_environment(), stderr);
  EndPaint(host.window, &paint_struct);
  // What the frame itself marked (an animation's tick) is the pacing thread's business.
  host.view->repaint_pending = false;
  if (!host.window) return;
  host.last_frame = result;
  after_frame(host, result);

  if (result.failed) {
    // The next frame makes a new renderer and draws everything; a renderer that keeps
    // failing is tried again later rather than in a busy loop.
    host.frame.force_full = true;
    if (std::uint32_t delay = host.retry.after_failure()) {
      host.retry_timer = true;
      SetTimer(host.window, kRetryTimer, delay, nullptr);
    } else {
      invalidate_window(host);
    }
  } else if (result.drawn) {
    host.retry.after_success();
    if (host.capture_requested) {
      std::int32_t width = 0, height = 0;
      if (render::captured_frame_for_test(*host.renderer, &width, &height)) {
        write_captured_frame(host);
      } else {
        // The renderer was new: it captures from its next frame on.
        render::set_frame_capture_for_test(*host.renderer, true);
        host.frame.force_full = true;
        invalidate_window(host);
      }
    }
  }

  if (!host.animating) return;
  const bool minimised = host.top_level && IsIconic(host.top_level);
  const bool occluded = host.renderer && render::occluded(*host.renderer);
  if (minimised || occluded) {
    set_timer_state(host, kRepaintTimer, host.repaint_timer, true, 16);
  } else {
    set_timer_state(host, kRepaintTimer, host.repaint_timer, false, 16);
    if (host.pacing.joinable()) SetEvent(host.wake);
    else invalidate_window(host);
  }
}

// ---- Keyboard and input method -------------------------------------------------------------

std::uint32_t current_modifiers() {
  auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  return host::modifier_bits(down(VK_SHIFT), down(VK_CONTROL), down(VK_MENU),
                             down(VK_LWIN) || down(VK_RWIN));
}

// The caret's bottom-left in device pixels: where the input method's windows go.
POINT caret_point(const HostWindow& host) {
  Document& document = *host.view->document;
  BoxRect caret;
  if (!caret_rect(document, &caret) && live_element(document.focused)) {
    Rect box = absolute_position(*document.focused);
    caret = BoxRect{box.x, box.y, 0, box.height};
  }
  float scale = host.effective_scale();
  return POINT{static_cast<LONG>(std::lround(caret.x * scale)),
               static_cast<LONG>(std::lround((caret.y + caret.height) * scale))};
}

void update_input_method(HostWindow& host) {
  if (!host.window) return;
  const bool accepts = focused_accepts_text(*host.view->document);
  if (accepts != host.input_method_enabled) {
    // The default context while a text control has the focus; none elsewhere, so that
    // keys reach the page untouched.
    ImmAssociateContextEx(host.window, nullptr, accepts ? IACE_DEFAULT : 0);
    host.input_method_enabled = accepts;
  }
  if (!accepts) return;
  HIMC context = ImmGetContext(host.window);
  if (!context) return;
  POINT at = caret_point(host);
  COMPOSITIONFORM composition{};
  composition.dwStyle = CFS_POINT;
  composition.ptCurrentPos = at;
  ImmSetCompositionWindow(context, &composition);
  CANDIDATEFORM candidate{};
  candidate.dwIndex = 0;
  candidate.dwStyle = CFS_CANDIDATEPOS;
  candidate.ptCurrentPos = at;
  ImmSetCandidateWindow(context, &candidate);
  ImmReleaseContext(host.window, context);
}

// A composition that ended waits (private message 0x403) in case its result text follows;
// the next key or character ends it first.
void end_finished_composition(HostWindow& host) {
  if (!host.composition_ended) return;
  host.composition_ended = false;
  composition_end(*host.view->document);
}

std::u16string composition_string(HIMC context, DWORD kind) {
  LONG bytes = ImmGetCompositionStringW(context, kind, nullptr, 0);
  if (bytes <= 0) return {};
  std::u16string text(static_cast<std::size_t>(bytes) / sizeof(char16_t), u'\0');
  bytes = ImmGetCompositionStringW(context, kind, text.data(), static_cast<DWORD>(bytes));
  text.resize(bytes > 0 ? static_cast<std::size_t>(bytes) / sizeof(char16_t) : 0);
  return text;
}

void handle_composition(HostWindow& host, LPARAM flags) {
  Document& document = *host.view->document;
  if (!focused_accepts_text(document)) return;
  if (flags == 0) {
    composition_end(document);
    return;
  }
  HIMC context = ImmGetContext(host.window);
  if (!context) return;
  if (flags & GCS_RESULTSTR) {
    std::string text = tw::utf16_to_utf8(composition_string(context, GCS_RESULTSTR));
    composition_commit(document, text.data(), text.size());
  }
  if (flags & GCS_COMPSTR) {
    std::u16string units = composition_string(context, GCS_COMPSTR);
    LONG cursor = ImmGetCompositionStringW(context, GCS_CURSORPOS, nullptr, 0);
    if (cursor <= 0) {
      // No cursor position: the caret goes to the first converted (attributed) unit.
      BYTE attributes[64];
      LONG count = ImmGetCompositionStringW(context, GCS_COMPATTR, attributes, sizeof attributes);
      cursor = 0;
      for (LONG i = 0; i < count && i < 64; ++i) {
        if (attributes[i]) {
          cursor = i;
          break;
        }
      }
    }
    std::string text = tw::utf16_to_utf8(units);
    composition_update(document, text.data(), text.size(),
                       host::utf8_offset_of(units.data(), units.size(),
                                            static_cast<std::size_t>(cursor)));
  }
  ImmReleaseContext(host.window, context);
}

// The character the key produces (0: none), and the dead-key flag.
std::uint32_t key_character(HostWindow& host, UINT virtual_key, LPARAM l) {
  const UINT mapped = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_CHAR);
  wchar_t units[8];
  int count = 0;
  if (host::should_ask_layout(mapped, host.dead_key)) {
    BYTE state[256];
    if (GetKeyboardState(state))
      count = ToUnicode(virtual_key, (l >> 16) & 0xFF, state, units, 8, 0);
  }
  host::KeyCharacter produced =
      host::produced_character(mapped, reinterpret_cast<const char16_t*>(units), count);
  if (produced.dead) host.dead_key = true;
  return produced.code_point;
}

bool handle_key(HostWindow& host, bool down, WPARAM w, LPARAM l) {
  end_finished_composition(host);
  const UINT virtual_key = static_cast<UINT>(w);
  const std::uint32_t code =
      host::engine_key_code(virtual_key, MapVirtualKeyW(virtual_key, MAPVK_VK_TO_CHAR));
  const std::uint32_t modifiers = current_modifiers();
  bool handled;
  if (down) {
    std::uint32_t character = key_character(host, virtual_key, l);
    handled = key(*host.view->document, true, code, modifiers, character, (l & (1 << 30)) != 0);
    update_input_method(host);
  } else {
    handled = key(*host.view->document, false, code, modifiers, 0, false);
  }
  return handled;
}

void handle_character(HostWindow& host, WPARAM w) {
  end_finished_composition(host);
  host.dead_key = false;
  const auto unit = static_cast<std::uint16_t>(w);
  if (!host::is_text_character(unit)) {
    host.characters.reset();
    return;
  }
  if (std::uint32_t code_point = host.characters.feed(unit))
    text_input(*host.view->document, code_point, current_modifiers());
}

// ---- Pointer ---------------------------------------------------------------------------------

std::uint32_t pointer_modifiers(WPARAM w) {
  auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  return host::modifier_bits((w & MK_SHIFT) != 0, (w & MK_CONTROL) != 0, down(VK_MENU),
                             down(VK_LWIN) || down(VK_RWIN));
}

void show_edit_menu(HostWindow& host, float x, float y, std::uint32_t enabled);

void handle_button(HostWindow& host, std::int32_t button, bool down, bool double_click, WPARAM w,
                   LPARAM l) {
  if (down) {
    if (GetFocus() != host.window) SetFocus(host.window);
    SetCapture(host.window);
  } else if (GetCapture() == host.window) {
    ReleaseCapture();
  }
  float x, y;
  to_css(host, l, x, y);
  Document& document = *host.view->document;
  pointer_button(document, down, button, x, y, pointer_modifiers(w), double_click);
  if (down) {
    update_input_method(host);  // the press may have moved the focus
    return;
  }
  ContextMenuRequest request;
  if (take_context_menu(document, &request)) show_edit_menu(host, request.x, request.y,
                                                            request.commands);
}

void handle_pointer_move(HostWindow& host, WPARAM w, LPARAM l) {
  if (!host.tracking_leave) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = host.window;
    host.tracking_leave = TrackMouseEvent(&track) != FALSE;
  }
  float x, y;
  to_css(host, l, x, y);
  pointer_move(*host.view->document, x, y, pointer_modifiers(w));
}

void handle_wheel(HostWindow& host, WPARAM w, LPARAM l) {
  POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
  ScreenToClient(host.window, &at);
  float scale = host.effective_scale();
  // The message counts 120 per notch; the engine takes notches.
  const float notches = static_cast<float>(GET_WHEEL_DELTA_WPARAM(w)) / WHEEL_DELTA;
  wheel(*host.view->document, static_cast<float>(at.x) / scale, static_cast<float>(at.y) / scale,
        notches, pointer_modifiers(GET_KEYSTATE_WPARAM(w)));
}

// ---- Edit menu -------------------------------------------------------------------------------

// The item text of the system's own edit menu for a command, if it has one.
std::wstring system_edit_text(host::EditCommand command) {
  static const UINT kSystemIds[] = {0, WM_UNDO, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, EM_SETSEL};
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  HMENU resource = user32 ? LoadMenuW(user32, MAKEINTRESOURCEW(1)) : nullptr;
  std::wstring text;
  if (resource) {
    if (HMENU edit = GetSubMenu(resource, 0)) {
      wchar_t buffer[128];
      if (GetMenuStringW(edit, kSystemIds[command], buffer, 128, MF_BYCOMMAND) > 0) text = buffer;
    }
    DestroyMenu(resource);
  }
  return text;
}

void show_edit_menu(HostWindow& host, float x, float y, std::uint32_t enabled) {
  host::EditMenu entries = host::edit_menu_entries(enabled);
  if (entries.count == 0) return;
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (int i = 0; i < entries.count; ++i) {
    auto command = static_cast<host::EditCommand>(entries.entries[i]);
    if (!command) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = system_edit_text(command);
    AppendMenuW(menu, MF_STRING, command, text.empty() ? host::default_edit_text(command)
                                                       : text.c_str());
  }
  float scale = host.effective_scale();
  POINT at{static_cast<LONG>(std::lround(x * scale)), static_cast<LONG>(std::lround(y * scale))};
  ClientToScreen(host.window, &at);
  int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, host.window,
                              nullptr);
  DestroyMenu(menu);
  if (chosen > 0) run_edit_command(*host.view->document, chosen);
}

// ---- The host window's procedure -----------------------------------------------------------

HostWindow* host_of(HWND window) {
  return reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Focus went to a window of another top-level window, or nowhere: give it back to the
// host when its top-level window is activated again.
bool focus_left_top_level(HostWindow& host, HWND gaining) {
  return !gaining || GetAncestor(gaining, GA_ROOT) != GetAncestor(host.window, GA_ROOT);
}

void destroy_renderer(HostWindow& host) {
  if (host.renderer) render::destroy_renderer(host.renderer);
  host.renderer = nullptr;
}

void apply_scale(HostWindow& host) {
  if (host.renderer) render::set_dpi(*host.renderer, host.effective_scale());
  update_viewport(host);
  host.frame.force_full = true;
  invalidate_window(host);
}

void set_cursor(const HostWindow& host) {
  static const LPCWSTR kCursors[] = {
      nullptr,   IDC_ARROW, IDC_SIZEWE,   IDC_SIZEALL,  IDC_HAND,   IDC_WAIT, IDC_APPSTARTING,
      IDC_HELP,  IDC_CROSS, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZENS, IDC_NO,   IDC_IBEAM};
  host::SystemCursor cursor = host::cursor_for_keyword(cursor_keyword(*host.view->document));
  LPCWSTR name = kCursors[static_cast<int>(cursor)];
  SetCursor(name ? LoadCursorW(nullptr, name) : nullptr);
}

// With "ORLAN_TEST_SEAMS" set, another process (an end-to-end test) may make the next
// Present fail with the HRESULT in wParam, as a lost device would.
UINT inject_present_failure_message() {
  static const UINT message = std::getenv("ORLAN_TEST_SEAMS")
                                  ? RegisterWindowMessageW(L"OrlanUI.InjectPresentFailure")
                                  : 0;
  return message;
}

// With "ORLAN_TEST_SEAMS" set, a sent message of this kind answers with the last frame's
// damage: -1 for a frame drawn in full, else its width | height << 16 in CSS pixels
// (rounded up; 0 when nothing changed).
UINT last_damage_message() {
  static const UINT message =
      std::getenv("ORLAN_TEST_SEAMS") ? RegisterWindowMessageW(L"OrlanUI.LastDamage") : 0;
  return message;
}

LRESULT last_damage(const host::FrameResult& frame) {
  if (frame.full || !frame.drawn) return -1;
  const auto side = [](float length) {
    return static_cast<LRESULT>(std::min(std::ceil(std::max(length, 0.0f)), 65535.0f));
  };
  return side(frame.damage.rect.width) | side(frame.damage.rect.height) << 16;
}

LRESULT handle_message(HostWindow& host, HWND window, UINT message, WPARAM w, LPARAM l) {
  Document& document = *host.view->document;
  if (message != 0 && message == last_damage_message()) return last_damage(host.last_frame);
  if (message != 0 && message == capture_frame_message()) {
    if (host.renderer) render::set_frame_capture_for_test(*host.renderer, true);
    host.capture_requested = true;
    host.frame.force_full = true;
    invalidate_window(host);
    return 0;
  }
  if (message != 0 && message == inject_present_failure_message()) {
    render::inject_failures_for_test(0, static_cast<std::int32_t>(w));
    host.frame.force_full = true;
    invalidate_window(host);
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      destroy_renderer(host);
      host.window = nullptr;
      return 0;
    case WM_SIZE:
      host.client_width = LOWORD(l);
      host.client_height = HIWORD(l);
      if (host.renderer && !render::resize(*host.renderer, host.client_width, host.client_height))
        destroy_renderer(host);
      update_viewport(host);
      return 0;
    case WM_SETFOCUS:
      host.focus_restore = true;
      update_input_method(host);
      return 0;
    case WM_KILLFOCUS:
      host.focus_restore = focus_left_top_level(host, reinterpret_cast<HWND>(w));
      return 0;
    case WM_PAINT:
      paint(host);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (LOWORD(l) != HTCLIENT) break;
      set_cursor(host);
      return TRUE;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (handle_key(host, true, w, l)) return 0;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (handle_key(host, false, w, l)) return 0;
      break;
    case WM_CHAR:
      handle_character(host, w);
      return 0;
    case WM_SYSCHAR:
      if (w == ' ') break;  // the system menu
      return 0;
    case WM_IME_SETCONTEXT:
      return DefWindowProcW(window, message, w, l & ~static_cast<LPARAM>(ISC_SHOWUICOMPOSITIONWINDOW));
    case WM_IME_STARTCOMPOSITION:
      host.composition_ended = false;
      update_input_method(host);
      return 0;
    case WM_IME_COMPOSITION:
      handle_composition(host, l);
      return 0;
    case WM_IME_ENDCOMPOSITION:
      host.composition_ended = true;
      PostMessageW(window, kCompositionEndMessage, 0, 0);
      return 0;
    case WM_IME_CHAR:
      return 0;
    case WM_TIMER:
      switch (w) {
        case kRepaintTimer:
          invalidate_window(host);
          break;
        case kCaretTimer:
          toggle_caret(document);
          invalidate_window(host);
          break;
        case kTooltipTimer:
          set_timer_state(host, kTooltipTimer, host.tooltip_timer, false, 600);
          show_tooltip(document);
          invalidate_window(host);
          break;
        case kRetryTimer:
          KillTimer(window, kRetryTimer);
          host.retry_timer = false;
          invalidate_window(host);
          break;
        default:
          break;
      }
      return 0;
    case WM_MOUSEMOVE:
      handle_pointer_move(host, w, l);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      handle_button(host, 0, message != WM_LBUTTONUP, message == WM_LBUTTONDBLCLK, w, l);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      handle_button(host, 2, message != WM_RBUTTONUP, message == WM_RBUTTONDBLCLK, w, l);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      // A quick second press comes as a double click (the class has CS_DBLCLKS): it is a
      // press all the same, or its release would arrive alone.
      handle_button(host, 1, message != WM_MBUTTONUP, message == WM_MBUTTONDBLCLK, w, l);
      return 0;
    case WM_MOUSEWHEEL:
      handle_wheel(host, w, l);
      return 0;
    case WM_MOUSELEAVE:
      host.tracking_leave = false;
      pointer_leave(document);
      return 0;
    case WM_DPICHANGED:
      host.scale = static_cast<float>(LOWORD(w)) / 96.0f;
      apply_scale(host);
      return 0;
    case WM_DPICHANGED_AFTERPARENT:
      // A child window never receives WM_DPICHANGED: its parent's change arrives here.
      host.scale = scale_for_window(window);
      apply_scale(host);
      return 0;
    case kFrameDueMessage:
      if (host.animating) invalidate_window(host);
      return 0;
    case kTopActivateMessage:
      if (w && host.focus_restore) SetFocus(window);
      set_window_active(document, w != 0);
      return 0;
    case kCompositionEndMessage:
      end_finished_composition(host);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* host = static_cast<HostWindow*>(create->lpCreateParams);
    host->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    return TRUE;
  }
  HostWindow* host = host_of(window);
  if (!host) return DefWindowProcW(window, message, w, l);
  return handle_message(*host, window, message, w, l);
}

// ---- Clipboard -------------------------------------------------------------------------------

// The document's clipboard callbacks: the view's host window owns the clipboard. The text
// read stays in the host until the next read.
bool document_clipboard_get(void* user, const char** text, std::size_t* length) {
  auto* host = static_cast<HostWindow*>(user);
  host->clipboard = clipboard_text();
  *text = host->clipboard.c_str();
  *length = host->clipboard.size();
  return !host->clipboard.empty();
}
void document_clipboard_set(void* user, const char* text, std::size_t length) {
  auto* host = static_cast<HostWindow*>(user);
  if (host->window) set_clipboard_text(host->window, text, length);
}

// ---- Host operations -----------------------------------------------------------------------

bool ensure_host_class() {
  static std::once_flag once;
  static ATOM atom = 0;
  static DWORD failure = 0;
  std::call_once(once, [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = host_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kHostClass;
    atom = RegisterClassExW(&window_class);
    if (!atom) failure = GetLastError();
  });
  if (atom) return true;
  char message[64];
  std::snprintf(message, sizeof message, "RegisterClassEx failed (%lu)",
                static_cast<unsigned long>(failure));
  set_last_error(message);
  return false;
}

HostWindow* create_host(View& view, void* parent_handle) {
  if (!ensure_host_class()) return nullptr;
  if (!is_window(parent_handle)) {
    set_last_error("attach: parent is not a window");
    return nullptr;
  }
  HWND parent = static_cast<HWND>(parent_handle);
  auto* host = new (std::nothrow) HostWindow();
  if (!host) {
    set_last_error("out of memory");
    return nullptr;
  }
  host->view = &view;
  host->scale = scale_for_window(parent);
  HWND window = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                0, 0, 1, 1, parent, nullptr, GetModuleHandleW(nullptr), host);
  if (!window) {
    char message[64];
    std::snprintf(message, sizeof message, "CreateWindowEx failed (%lu)",
                  static_cast<unsigned long>(GetLastError()));
    delete host;
    set_last_error(message);
    return nullptr;
  }
  // A new window starts with the default input context; the page's focus is on no text
  // control yet, so the window starts without one (the cached state then tells the truth).
  ImmAssociateContextEx(window, nullptr, 0);
  host->input_method_enabled = false;
  HWND top_level = GetAncestor(parent, GA_ROOT);
  if (top_level) register_with_top_level(*host, top_level);
  start_pacing(*host);
  set_clipboard_callbacks(*view.document, ClipboardCallbacks{document_clipboard_get,
                                                             document_clipboard_set, host});
  // Raster images are sized by the platform's decoder from now on.
  set_image_info_function(*view.document, nullptr, &render::image_info);
  set_window_active(*view.document, top_level && GetActiveWindow() == top_level);
  return host;
}

void destroy_host(HostWindow* host) {
  if (!host) return;
  stop_pacing(*host);
  unregister_from_top_level(*host);
  set_clipboard_callbacks(*host->view->document, ClipboardCallbacks{});
  destroy_renderer(*host);
  if (HWND window = host->window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    host->window = nullptr;
    DestroyWindow(window);
  }
  delete host;
}

void move_host(HostWindow* host, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height) {
  if (!host || !host->window) return;
  SetWindowPos(host->window, nullptr, x, y, width > 0 ? width : 1, height > 0 ? height : 1,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void show_host(HostWindow* host, bool visible) {
  if (!host || !host->window) return;
  ShowWindow(host->window, visible ? SW_SHOWNA : SW_HIDE);
}

void invalidate_host(HostWindow* host) {
  if (host && host->window) InvalidateRect(host->window, nullptr, FALSE);
}

bool win32_is_window(void* handle) {
  return IsWindow(static_cast<HWND>(handle)) != FALSE;
}

const HostOps kWindowHostOps = {create_host, destroy_host,    move_host,
                                show_host,   invalidate_host, counter_now_ms};

}  // namespace

void install_window_host() noexcept {
  static std::once_flag once;
  std::call_once(once, [] {
    anim::install_animations(&apply_declaration);
    // Input finds elements with painting's hit test and measures control text the way
    // the renderer draws it.
    install_layout_input_hooks(&render::text_measurer(), &hit_test);
    render::warm_up_graphics_in_background();
  });
  set_is_window_check(win32_is_window);
  set_host_ops(&kWindowHostOps);
}

void set_host_scale(HostWindow& host, float scale) noexcept {
  host.scale_override = scale > 0 ? scale : 0;
  if (!host.window) return;
  apply_scale(host);
}

void host_client_size(const HostWindow& host, float* width, float* height) noexcept {
  float w = 0, h = 0;
  if (host.window) {
    w = css_width(host);
    h = css_height(host);
  }
  if (width) *width = w;
  if (height) *height = h;
}

float scale_for_parent(HWND parent) noexcept {
  return scale_for_window(parent);
}

void set_host_test_switches(const HostTestSwitches& switches) noexcept {
  g_switches = switches;
}

// ---- Clipboard -------------------------------------------------------------------------------

std::string clipboard_text() {
  std::string text;
  // Reading claims nothing: no owner (an owner only matters to EmptyClipboard).
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      // Bounded by the block's size: a text without its terminating zero is not overrun.
      std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
      std::size_t length = 0;
      while (length < limit && units[length]) ++length;
      text = tw::utf16_to_utf8(std::wstring_view(units, length));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool set_clipboard_text(HWND owner, const char* text, std::size_t length) {
  std::wstring units = tw::utf8_to_wide(std::string_view(text ? text : "", text ? length : 0));
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (units.size() + 1) * sizeof(wchar_t));
  if (!memory) return false;
  if (auto* target = static_cast<wchar_t*>(GlobalLock(memory))) {
    std::copy(units.begin(), units.end(), target);
    target[units.size()] = L'\0';
    GlobalUnlock(memory);
  } else {
    GlobalFree(memory);
    return false;
  }
  // Opened with the host window as owner: without an owner, EmptyClipboard leaves the
  // clipboard to nobody and SetClipboardData fails.
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  bool taken = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!taken) GlobalFree(memory);  // the clipboard owns the memory only once it took it
  return taken;
}

}  // namespace orlan


// The real Tapwright.exe under Wine, as a person sees and uses its page: the main window's
// pixels read back from the screen (panels, text, logo, both themes, the accent line of an
// inactive window, a high DPI), the frame log of full and partial frames, and a whole path
// through the page with real input ending in clicks on another window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

// ---- The screen ---------------------------------------------------------------------------

struct Rgb {
  int r = 0, g = 0, b = 0;
  int luminance() const { return (r * 299 + g * 587 + b * 114) / 1000; }
};

// The pixels of the page as the program last drew them: the test asks the program's host
// window (a test seam enabled by "ORLAN_TEST_SEAMS") to write its next frame into a file.
class Shot {
 public:
  Shot() = default;
  Shot(int width, int height, std::vector<std::uint32_t> pixels)
      : m_width(width), m_height(height), m_pixels(std::move(pixels)) {}

  int width() const { return m_width; }
  int height() const { return m_height; }
  Rgb at(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return {};
    std::uint32_t p = m_pixels[static_cast<std::size_t>(y) * m_width + x];
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
  }
  // Pixels of the rectangle that satisfy `test`.
  int count(int x, int y, int w, int h, const std::function<bool(Rgb)>& test) const {
    int n = 0;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) n += test(at(i, j)) ? 1 : 0;
    return n;
  }
  bool operator==(const Shot&) const = default;
  // Kept beside the test for a person to look at.
  void save(const char* name) const {
    std::wstring path = windows_path(TW_E2E_SHOT_DIR) + L"\\" + widen(name);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = m_width;
    header.biHeight = -m_height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(m_pixels.size() * 4);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(m_pixels.data()), m_pixels.size() * 4);
    write_file(path, bytes);
  }

 private:
  int m_width = 0, m_height = 0;
  std::vector<std::uint32_t> m_pixels;
};

std::wstring capture_file() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"tapwright-e2e-frame.raw";
}

// Asks the program for its next frame and waits for the file.
Shot capture(HWND window, std::chrono::milliseconds timeout = 20s) {
  const std::wstring path = capture_file();
  DeleteFileW(path.c_str());
  HWND host = FindWindowExW(window, nullptr, L"OrlanUIView", nullptr);
  static const UINT message = RegisterWindowMessageW(L"OrlanUI.CaptureFrame");
  if (!host || !PostMessageW(host, message, 0, 0)) return {};
  std::optional<std::string> bytes;
  pump_until([&] { return (bytes = read_file(path)).has_value(); }, timeout);
  if (!bytes) return {};
  int width = 0, height = 0, used = 0;
  if (std::sscanf(bytes->c_str(), "%d %d\n%n", &width, &height, &used) != 2 || width <= 0 ||
      height <= 0 || bytes->size() < used + static_cast<std::size_t>(width) * height * 4)
    return {};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  std::memcpy(pixels.data(), bytes->data() + used, pixels.size() * 4);
  return Shot(width, height, std::move(pixels));
}

std::string describe(Rgb c) {
  char text[32];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}
bool close_to(Rgb c, int r, int g, int b, int tolerance = 12) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}

// The status panel (a dark gradient, 50 CSS pixels high at the bottom) has been drawn.
bool status_panel_drawn(HWND window, float scale) {
  Shot shot = capture(window);
  int y = shot.height() - static_cast<int>(10 * scale);
  return shot.height() > 0 && shot.at(static_cast<int>(8 * scale), y).luminance() < 60;
}

HWND start_and_wait_for_page(Tapwright& program, float scale = 1) {
  HWND window = program.wait_for_window();
  if (!window || !program.sync()) return nullptr;
  if (!pump_until([&] { return status_panel_drawn(window, scale); }, 60s)) return nullptr;
  return program.sync() ? window : nullptr;
}

// A client point (device pixels) on the screen.
POINT on_screen(HWND window, float x, float y, float scale = 1) {
  POINT p{static_cast<LONG>(x * scale), static_cast<LONG>(y * scale)};
  ClientToScreen(window, &p);
  return p;
}

void set_light_theme(std::optional<DWORD> light) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  if (!light) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme");
    return;
  }
  DWORD value = *light;
  RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &value, sizeof value);
}

// Places of the page at 96 DPI (CSS pixels), from the page's layout at 611 x 463.
constexpr int kStatusTop = 413;
const RECT kHomeTab{6, 1, 58, 35};
const RECT kLogo{497, 5, 603, 31};
const RECT kMouseLabel{8, 72, 86, 95};
const RECT kTableHeader{251, 71, 593, 91};
constexpr float kMouseSelectX = 156, kMouseSelectY = 83;
constexpr float kClickSelectX = 156, kClickSelectY = 110;
constexpr float kRepeatX = 156, kRepeatY = 296;
constexpr float kUseRecordX = 257, kUseRecordY = 384;

int text_pixels(const Shot& shot, const RECT& r, bool dark_text) {
  return shot.count(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](Rgb c) {
    return dark_text ? c.luminance() < 110 : c.luminance() > 150;
  });
}

class Screen : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    m_seams = std::make_unique<ScopedEnvironment>(L"ORLAN_TEST_SEAMS", L"1");
    m_capture = std::make_unique<ScopedEnvironment>(L"ORLAN_TEST_CAPTURE", capture_file());
  }
  void TearDown() override { set_light_theme(std::nullopt); }

 private:
  std::unique_ptr<ScopedEnvironment> m_seams;
  std::unique_ptr<ScopedEnvironment> m_capture;
};

TEST_F(Screen, MainWindowLightThemeWithItsPanelsTextAndLogo) {
  set_light_theme(1);
  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  SetForegroundWindow(window);
  // Active again: the accent line along the top edge is blue.
  Shot shot;
  EXPECT_TRUE(pump_until([&] { return close_to((shot = capture(window)).at(300, 0), 0x3d, 0x84, 0xdd); }, 10s))
      << "the active window's accent line: " << describe(shot.at(300, 0));
  shot.save("screen-light.bmp");
  ASSERT_EQ(shot.width(), 611);

  // The status panel: a dark gradient from top to bottom, its text light in the middle.
  Rgb top = shot.at(8, kStatusTop + 4), bottom = shot.at(8, 460);
  EXPECT_LT(top.luminance(), 50) << describe(top);
  EXPECT_LT(bottom.luminance(), 60) << describe(bottom);
  EXPECT_GT(bottom.luminance(), top.luminance()) << describe(top) << " " << describe(bottom);
  EXPECT_GT(text_pixels(shot, RECT{150, kStatusTop + 10, 460, 455}, false), 40) << "status line";
  // Text in a label, a tab and the table header; the logo at the right of the header.
  EXPECT_GT(text_pixels(shot, kMouseLabel, true), 15) << "label";
  EXPECT_GT(text_pixels(shot, kHomeTab, true), 15) << "tab";
  // The table header's text is the muted grey.
  EXPECT_GT(shot.count(kTableHeader.left, kTableHeader.top, kTableHeader.right - kTableHeader.left,
                       kTableHeader.bottom - kTableHeader.top, [](Rgb c) { return c.luminance() < 170; }),
            30)
      << "table header";
  EXPECT_GT(shot.count(kLogo.left, kLogo.top, kLogo.right - kLogo.left, kLogo.bottom - kLogo.top,
                       [](Rgb c) { return c.luminance() < 200; }),
            60)
      << "logo";
  // The light page, and the accent line along its top edge.
  EXPECT_GT(shot.at(240, 60).luminance(), 200) << describe(shot.at(240, 60));

  // Another window takes the activation: the accent line greys.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 30, 30, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  EXPECT_TRUE(pump_until([&] { return close_to(capture(window).at(300, 0), 0x6d, 0x6d, 0x6d); }, 10s))
      << describe(capture(window).at(300, 0));
  capture(window).save("screen-inactive.bmp");
  DestroyWindow(other);
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(Screen, DarkThemeFromTheSystemSetting) {
  set_light_theme(0);
  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  Shot shot = capture(window);
  shot.save("screen-dark.bmp");
  EXPECT_LT(shot.at(240, 60).luminance(), 60) << describe(shot.at(240, 60));
  EXPECT_GT(text_pixels(shot, kMouseLabel, false), 15) << "light label text";
  EXPECT_LT(shot.at(8, kStatusTop + 4).luminance(), 50);
  EXPECT_EQ(program.close(), 0u);
}

// ---- The frame log ------------------------------------------------------------------------

std::vector<std::string> log_lines(const std::wstring& path) {
  std::vector<std::string> lines;
  std::optional<std::string> text = read_file(path);
  if (!text) return lines;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) break;
    lines.push_back(text->substr(start, end - start));
    start = end + 1;
  }
  return lines;
}
std::vector<std::string> frames_after(const std::vector<std::string>& lines, std::size_t from) {
  std::vector<std::string> frames;
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].find(" n=") != std::string::npos) frames.push_back(lines[i]);
  return frames;
}
bool has_kind(const std::vector<std::string>& frames, const char* kind) {
  return std::any_of(frames.begin(), frames.end(),
                     [&](const std::string& f) { return f.find(kind) != std::string::npos; });
}

TEST_F(Screen, FrameLogShowsFullFramesForNewRowsAndPartialOnesForAChoice) {
  ScopedEnvironment frame_log(L"ORLAN_FRAMELOG", L"1");
  std::wstring log = folder.list_file() + L".log";
  Tapwright program(folder.exe(), L"", log);
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  ASSERT_TRUE(pump_until([&] { return !frames_after(log_lines(log), 0).empty(); }, 10s));

  // A new row of the click table: new elements, the whole window is drawn.
  std::size_t before = log_lines(log).size();
  ASSERT_TRUE(move_pointer(40, 40));
  press_key(VK_F4);
  ASSERT_TRUE(program.sync());
  ASSERT_TRUE(pump_until([&] { return has_kind(frames_after(log_lines(log), before), "FULL"); }, 10s));
  for (const std::string& f : frames_after(log_lines(log), before)) std::printf("[ frame    ] %s\n", f.c_str());

  // Focus the click select (a click opens its popup, Escape closes it), then Down chooses the
  // next option: the page keeps its shape and only the select is drawn again.
  ASSERT_TRUE(click_at(on_screen(window, kClickSelectX, kClickSelectY)));
  ASSERT_TRUE(program.sync());
  press_key(VK_ESCAPE);
  ASSERT_TRUE(program.sync());
  const RECT select_text{96, 100, 240, 121};
  // The page has settled once two frames in a row draw the same pixels.
  Shot chosen_before = capture(window);
  ASSERT_TRUE(pump_until(
      [&] {
        Shot next = capture(window);
        bool same = next.width() > 0 && next == chosen_before;
        chosen_before = std::move(next);
        return same;
      },
      10s))
      << "the page kept changing after the popup closed";
  // The captured frames are logged too: they are all behind us once the program's queue
  // is empty (a paint comes before the timer that answers the echo).
  ASSERT_TRUE(program.sync());
  before = log_lines(log).size();
  press_key(VK_DOWN);
  ASSERT_TRUE(program.sync());
  ASSERT_TRUE(pump_until([&] { return has_kind(frames_after(log_lines(log), before), " part "); }, 10s))
      << "no partial frame after Down";
  std::vector<std::string> frames = frames_after(log_lines(log), before);
  for (const std::string& f : frames) std::printf("[ frame    ] %s\n", f.c_str());
  EXPECT_FALSE(has_kind(frames, " FULL ")) << "Down repainted the whole window";
  // The last frame's damage, asked of the host window (a test seam): some of the window,
  // far from all of it.
  HWND host = FindWindowExW(window, nullptr, L"OrlanUIView", nullptr);
  ASSERT_NE(host, nullptr);
  DWORD_PTR damage = 0;
  ASSERT_TRUE(SendMessageTimeoutW(host, RegisterWindowMessageW(L"OrlanUI.LastDamage"), 0, 0,
                                  SMTO_NORMAL, 10000, &damage));
  ASSERT_NE(static_cast<LRESULT>(damage), -1) << "the last frame was drawn in full";
  const long damage_width = damage & 0xFFFF, damage_height = (damage >> 16) & 0xFFFF;
  std::printf("[ damage   ] %ldx%ld\n", damage_width, damage_height);
  EXPECT_GT(damage_width * damage_height, 0) << "nothing was drawn again";
  EXPECT_LT(damage_width * damage_height, 611L * 463 / 4);
  // And the select shows another option (a capture draws the next frame, in full).
  int changed = 0;
  auto select_changed = [&] {
    const Shot now = capture(window);
    changed = 0;
    for (int y = select_text.top; y < select_text.bottom; ++y)
      for (int x = select_text.left; x < select_text.right; ++x)
        changed += chosen_before.at(x, y).luminance() != now.at(x, y).luminance() ? 1 : 0;
    return changed > 20;
  };
  EXPECT_TRUE(pump_until(select_changed, 10s)) << "the select's text did not change: " << changed;
  capture(window).save("screen-after-down.bmp");
  EXPECT_EQ(program.close(), 0u);
}

// ---- A person's path ------------------------------------------------------------------------

std::vector<MSG> g_target_messages;

LRESULT CALLBACK target_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) {
    MSG m{};
    m.message = message;
    m.pt = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    g_target_messages.push_back(m);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

TEST_F(Screen, APersonRecordsTwoPositionsAndRunsThreeRightClicks) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = target_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = L"TwE2eScreenTarget";
  RegisterClassW(&window_class);
  HWND target = CreateWindowExW(WS_EX_TOPMOST, L"TwE2eScreenTarget", L"target", WS_POPUP | WS_VISIBLE,
                                20, 20, 200, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(target, nullptr);

  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";

  // The mouse select: open it with a click, move to the second option, take it.
  ASSERT_TRUE(click_at(on_screen(window, kMouseSelectX, kMouseSelectY)));
  ASSERT_TRUE(program.sync());
  press_key(VK_DOWN);
  ASSERT_TRUE(program.sync());
  press_key(VK_RETURN);
  // The keys are handled before the hotkeys below, which would otherwise overtake them
  // (a hotkey's message is posted, and posted messages come before input).
  ASSERT_TRUE(program.sync());

  // Play the list.
  ASSERT_TRUE(click_at(on_screen(window, kUseRecordX, kUseRecordY)));
  ASSERT_TRUE(program.sync());
  // Two positions over the target window.
  const POINT first{20 + 50, 20 + 40}, second{20 + 150, 20 + 80};
  for (POINT p : {first, second}) {
    ASSERT_TRUE(move_pointer(p.x, p.y));
    press_key(VK_F4);
    ASSERT_TRUE(program.sync());
  }
  // Three clicks.
  ASSERT_TRUE(click_at(on_screen(window, kRepeatX, kRepeatY)));
  ASSERT_TRUE(program.sync());
  press_key('3');
  ASSERT_TRUE(program.sync());
  capture(window).save("screen-before-run.bmp");
  // The status line's glyphs (whatever their colour) before, during and after the run.
  auto status_glyphs = [&](const Shot& shot) {
    std::vector<bool> mask;
    for (int y = kStatusTop + 10; y < 455; ++y)
      for (int x = 100; x < 510; ++x) mask.push_back(shot.at(x, y).luminance() > 110);
    return mask;
  };
  // The brightest pixel of the status line: its text colour.
  auto status_ink = [&](const Shot& shot) {
    int brightest = 0;
    for (int y = kStatusTop + 10; y < 455; ++y)
      for (int x = 100; x < 510; ++x) brightest = std::max(brightest, shot.at(x, y).luminance());
    return brightest;
  };
  const Shot waiting_shot = capture(window);
  const int waiting_ink_colour = status_ink(waiting_shot);
  const std::vector<bool> waiting = status_glyphs(waiting_shot);
  const long waiting_ink = std::count(waiting.begin(), waiting.end(), true);
  ASSERT_GT(waiting_ink, 40);
  // How far another reading is from "waiting", in pixels that differ per pixel of its ink.
  auto difference = [&](const std::vector<bool>& other) {
    long differing = 0;
    for (std::size_t i = 0; i < waiting.size() && i < other.size(); ++i)
      differing += waiting[i] != other[i] ? 1 : 0;
    return other.size() == waiting.size() ? static_cast<double>(differing) / waiting_ink : 1e9;
  };
  g_target_messages.clear();
  ASSERT_TRUE(move_pointer(400, 20));
  press_key(VK_F3);
  ASSERT_TRUE(program.sync());
  // While running the status line reads otherwise.
  const double running_difference = difference(status_glyphs(capture(window)));
  const bool running_seen = running_difference > 0.5;
  auto downs = [] {
    return std::count_if(g_target_messages.begin(), g_target_messages.end(),
                         [](const MSG& m) { return m.message == WM_RBUTTONDOWN; });
  };
  ASSERT_TRUE(pump_until([&] { return downs() >= 3; }, 30s)) << "right clicks: " << downs();
  EXPECT_TRUE(running_seen) << "the status line did not change when the run started: "
                            << running_difference;
  // Waiting again: the same text as before the run, in the same colour once its
  // transition has run. (Glyph edges may differ a little with the text's colour.)
  double last = 0;
  int ink = 0;
  EXPECT_TRUE(pump_until(
      [&] {
        const Shot shot = capture(window);
        last = difference(status_glyphs(shot));
        ink = status_ink(shot);
        return last < 0.2 && std::abs(ink - waiting_ink_colour) <= 8;
      },
      30s))
      << "glyph difference " << last << ", text " << ink << " before the run " << waiting_ink_colour;
  // The run has ended (the page says so): every click it sent was a press and its release.
  auto ups = [] {
    return std::count_if(g_target_messages.begin(), g_target_messages.end(),
                         [](const MSG& m) { return m.message == WM_RBUTTONUP; });
  };
  EXPECT_TRUE(pump_until([&] { return ups() >= downs(); }, 10s)) << "presses without release";
  std::vector<POINT> at;
  for (const MSG& m : g_target_messages) {
    EXPECT_TRUE(m.message == WM_RBUTTONDOWN || m.message == WM_RBUTTONUP) << m.message;
    if (m.message == WM_RBUTTONDOWN) at.push_back(m.pt);
  }
  ASSERT_EQ(at.size(), 3u);
  const POINT expected[] = {first, second, first};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(at[i].x, expected[i].x - 20) << "click " << i;
    EXPECT_EQ(at[i].y, expected[i].y - 20) << "click " << i;
  }
  capture(window).save("screen-after-run.bmp");
  EXPECT_EQ(program.close(), 0u);
  DestroyWindow(target);
}

// ---- The list's scrollbar under the mouse ----------------------------------------------------

// The pointer moved by SendInput (absolute, on the primary screen), as a mouse moves it.
bool send_pointer_to(POINT p) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((p.x * 65535.0) / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
  input.mi.dy = static_cast<LONG>((p.y * 65535.0) / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return SendInput(1, &input, sizeof input) == 1;
}
bool send_left_button(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  return SendInput(1, &input, sizeof input) == 1;
}

// Press, moves in steps, release, each synced with the program.
void drag_with_mouse(Tapwright& program, POINT from, POINT to) {
  ASSERT_TRUE(send_pointer_to(from));
  ASSERT_TRUE(send_left_button(true));
  ASSERT_TRUE(program.sync());
  for (int step = 1; step <= 4; ++step) {
    ASSERT_TRUE(send_pointer_to(POINT{from.x + (to.x - from.x) * step / 4,
                                      from.y + (to.y - from.y) * step / 4}));
    ASSERT_TRUE(program.sync());
  }
  ASSERT_TRUE(send_left_button(false));
  ASSERT_TRUE(program.sync());
}

TEST_F(Screen, DraggingTheListsThumbAndAColumnBorderWithTheMouse) {
  std::string list;
  for (int i = 0; i < 30; ++i)
    list += std::to_string(100 + i * 37) + "x" + std::to_string(200 + i * 11) + ",0,0,1000\r\n";
  ASSERT_TRUE(write_file(folder.list_file(), list));
  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  const RECT rows{251, 92, 580, 360};
  const Shot before = capture(window);
  ASSERT_GT(text_pixels(before, rows, true), 200) << "no rows drawn";

  // The first column's right border (x 331) dragged 40 pixels left: the columns after it,
  // header and rows alike, are drawn 40 pixels further left.
  drag_with_mouse(program, on_screen(window, 330, 81), on_screen(window, 290, 81));
  const RECT moved{337, 72, 580, 360};
  Shot narrowed;
  int unlike = 0, total = 0;
  EXPECT_TRUE(pump_until(
      [&] {
        narrowed = capture(window);
        unlike = total = 0;
        for (int y = moved.top; y < moved.bottom; ++y)
          for (int x = moved.left; x < moved.right; ++x, ++total)
            unlike += std::abs(before.at(x, y).luminance() - narrowed.at(x - 40, y).luminance()) > 24;
        return unlike < total / 50;
      },
      10s))
      << unlike << " of " << total << " pixels are not those of the columns moved 40 pixels left";
  narrowed.save("screen-after-column-drag.bmp");

  // The thumb lies along the list box's right edge, at the top while nothing is scrolled.
  drag_with_mouse(program, on_screen(window, 588, 100), on_screen(window, 588, 400));

  // The rows moved; the header did not.
  Shot after;
  int changed = 0;
  EXPECT_TRUE(pump_until(
      [&] {
        after = capture(window);
        changed = 0;
        for (int y = rows.top; y < rows.bottom; ++y)
          for (int x = rows.left; x < rows.right; ++x)
            changed += narrowed.at(x, y).luminance() != after.at(x, y).luminance() ? 1 : 0;
        return changed > 500;
      },
      10s))
      << "the rows did not scroll: " << changed << " pixels changed";
  after.save("screen-after-thumb-drag.bmp");
  int header_changed = 0;
  for (int y = kTableHeader.top; y < kTableHeader.bottom; ++y)
    for (int x = kTableHeader.left; x < 580; ++x)
      header_changed += narrowed.at(x, y).luminance() != after.at(x, y).luminance() ? 1 : 0;
  EXPECT_EQ(header_changed, 0);
  // A drag on the bar and the header changed nothing in the list (written back with both
  // delays).
  EXPECT_EQ(program.close(), 0u);
  std::string written;
  for (int i = 0; i < 30; ++i)
    written += std::to_string(100 + i * 37) + "x" + std::to_string(200 + i * 11) + ",0,0,1000,1000\r\n";
  EXPECT_EQ(read_file(folder.list_file()), written);
}

// A left click (press, release) at `at`, synced with the program after each.
void click_with_mouse(Tapwright& program, POINT at) {
  ASSERT_TRUE(send_pointer_to(at));
  ASSERT_TRUE(send_left_button(true));
  ASSERT_TRUE(program.sync());
  ASSERT_TRUE(send_left_button(false));
  ASSERT_TRUE(program.sync());
}

TEST_F(Screen, PressesOnTheListsTrackPageDownAndBackUp) {
  // Sixty rows: two pages down stay short of the end, so no page is cut short.
  std::string list;
  for (int i = 0; i < 60; ++i)
    list += std::to_string(100 + i * 37) + "x" + std::to_string(200 + i * 11) + ",0,0,1000\r\n";
  ASSERT_TRUE(write_file(folder.list_file(), list));
  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  // The rows under the sticky header; the track along the list box's right edge, the thumb
  // at its top while nothing is scrolled.
  const RECT rows{251, 97, 580, 360};
  const POINT below_thumb = on_screen(window, 588, 350), above_thumb = on_screen(window, 588, 80);
  auto rows_of = [&](const Shot& shot) {
    std::vector<int> pixels;
    for (int y = rows.top; y < rows.bottom; ++y)
      for (int x = rows.left; x < rows.right; ++x) pixels.push_back(shot.at(x, y).luminance());
    return pixels;
  };
  // The pointer on the bar from the start: a row under it would be drawn hovered.
  ASSERT_TRUE(send_pointer_to(above_thumb));
  ASSERT_TRUE(program.sync());
  const Shot top_shot = capture(window);
  ASSERT_GT(text_pixels(top_shot, rows, true), 200) << "no rows drawn";
  const std::vector<int> top = rows_of(top_shot);
  auto differing = [](const std::vector<int>& a, const std::vector<int>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i] ? 1 : 0;
    return a.size() == b.size() ? n : 1 << 30;
  };
  // Each press pages once; the rows drawn after it, once they differ from `from` (or equal
  // `expected`, when given).
  auto page = [&](POINT at, const std::vector<int>& from, const std::vector<int>* expected,
                  const char* what) {
    click_with_mouse(program, at);
    std::vector<int> now;
    int changed = 0;
    EXPECT_TRUE(pump_until(
        [&] {
          now = rows_of(capture(window));
          changed = differing(from, now);
          return expected ? differing(*expected, now) == 0 : changed > 500;
        },
        10s))
        << what << ": " << changed << " pixels of the rows changed"
        << (expected ? ", " + std::to_string(differing(*expected, now)) + " unlike the expected rows"
                     : std::string());
    return now;
  };
  const std::vector<int> one = page(below_thumb, top, nullptr, "first page down");
  const std::vector<int> two = page(below_thumb, one, nullptr, "second page down");
  // Back up by the same steps: exactly the rows seen on the way down, then the first ones.
  // (A press that jumped the thumb to the pointer or started a drag would not come back to
  // the first page.)
  page(above_thumb, two, &one, "first page up");
  page(above_thumb, one, &top, "second page up");
  capture(window).save("screen-after-track-pages.bmp");
  // Presses on the bar chose no row and changed nothing in the list.
  EXPECT_EQ(program.close(), 0u);
  std::string written;
  for (int i = 0; i < 60; ++i)
    written += std::to_string(100 + i * 37) + "x" + std::to_string(200 + i * 11) + ",0,0,1000,1000\r\n";
  EXPECT_EQ(read_file(folder.list_file()), written);
}

// ---- A lost device ---------------------------------------------------------------------------

TEST_F(Screen, ADeviceLostAtPresentIsRebuiltAndTheWholePageDrawnAgain) {
  ScopedEnvironment frame_log(L"ORLAN_FRAMELOG", L"1");
  std::wstring log = folder.list_file() + L".log";
  Tapwright program(folder.exe(), L"", log);
  HWND window = start_and_wait_for_page(program);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  // A row in the table first: the document the new renderer must draw again.
  ASSERT_TRUE(move_pointer(40, 40));
  press_key(VK_F4);
  ASSERT_TRUE(program.sync());
  const RECT first_row{251, 92, 593, 112};
  int row_text = 0;
  ASSERT_TRUE(pump_until([&] { return (row_text = text_pixels(capture(window), first_row, true)) > 10; }, 10s))
      << "no row drawn";

  HWND host = FindWindowExW(window, nullptr, L"OrlanUIView", nullptr);
  ASSERT_NE(host, nullptr);
  std::size_t lines = log_lines(log).size();
  const UINT inject = RegisterWindowMessageW(L"OrlanUI.InjectPresentFailure");
  PostMessageW(host, inject, static_cast<WPARAM>(0x887A0005), 0);  // DXGI_ERROR_DEVICE_REMOVED
  // The failed frame, then a full one from a new renderer.
  std::vector<std::string> frames;
  EXPECT_TRUE(pump_until(
      [&] {
        frames = frames_after(log_lines(log), lines);
        return frames.size() >= 2 && frames.back().find(" FULL ") != std::string::npos;
      },
      15s))
      << "no whole frame after the failed one";
  for (const std::string& f : frames) std::printf("[ frame    ] %s\n", f.c_str());
  Shot after = capture(window);
  after.save("screen-after-device-loss.bmp");
  EXPECT_EQ(text_pixels(after, first_row, true), row_text);
  EXPECT_LT(after.at(8, kStatusTop + 4).luminance(), 50);
  EXPECT_EQ(program.close(), 0u);
}

// ---- High DPI -------------------------------------------------------------------------------

class HighDpiScreen : public Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    set_log_pixels(144);
  }
  void TearDown() override {
    set_log_pixels(0);
    Screen::TearDown();
  }
};

TEST_F(HighDpiScreen, PageIsLaidOutAtScaleOneAndAHalf) {
  Tapwright program(folder.exe());
  HWND window = start_and_wait_for_page(program, 1.5f);
  ASSERT_NE(window, nullptr) << "the page was never drawn";
  Shot shot = capture(window);
  shot.save("screen-144dpi.bmp");
  ASSERT_EQ(shot.height(), 694);
  // The 50-pixel status panel is 75 device pixels high; the header's tab 1.5 times as wide.
  EXPECT_LT(shot.at(12, 694 - 73).luminance(), 60) << describe(shot.at(12, 694 - 73));
  EXPECT_GT(shot.at(12, 694 - 78).luminance(), 150) << describe(shot.at(12, 694 - 78));
  EXPECT_GT(text_pixels(shot, RECT{9, 2, 87, 52}, true), 20) << "tab text";
  EXPECT_TRUE(close_to(shot.at(450, 0), 0x3d, 0x84, 0xdd)) << describe(shot.at(450, 0));
  EXPECT_EQ(program.close(), 0u);
}

}  // namespace
}  // namespace tw::e2e


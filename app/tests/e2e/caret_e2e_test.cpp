// The real Tapwright.exe under Wine: where the page draws a text field's selection against
// where it draws the field's glyphs, read back from the program's own frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// The page's pixels as the program drew its next frame (the host's capture seam).
class Frame {
 public:
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  Rgb at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
  }
  void save(const char* name) const {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4);
    write_file(windows_path(TW_E2E_SHOT_DIR) + L"\\" + widen(name), bytes);
  }
};

std::wstring capture_path() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"tapwright-e2e-caret-frame.raw";
}

Frame capture(HWND window) {
  const std::wstring path = capture_path();
  DeleteFileW(path.c_str());
  HWND host = FindWindowExW(window, nullptr, L"OrlanUIView", nullptr);
  static const UINT message = RegisterWindowMessageW(L"OrlanUI.CaptureFrame");
  Frame frame;
  if (!host || !PostMessageW(host, message, 0, 0)) return frame;
  std::optional<std::string> bytes;
  pump_until([&] { return (bytes = read_file(path)).has_value(); }, 20s);
  int width = 0, height = 0, used = 0;
  if (!bytes || std::sscanf(bytes->c_str(), "%d %d\n%n", &width, &height, &used) != 2 ||
      width <= 0 || height <= 0 ||
      bytes->size() < used + static_cast<std::size_t>(width) * height * 4)
    return frame;
  frame.width = width;
  frame.height = height;
  frame.pixels.resize(static_cast<std::size_t>(width) * height);
  std::memcpy(frame.pixels.data(), bytes->data() + used, frame.pixels.size() * 4);
  return frame;
}

void key(WORD virtual_key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void type_digits(char from, char to) {
  for (char c = from; c <= to; ++c) press_key(static_cast<WORD>(c));
}

void select_to_start() {
  key(VK_SHIFT, true);
  press_key(VK_HOME);
  key(VK_SHIFT, false);
}

// The `repeat` field at 96 DPI (CSS pixels, the page laid out at 611 x 463): a point inside
// it, and rows and columns that surely hold all of its text.
constexpr int kRepeatX = 156, kRepeatY = 296;
constexpr int kFieldTop = kRepeatY - 16, kFieldBottom = kRepeatY + 16;
constexpr int kFieldLeft = 60, kFieldRight = 300;

// The selection fill (0x3390FF at 40 %) over the field's background.
bool is_fill(Rgb c, Rgb background) {
  auto blend = [](int under, int over) { return (under * 153 + over * 102) / 255; };
  return std::abs(c.r - blend(background.r, 0x33)) <= 12 &&
         std::abs(c.g - blend(background.g, 0x90)) <= 12 &&
         std::abs(c.b - blend(background.b, 0xFF)) <= 12;
}

struct Span {
  int top = 0, bottom = 0;  // rows [top, bottom)
  int left = 0, right = 0;  // columns [left, right)
};

// The selection fill: its rows, and its columns on the row where it runs longest (a row
// above the glyphs, where no text interrupts it).
Span fill_span(const Frame& frame, Rgb background) {
  Span span;
  int longest = 0;
  for (int y = kFieldTop; y < kFieldBottom; ++y) {
    int best = 0, best_left = 0;
    for (int x = kFieldLeft; x < kFieldRight;) {
      if (!is_fill(frame.at(x, y), background)) {
        ++x;
        continue;
      }
      int end = x;
      while (end < kFieldRight && is_fill(frame.at(end, y), background)) ++end;
      if (end - x > best) {
        best = end - x;
        best_left = x;
      }
      x = end;
    }
    if (best < 10) continue;
    if (span.bottom == 0) span.top = y;
    span.bottom = y + 1;
    if (best > longest) {
      longest = best;
      span.left = best_left;
      span.right = best_left + best;
    }
  }
  return span;
}

int difference(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

class Caret : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    m_seams = std::make_unique<ScopedEnvironment>(L"ORLAN_TEST_SEAMS", L"1");
    m_capture = std::make_unique<ScopedEnvironment>(L"ORLAN_TEST_CAPTURE", capture_path());
  }

 private:
  std::unique_ptr<ScopedEnvironment> m_seams;
  std::unique_ptr<ScopedEnvironment> m_capture;
};

// "123456789" typed, three Left presses and Shift+Home select "123456": the fill ends where
// the drawn "7" begins. Where the "7" begins is read by comparing with the same selection
// over the text "123456" alone: the first column that differs is the "7"'s first ink.
TEST_F(Caret, TheSelectionEndsWhereTheUnselectedGlyphsBegin) {
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr) << "no main window";
  ASSERT_TRUE(program.sync());
  POINT at{kRepeatX, kRepeatY};
  ClientToScreen(window, &at);
  ASSERT_TRUE(click_at(at)) << "clicking the repeat field";
  ASSERT_TRUE(program.sync());

  type_digits('1', '6');
  select_to_start();
  ASSERT_TRUE(program.sync());
  const Frame six = capture(window);
  ASSERT_GT(six.width, 0) << "no frame captured";

  press_key(VK_END);
  type_digits('7', '9');
  for (int i = 0; i < 3; ++i) press_key(VK_LEFT);
  select_to_start();
  ASSERT_TRUE(program.sync());
  const Frame nine = capture(window);
  ASSERT_GT(nine.width, 0) << "no frame captured";
  nine.save("caret-selection.bmp");

  // Plain field background: right of the text, on the field's middle row.
  const Rgb background = nine.at(kRepeatX + 40, kRepeatY);
  const Span fill = fill_span(nine, background);
  ASSERT_GT(fill.right - fill.left, 20) << "no selection fill found";
  // The caret blinks over the fill's first column: either frame may show it.
  const Span fill_six = fill_span(six, background);
  ASSERT_LE(std::abs(fill_six.left - fill.left), 1) << "the two selections start apart";

  // Past the caret, the frames differ only by "789".
  int first_ink = -1;
  for (int x = std::max(fill.left, fill_six.left) + 2; x < kFieldRight && first_ink < 0; ++x)
    for (int y = fill.top; y < fill.bottom; ++y)
      if (difference(nine.at(x, y), six.at(x, y)) > 30) {
        first_ink = x;
        break;
      }
  ASSERT_GT(first_ink, 0) << "no text after the selection";
  EXPECT_LE(std::abs(fill.right - first_ink), 1)
      << "the fill covers columns " << fill.left << " to " << fill.right - 1
      << " but the unselected text begins at column " << first_ink;
  EXPECT_EQ(program.close(), 0u);
}

}  // namespace
}  // namespace tw::e2e

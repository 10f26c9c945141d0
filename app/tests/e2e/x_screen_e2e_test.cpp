// The real Tapwright.exe under Wine as a person at the display sees it: the X server's own
// pixels of the main window (ImageMagick's `import` run on the host), not the program's
// read-back of its frame. A page drawn but never presented (Wine's OpenGL Direct3D on a
// virtual display shows child windows black) fails here.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

struct Rgb {
  int r = 0, g = 0, b = 0;
  int luminance() const { return (r * 299 + g * 587 + b * 114) / 1000; }
};

std::string describe(Rgb c) {
  char text[32];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

// A picture of the client area read from the X server.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;  // 3 bytes a pixel, rows top to bottom

  Rgb at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return {static_cast<unsigned char>(rgb[i]), static_cast<unsigned char>(rgb[i + 1]),
            static_cast<unsigned char>(rgb[i + 2])};
  }
  int count(const RECT& r, bool (*test)(Rgb)) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += test(at(x, y)) ? 1 : 0;
    return n;
  }
};

// Runs a host program from this Wine process and waits for it (Wine's own spawn call; a
// Windows process cannot start an ELF program through CreateProcess). Its exit status, or -1.
int run_on_host(std::vector<std::string> argv) {
  using Spawn = int (*)(char* const argv[], int wait);
  static const auto spawn = reinterpret_cast<Spawn>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp"));
  if (spawn == nullptr) return -1;
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  return spawn(pointers.data(), 1);
}

// The window's client area as the X server holds it: the root window, cut to the client
// rectangle (Wine's screen coordinates are the X screen's), as a binary PPM.
std::optional<Picture> capture_from_x(HWND window, const char* name) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", client.right, client.bottom, origin.x,
                origin.y);
  const std::string file = std::string(TW_E2E_SHOT_DIR) + "/" + name + ".ppm";
  int status = run_on_host({"import", "-silent", "-window", "root", "-crop", geometry, "+repage",
                            "-depth", "8", "ppm:" + file});
  if (status != 0) {
    std::fprintf(stderr, "e2e: import ended with status %d\n", status);
    return std::nullopt;
  }
  std::optional<std::string> bytes = read_file(windows_path(file.c_str()));
  if (!bytes) return std::nullopt;
  Picture picture;
  int max = 0, used = 0;
  if (std::sscanf(bytes->c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &max, &used) != 3 ||
      max != 255 || picture.width <= 0 || picture.height <= 0)
    return std::nullopt;
  std::size_t size = static_cast<std::size_t>(picture.width) * picture.height * 3;
  // One white-space byte ends the header.
  if (bytes->size() < used + 1 + size) return std::nullopt;
  picture.rgb = bytes->substr(used + 1, size);
  return picture;
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

// Places of the page at 96 DPI (CSS pixels), from its layout at 611 x 463.
constexpr int kStatusTop = 413;
const RECT kLeftColumnLabels{8, 72, 86, 140};  // the mouse and click labels
const POINT kPageBackground{240, 60};

struct Theme {
  const char* name;
  DWORD light;
};
void PrintTo(const Theme& theme, std::ostream* out) {
  *out << theme.name;
}

// What a person sees once the page is up: the dark status panel at the bottom with its light
// text, the page's own background, and text in the left column, dark on light or light on
// dark. Empty when all of it is there, else what is missing.
std::string missing_from(const Picture& shot, bool light) {
  std::string missing;
  Rgb status = shot.at(8, kStatusTop + 30);
  if (status.luminance() >= 60) missing += "dark status panel (" + describe(status) + "); ";
  if (shot.count(RECT{150, kStatusTop + 10, 460, 455}, [](Rgb c) { return c.luminance() > 150; }) <= 40)
    missing += "status text; ";
  Rgb page = shot.at(kPageBackground.x, kPageBackground.y);
  if (light ? page.luminance() <= 200 : page.luminance() >= 60)
    missing += std::string(light ? "light" : "dark") + " page background (" + describe(page) + "); ";
  int text = light ? shot.count(kLeftColumnLabels, [](Rgb c) { return c.luminance() < 110; })
                   : shot.count(kLeftColumnLabels, [](Rgb c) { return c.luminance() > 150; });
  if (text <= 30) missing += "text in the left column; ";
  return missing;
}

class ScreenAsSeen : public EndToEnd, public testing::WithParamInterface<Theme> {
 protected:
  void TearDown() override { set_light_theme(std::nullopt); }
};

TEST_P(ScreenAsSeen, TheXScreenShowsThePage) {
  const Theme theme = GetParam();
  set_light_theme(theme.light);
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr) << "no visible main window";
  ASSERT_TRUE(program.sync());

  const std::string name = std::string("x-screen-") + theme.name;
  std::optional<Picture> shot;
  std::string missing = "no capture of the X screen";
  // The first frames may still be on their way to the screen.
  pump_until(
      [&] {
        shot = capture_from_x(window, name.c_str());
        if (shot) missing = missing_from(*shot, theme.light != 0);
        return shot && missing.empty();
      },
      60s);
  ASSERT_TRUE(shot.has_value()) << "no capture of the X screen";
  EXPECT_EQ(shot->width, 611);
  EXPECT_EQ(shot->height, 463);
  EXPECT_EQ(missing, "") << "the X screen lacks these (see " << name << ".ppm)";
  EXPECT_EQ(program.close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Themes, ScreenAsSeen,
                         testing::Values(Theme{"light", 1}, Theme{"dark", 0}),
                         [](const testing::TestParamInfo<Theme>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tw::e2e

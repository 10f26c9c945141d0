// The renderer for real under Wine: hand-made display lists drawn into a window, the
// drawn buffer read back, and the failures the host must recover from.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "atom_table.h"
#include "css_value.h"
#include "font_faces.h"
#include "image_registry.h"
#include "orlan/orlan.h"
#include "renderer.h"
#include "vector_image.h"
#include "win32_include.h"

namespace orlan::render {
namespace {

constexpr int kWidth = 320, kHeight = 200;

HWND make_window() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrlanRenderTest";
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"OrlanRenderTest", L"render test", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                         kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A list over items the test owns. The list records are built in place and never
// destroyed, so that the paint stage's storage rules never touch the test's vectors.
struct Frame {
  std::vector<DisplayItem> items;
  std::vector<Rect> rects;
  alignas(DisplayList) unsigned char list_storage[sizeof(DisplayList)];
  alignas(ItemBounds) unsigned char bounds_storage[sizeof(ItemBounds)];
  DisplayList* list = new (list_storage) DisplayList;
  ItemBounds* bounds = new (bounds_storage) ItemBounds;

  DisplayItem& add(ItemKind kind, float x = 0, float y = 0, float w = 0, float h = 0) {
    DisplayItem item;
    std::memset(static_cast<void*>(&item), 0, sizeof item);
    item.kind = kind;
    item.x = x;
    item.y = y;
    item.width = w;
    item.height = h;
    items.push_back(item);
    rects.push_back(Rect{x - 1, y - 1, w + 2, h + 2});
    return items.back();
  }
  DisplayItem& fill(float x, float y, float w, float h, std::uint32_t color) {
    DisplayItem& item = add(ItemKind::kFill, x, y, w, h);
    item.color = color;
    return item;
  }
  const DisplayList& done() {
    list->items = items.data();
    list->count = list->capacity = static_cast<std::uint32_t>(items.size());
    list->complete = true;
    bounds->rects = rects.data();
    bounds->count = bounds->capacity = static_cast<std::uint32_t>(rects.size());
    return *list;
  }
};

struct Pixels {
  const std::uint32_t* data = nullptr;
  std::int32_t width = 0, height = 0;
  std::uint32_t at(int x, int y) const { return data[y * width + x] & 0xFFFFFF; }
};

Pixels captured(const Renderer& r) {
  Pixels p;
  p.data = captured_frame_for_test(r, &p.width, &p.height);
  return p;
}

::testing::AssertionResult close_to(std::uint32_t actual, std::uint32_t expected,
                                    int tolerance = 24) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "%06X, expected %06X", actual, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// A 2 x 2 BMP: red, green on the top row; blue, yellow below.
std::vector<std::uint8_t> tiny_bmp() {
  std::vector<std::uint8_t> b(54 + 16, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<std::uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  b[26] = 1;
  b[28] = 24;
  // Rows bottom-up, BGR, each padded to 4 bytes: blue, yellow; then red, green.
  const std::uint8_t rows[16] = {255, 0, 0, 0, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  std::memcpy(&b[54], rows, 16);
  return b;
}

// A 2 x 2 icon (32-bit DIB with its mask): a format the header check does not know.
std::vector<std::uint8_t> tiny_ico() {
  std::vector<std::uint8_t> b(6 + 16 + 40 + 16 + 8, 0);
  auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&b[at], &v, 2); };
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
  put16(2, 1);
  put16(4, 1);
  b[6] = 2;
  b[7] = 2;
  put16(10, 1);
  put16(12, 32);
  put32(14, 40 + 16 + 8);
  put32(18, 22);
  put32(22, 40);
  put32(26, 2);
  put32(30, 4);  // twice the height: colour rows, then the mask
  put16(34, 1);
  put16(36, 32);
  for (int i = 0; i < 4; ++i) put32(62 + i * 4, 0xFF00FF00u);
  return b;
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program starts: every renderer draws with the device the warm-up made.
    warm_up_graphics_in_background();
    window = make_window();
    ASSERT_NE(window, nullptr);
    atoms.intern("\"No Such Family\", sans-serif", missing_family);
  }
  void TearDown() override {
    destroy_renderer(renderer);
    DestroyWindow(window);
  }
  Renderer* make() {
    renderer = create_renderer(window, kWidth, kHeight, 1);
    if (renderer) set_frame_capture_for_test(*renderer, true);
    return renderer;
  }

  HWND window = nullptr;
  Renderer* renderer = nullptr;
  AtomTable atoms;
  Atom missing_family = 0;
};

TEST_F(RendererTest, DrawsFillsClipsBordersGradientsOpacityAndTransforms) {
  ASSERT_NE(make(), nullptr) << last_error();
  Frame f;
  f.fill(10, 10, 40, 40, 0xFFFF0000);
  // A round clip: the corner of its square stays white.
  DisplayItem& clip = f.add(ItemKind::kPushClip, 60, 10, 40, 40);
  for (float& r : clip.radii) r = 20;
  f.fill(50, 0, 60, 60, 0xFF0000FF);
  f.add(ItemKind::kPopClip);
  // A uniform border and one with four colours.
  DisplayItem& border = f.add(ItemKind::kBorder, 110, 10, 40, 40);
  for (int i = 0; i < 4; ++i) {
    border.widths[i] = 4;
    border.colors[i] = 0xFF00A000;
  }
  DisplayItem& sides = f.add(ItemKind::kBorder, 160, 10, 40, 40);
  const std::uint32_t side_colors[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000};
  for (int i = 0; i < 4; ++i) {
    sides.widths[i] = 6;
    sides.colors[i] = side_colors[i];
  }
  // Black to white, left to right.
  css::GradientStop stops[2] = {{0xFF000000, {0, css::kUnitPercent}},
                                {0xFFFFFFFF, {100, css::kUnitPercent}}};
  css::Gradient gradient;
  gradient.angle = 90;
  gradient.stops = stops;
  gradient.stop_count = 2;
  f.add(ItemKind::kGradient, 10, 60, 100, 20).gradient = &gradient;
  // Half-transparent black over white.
  f.add(ItemKind::kPushOpacity).opacity = 0.5f;
  f.fill(120, 60, 40, 20, 0xFF000000);
  f.add(ItemKind::kPopOpacity);
  // A square moved by a transform.
  DisplayItem& move = f.add(ItemKind::kPushTransform);
  const float m[6] = {1, 0, 0, 1, 200, 60};
  std::memcpy(move.matrix, m, sizeof m);
  f.fill(0, 0, 20, 20, 0xFFFF00FF);
  f.add(ItemKind::kPopTransform);
  // A push left open at the end of the list is still composed.
  f.add(ItemKind::kPushOpacity).opacity = 0.999f;
  f.fill(250, 10, 20, 20, 0xFF00FFFF);

  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  const Pixels p = captured(*renderer);
  ASSERT_NE(p.data, nullptr);
  ASSERT_EQ(p.width, kWidth);
  EXPECT_TRUE(close_to(p.at(5, 5), 0xFFFFFF));
  EXPECT_TRUE(close_to(p.at(30, 30), 0xFF0000));
  EXPECT_TRUE(close_to(p.at(80, 30), 0x0000FF));
  EXPECT_TRUE(close_to(p.at(62, 12), 0xFFFFFF)) << "outside the round clip";
  EXPECT_TRUE(close_to(p.at(55, 30), 0xFFFFFF)) << "outside the clip's square";
  EXPECT_TRUE(close_to(p.at(111, 30), 0x00A000));
  EXPECT_TRUE(close_to(p.at(130, 30), 0xFFFFFF));
  EXPECT_TRUE(close_to(p.at(180, 12), 0xFF0000));
  EXPECT_TRUE(close_to(p.at(197, 30), 0x00FF00));
  EXPECT_TRUE(close_to(p.at(180, 47), 0x0000FF));
  EXPECT_TRUE(close_to(p.at(162, 30), 0x000000));
  EXPECT_TRUE(close_to(p.at(180, 30), 0xFFFFFF));
  // The gradient darkest at the left, lightest at the right, rising in between.
  const int g0 = p.at(12, 70) & 0xFF, g1 = p.at(60, 70) & 0xFF, g2 = p.at(107, 70) & 0xFF;
  EXPECT_LT(g0, 40);
  EXPECT_GT(g2, 215);
  EXPECT_GT(g1, g0 + 40);
  EXPECT_LT(g1, g2 - 40);
  EXPECT_TRUE(close_to(p.at(140, 70), 0x808080, 12));
  EXPECT_TRUE(close_to(p.at(210, 70), 0xFF00FF));
  EXPECT_TRUE(close_to(p.at(205, 5), 0xFFFFFF)) << "the untransformed place stays empty";
  EXPECT_TRUE(close_to(p.at(260, 20), 0x00FFFF));
}

TEST_F(RendererTest, TextInAMissingFamilyIsStillDrawnAndMeasured) {
  ASSERT_NE(make(), nullptr) << last_error();
  static const char kText[] = "Hello, world";
  FontDescription font;
  font.family = missing_family;
  font.size = 24;
  const TextMeasurer& measurer = text_measurer();
  ASSERT_NE(measurer.measure, nullptr);
  const float width = measurer.measure(measurer.user, atoms, font, kText, sizeof kText - 1);
  const FontMetrics metrics = measurer.metrics(measurer.user, atoms, font);
  EXPECT_GT(width, 60);
  EXPECT_LT(width, 300);
  EXPECT_GT(metrics.ascent, 10);
  EXPECT_GT(metrics.descent, 1);
  // The cached width is the same.
  EXPECT_EQ(measurer.measure(measurer.user, atoms, font, kText, sizeof kText - 1), width);
  // Letter-spacing widens the run by about one spacing per character.
  FontDescription spaced = font;
  spaced.letter_spacing = 2;
  EXPECT_NEAR(measurer.measure(measurer.user, atoms, spaced, kText, sizeof kText - 1),
              width + 2 * (sizeof kText - 1), 3);

  Frame f;
  DisplayItem& run = f.add(ItemKind::kText, 10, 20, width, metrics.ascent + metrics.descent);
  run.text = kText;
  run.text_length = sizeof kText - 1;
  run.baseline = metrics.ascent;
  run.font = font;
  run.color = 0xFF000000;
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  const Pixels p = captured(*renderer);
  ASSERT_NE(p.data, nullptr);
  int dark = 0, stray = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if ((p.at(x, y) & 0xFF) >= 128) continue;
      const bool inside =
          x >= 8 && x <= 12 + width && y >= 18 && y <= 22 + metrics.ascent + metrics.descent;
      (inside ? dark : stray)++;
    }
  }
  EXPECT_GT(dark, 80) << "the run drew (almost) nothing";
  EXPECT_EQ(stray, 0);
}

std::vector<std::uint8_t> read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct FontSource {
  std::vector<std::uint8_t> bytes;
  std::string asked;
};

bool supply_font(void* context, const char* family, std::size_t family_length, const char* source,
                 std::size_t source_length, const std::uint8_t** bytes, std::size_t* length) {
  auto* font = static_cast<FontSource*>(context);
  font->asked = std::string(family, family_length) + "|" + std::string(source, source_length);
  if (font->bytes.empty()) return false;
  *bytes = font->bytes.data();
  *length = font->bytes.size();
  return true;
}

TEST_F(RendererTest, FontFacesOfTheAuthorSheetUseTheLoadersBytes) {
  // The host's monospaced font, read from the Unix side, under a name no system has.
  FontSource font{read_file("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSansMono.ttf"), {}};
  if (font.bytes.empty()) GTEST_SKIP() << "no DejaVu Sans Mono on this machine";
  set_font_loader(&font, &supply_font);
  View* view = create_view();
  ASSERT_NE(view, nullptr);
  const std::uint32_t before = font_faces().generation();
  static const char kSheet[] = "@font-face { font-family: 'Brand Mono'; src: url(brand.ttf); }";
  ASSERT_EQ(load_css(view, kSheet, sizeof kSheet - 1), kOk);
  destroy_view(view);
  set_font_loader(nullptr, nullptr);
  EXPECT_EQ(font.asked, "Brand Mono|brand.ttf");
  EXPECT_EQ(font_faces().generation(), before + 1);

  Atom brand = 0, system_mono = 0;
  atoms.intern("\"Brand Mono\", monospace", brand);
  atoms.intern("DejaVu Sans Mono", system_mono);
  const TextMeasurer& measurer = text_measurer();
  auto width = [&](Atom family, const char* text) {
    FontDescription description;
    description.family = family;
    description.size = 20;
    return measurer.measure(measurer.user, atoms, description, text, std::strlen(text));
  };
  // Monospaced: "iiii" and "MMMM" are equally wide, as wide as the system's copy.
  EXPECT_NEAR(width(brand, "iiii"), width(brand, "MMMM"), 0.01);
  EXPECT_NEAR(width(brand, "MMMM"), width(system_mono, "MMMM"), 0.01);
  EXPECT_GT(width(missing_family, "MMMM"), width(missing_family, "iiii") + 10)
      << "the fallback family is proportional";
}

TEST_F(RendererTest, RasterImagesDecodeAndVectorImagesTakeTheTint) {
  ASSERT_NE(make(), nullptr) << last_error();
  const std::vector<std::uint8_t> bmp = tiny_bmp();
  image::ImageEntry raster;
  raster.bytes = const_cast<std::uint8_t*>(bmp.data());
  raster.length = bmp.size();
  raster.width = raster.height = 2;
  raster.generation = 1;

  svg::VectorImage vector;
  vector.width = vector.height = vector.view_width = vector.view_height = 10;
  vector.segments = {{svg::SegmentKind::MoveTo, {{0, 0}}},
                     {svg::SegmentKind::LineTo, {{10, 0}}},
                     {svg::SegmentKind::LineTo, {{10, 10}}},
                     {svg::SegmentKind::LineTo, {{0, 10}}},
                     {svg::SegmentKind::Close, {}}};
  svg::DrawRecord record;
  record.segment_count = 5;
  record.fill = svg::kCurrentColour;
  vector.draws = {record};
  image::ImageEntry icon;
  icon.svg = &vector;
  icon.generation = 2;

  const std::vector<std::uint8_t> garbage(64, 0x5A);
  image::ImageEntry broken;
  broken.bytes = const_cast<std::uint8_t*>(garbage.data());
  broken.length = garbage.size();

  Frame f;
  DisplayItem& picture = f.add(ItemKind::kImage, 10, 10, 40, 40);
  picture.image = &raster;
  DisplayItem& tinted = f.add(ItemKind::kImage, 60, 10, 20, 20);
  tinted.image = &icon;
  tinted.color = 0xFF008080;
  f.add(ItemKind::kImage, 100, 10, 20, 20).image = &broken;
  // Repeated along x over a 100 px tile area, one 10 px tile per repetition.
  DisplayItem& tiles = f.add(ItemKind::kImage, 10, 60, 10, 10);
  tiles.image = &raster;
  tiles.repeat_x = 1;
  tiles.tile_x = 10;
  tiles.tile_y = 60;
  tiles.tile_width = 100;
  tiles.tile_height = 10;
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  const Pixels p = captured(*renderer);
  ASSERT_NE(p.data, nullptr);
  EXPECT_TRUE(close_to(p.at(14, 14), 0xFF0000));
  EXPECT_TRUE(close_to(p.at(46, 14), 0x00FF00));
  EXPECT_TRUE(close_to(p.at(14, 46), 0x0000FF));
  EXPECT_TRUE(close_to(p.at(46, 46), 0xFFFF00));
  EXPECT_TRUE(close_to(p.at(70, 20), 0x008080));
  EXPECT_TRUE(close_to(p.at(110, 20), 0xFFFFFF)) << "undecodable bytes draw nothing";
  EXPECT_TRUE(close_to(p.at(92, 62), 0xFF0000)) << "the ninth tile";
  EXPECT_TRUE(close_to(p.at(11, 72), 0xFFFFFF)) << "no tiles along y";

  // The information function: the header check, else the decoder.
  std::int32_t w = 0, h = 0;
  EXPECT_TRUE(image_info(nullptr, bmp.data(), bmp.size(), &w, &h));
  EXPECT_EQ(w, 2);
  const std::vector<std::uint8_t> ico = tiny_ico();
  w = h = 0;
  EXPECT_TRUE(image_info(nullptr, ico.data(), ico.size(), &w, &h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  EXPECT_FALSE(image_info(nullptr, garbage.data(), garbage.size(), &w, &h));
}

// image_set under a name already drawn keeps the entry and raises its generation: the
// renderer must drop the bitmap it decoded from the old bytes.
TEST_F(RendererTest, AnImageReplacedUnderItsNameIsDecodedAgain) {
  ASSERT_NE(make(), nullptr) << last_error();
  std::vector<std::uint8_t> bytes = tiny_bmp();
  image::ImageEntry entry;
  entry.bytes = bytes.data();
  entry.length = bytes.size();
  entry.width = entry.height = 2;
  entry.generation = 1;
  auto draw = [&] {
    Frame f;
    f.add(ItemKind::kImage, 10, 10, 40, 40).image = &entry;
    f.items.back().image_generation = entry.generation;
    EXPECT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
    return captured(*renderer);
  };
  Pixels p = draw();
  ASSERT_NE(p.data, nullptr);
  EXPECT_TRUE(close_to(p.at(14, 14), 0xFF0000));

  // New bytes in the same buffer (only the generation tells): every pixel blue (BGR rows).
  for (std::size_t row = 0; row < 2; ++row)
    for (std::size_t x = 0; x < 2; ++x) {
      std::uint8_t* bgr = &bytes[54 + row * 8 + x * 3];
      bgr[0] = 255;
      bgr[1] = bgr[2] = 0;
    }
  entry.generation = 2;
  p = draw();
  ASSERT_NE(p.data, nullptr);
  EXPECT_TRUE(close_to(p.at(14, 14), 0x0000FF)) << "the old bitmap was drawn";
  EXPECT_TRUE(close_to(p.at(46, 46), 0x0000FF)) << "the old bitmap was drawn";
}

TEST_F(RendererTest, PartialFramesRedrawOnlyTheDamageAndThePreviousTwo) {
  ASSERT_NE(make(), nullptr) << last_error();
  auto frame = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, const Rect* damage) {
    Frame f;
    f.fill(10, 10, 20, 20, a);
    f.fill(50, 60, 20, 20, b);  // below the union of the other two
    f.fill(90, 10, 20, 20, c);
    return render(*renderer, f.done(), atoms, 0xFFFFFFFF, damage, *f.bounds);
  };
  const Rect first{10, 10, 20, 20}, third{90, 10, 20, 20};
  // A full frame, then two frames that redraw everything because the full frame's
  // change is still among the last two.
  ASSERT_TRUE(frame(0xFFFF0000, 0xFFFF0000, 0xFFFF0000, nullptr));
  ASSERT_TRUE(frame(0xFFFF0000, 0xFFFF0000, 0xFFFF0000, &first));
  ASSERT_TRUE(frame(0xFFFF0000, 0xFFFF0000, 0xFFFF0000, &first));
  // Only the first square is declared damaged: the second one's change is not drawn.
  ASSERT_TRUE(frame(0xFF00FF00, 0xFF0000FF, 0xFFFF0000, &first));
  Pixels p = captured(*renderer);
  EXPECT_TRUE(close_to(p.at(20, 20), 0x00FF00));
  EXPECT_TRUE(close_to(p.at(60, 70), 0xFF0000)) << "outside the damage";
  EXPECT_TRUE(close_to(p.at(100, 20), 0xFF0000));
  // The next frame changes the third square; the buffer it draws into last showed an
  // older frame, so the first square is redrawn too.
  ASSERT_TRUE(frame(0xFF00FF00, 0xFF0000FF, 0xFF000000, &third));
  p = captured(*renderer);
  EXPECT_TRUE(close_to(p.at(20, 20), 0x00FF00));
  EXPECT_TRUE(close_to(p.at(100, 20), 0x000000));
  EXPECT_TRUE(close_to(p.at(60, 70), 0xFF0000)) << "never damaged, never redrawn";
}

// Groups nested past the levels whose targets are kept between frames still compose:
// twenty translucent levels over black, a rounded clip inside them that cuts its corner,
// and a plain clip in there whose pop closes it and not the rounded one.
TEST_F(RendererTest, GroupsNestedPastSixteenStillComposeAndPopsCloseTheirOwnPush) {
  ASSERT_NE(make(), nullptr) << last_error();
  Frame f;
  for (int i = 0; i < 20; ++i) f.add(ItemKind::kPushOpacity).opacity = 0.9f;
  f.fill(10, 10, 40, 40, 0xFF000000);
  DisplayItem& round = f.add(ItemKind::kPushClip, 60, 10, 40, 40);
  for (float& r : round.radii) r = 20;
  f.add(ItemKind::kPushClip, 60, 10, 5, 5);
  f.add(ItemKind::kPopClip);
  f.fill(50, 0, 60, 60, 0xFF000000);
  f.add(ItemKind::kPopClip);
  for (int i = 0; i < 20; ++i) f.add(ItemKind::kPopOpacity);
  f.fill(120, 10, 20, 20, 0xFF0000FF);  // outside every group
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  const Pixels p = captured(*renderer);
  // Black at 0.9 to the twentieth over white (sixteen levels would give 0xD0).
  const std::uint32_t grey = 0xE0E0E0;
  EXPECT_TRUE(close_to(p.at(30, 30), grey, 6));
  EXPECT_TRUE(close_to(p.at(80, 30), grey, 6)) << "inside the rounded clip";
  EXPECT_TRUE(close_to(p.at(62, 12), 0xFFFFFF, 6)) << "the rounded clip's corner";
  EXPECT_TRUE(close_to(p.at(130, 20), 0x0000FF, 6)) << "after the groups";
  // The next frame draws with the same renderer.
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  EXPECT_TRUE(close_to(captured(*renderer).at(30, 30), grey, 6));
}

TEST_F(RendererTest, FailedPresentOrEndDrawFailsTheFrameAndANewRendererDrawsInFull) {
  ASSERT_NE(make(), nullptr) << last_error();
  Frame f;
  f.fill(10, 10, 20, 20, 0xFF0000FF);
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));

  const Rect small{10, 10, 2, 2};
  inject_failures_for_test(0, static_cast<std::int32_t>(0x887A0005));  // device removed
  EXPECT_FALSE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, &small, *f.bounds));
  destroy_renderer(renderer);
  renderer = nullptr;
  ASSERT_NE(make(), nullptr) << last_error();
  // Asked for a partial frame, the new renderer still draws everything.
  Frame g;
  g.fill(10, 10, 20, 20, 0xFF0000FF);
  g.fill(200, 100, 20, 20, 0xFF00FF00);
  ASSERT_TRUE(render(*renderer, g.done(), atoms, 0xFFFFFFFF, &small, *g.bounds));
  const Pixels p = captured(*renderer);
  EXPECT_TRUE(close_to(p.at(20, 20), 0x0000FF));
  EXPECT_TRUE(close_to(p.at(210, 110), 0x00FF00));

  // Any failed EndDraw fails the frame, not only the recreate-target codes.
  inject_failures_for_test(static_cast<std::int32_t>(0x80004005), 0);
  EXPECT_FALSE(render(*renderer, g.done(), atoms, 0xFFFFFFFF, nullptr, *g.bounds));
  inject_failures_for_test(0, static_cast<std::int32_t>(0x80004005));
  EXPECT_FALSE(render(*renderer, g.done(), atoms, 0xFFFFFFFF, nullptr, *g.bounds));
}

TEST_F(RendererTest, ResizeRedrawsInFullAndCreationFailuresSayWhy) {
  ASSERT_NE(make(), nullptr) << last_error();
  Frame f;
  f.fill(0, 0, 400, 400, 0xFF00FF00);
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  SetWindowPos(window, nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(resize(*renderer, 200, 100));
  const Rect small{0, 0, 1, 1};
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, &small, *f.bounds));
  Pixels p = captured(*renderer);
  ASSERT_EQ(p.width, 200);
  EXPECT_TRUE(close_to(p.at(150, 80), 0x00FF00)) << "the new buffers were drawn in full";

  // A failed resize leaves the renderer unusable: the frame fails and the host builds a
  // new one.
  inject_failures_for_test(0, 0, static_cast<std::int32_t>(0x887A0001));
  EXPECT_FALSE(resize(*renderer, 300, 150));
  EXPECT_NE(std::string(last_error()).find("ResizeBuffers failed (0x887a0001)"), std::string::npos)
      << last_error();
  EXPECT_FALSE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));
  destroy_renderer(renderer);
  renderer = nullptr;
  ASSERT_NE(make(), nullptr) << last_error();
  ASSERT_TRUE(render(*renderer, f.done(), atoms, 0xFFFFFFFF, nullptr, *f.bounds));

  EXPECT_EQ(create_renderer(nullptr, 10, 10, 1), nullptr);
  EXPECT_NE(std::string(last_error()).find("CreateSwapChainForHwnd failed (0x"), std::string::npos)
      << last_error();
}

}  // namespace
}  // namespace orlan::render

// Ends the process once the results are out: unloading the graphics drivers at exit can
// stall under Wine on a busy machine until the server kills the process, which would
// turn a passing run into a failed one.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}

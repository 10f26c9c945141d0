// Partial frames for real under Wine: pages laid out, painted and drawn by the renderer;
// after a change, the frame drawn over the previous one (its damage only, as the host
// draws it) reads back the same pixels as a full frame of the same state drawn by a new
// renderer. Wine's Direct2D draws no effects, so filter groups here are drawn as plain
// groups; the memory surface of the paint tests covers the effects themselves.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "orlan/orlan.h"
#include "renderer.h"
#include "win32_include.h"

namespace orlan::render {
namespace {

constexpr int kWidth = 300, kHeight = 200;

HWND make_window() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrlanPartialFrameTest";
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"OrlanPartialFrameTest", L"partial frame test", WS_POPUP | WS_VISIBLE,
                         0, 0, kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

struct Case {
  const char* name;
  const char* html;
  const char* id;     // the element whose style changes
  const char* style;  // its new style attribute
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const Case kCases[] = {
    {"colour",
     "<style>body{margin:0} div{width:60px;height:30px;margin:4px;background:#28a}</style>"
     "<div></div><div id=a></div><div></div>",
     "a", "background:#c33"},
    {"text",
     "<style>body{margin:0;font:16px sans-serif} p{margin:8px}</style>"
     "<p>fixed <span id=a>abcdef</span> text</p><p>second line</p>",
     "a", "color:#c00"},
    {"tiled-background",
     "<style>body{margin:0} #box{width:280px;height:180px;background:url(tile.svg)}"
     "#a{position:absolute;left:220px;top:140px;width:20px;height:20px;background:#000}</style>"
     "<div id=box><div id=a></div></div>",
     "a", "background:#f80"},
    {"blurred-group",
     "<style>body{margin:0} #g{margin:40px;width:120px;height:80px;filter:blur(3px)}"
     "#g div{height:20px;background:#246}</style>"
     "<div id=g><div></div><div id=a></div><div></div></div>",
     "a", "background:#e42"},
    {"shadowed-group",
     "<style>body{margin:0} #g{margin:40px;width:120px;height:80px;"
     "filter:drop-shadow(8px 6px 4px #000)} #g div{width:50px;height:20px;background:#246}</style>"
     "<div id=g><div></div><div id=a></div></div>",
     "a", "width:90px;height:20px;background:#246"},
    {"rounded-translucent-group",
     "<style>body{margin:0} #c{margin:20px;width:200px;height:100px;overflow:hidden;"
     "border-radius:12px;opacity:.7;background:#ddd} "
     "#a{width:60px;height:40px;background:#393}</style>"
     "<div id=c><div id=a></div></div>",
     "a", "width:60px;height:40px;background:#939;margin-left:150px"},
};

class PartialFrameWin : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    window = make_window();
    ASSERT_NE(window, nullptr);
    view = create_view();
    doc = document(view);
  }
  void TearDown() override {
    destroy_view(view);
    DestroyWindow(window);
  }

  // Lays out, paints and returns the new list's damage against `previous`.
  Damage paint(DisplayList& previous) {
    layout_document(*doc, kWidth, kHeight, &text_measurer());
    EXPECT_EQ(build_display_list(*doc, list, &text_measurer()), kOk);
    return diff_display_lists(previous, list, bounds);
  }

  std::vector<std::uint32_t> read_back(const Renderer& r) {
    std::int32_t w = 0, h = 0;
    const std::uint32_t* p = captured_frame_for_test(r, &w, &h);
    if (!p) return {};
    return std::vector<std::uint32_t>(p, p + static_cast<std::size_t>(w) * h);
  }

  HWND window = nullptr;
  View* view = nullptr;
  Document* doc = nullptr;
  DisplayList list;
  ItemBounds bounds;
};

TEST_P(PartialFrameWin, ReadsBackTheSameAsAFullFrame) {
  const Case& c = GetParam();
  ASSERT_EQ(load_page(view, c.html, {}), kOk);
  constexpr std::string_view tile =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"12\">"
      "<rect width=\"8\" height=\"6\" fill=\"#36c\"/><rect x=\"8\" y=\"6\" width=\"8\" "
      "height=\"6\" fill=\"#c63\"/></svg>";
  ASSERT_EQ(image_set(doc, "tile.svg", 8, tile.data(), tile.size()), kOk);
  set_viewport(*doc, kWidth, kHeight);

  Renderer* screen = create_renderer(window, kWidth, kHeight, 1);
  ASSERT_NE(screen, nullptr) << last_error();
  set_frame_capture_for_test(*screen, true);
  DisplayList previous;
  paint(previous);
  // A full frame, then two that change one pixel: both buffers show the page and the
  // next frame redraws little more than its own damage.
  ASSERT_TRUE(render(*screen, list, doc->atoms, 0xFFFFFFFF, nullptr, bounds));
  const Rect corner{kWidth - 1, kHeight - 1, 1, 1};
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE(render(*screen, list, doc->atoms, 0xFFFFFFFF, &corner, bounds));
  ASSERT_TRUE(previous.copy_from(list));

  Node* changed = get_element_by_id(doc, c.id, std::strlen(c.id));
  ASSERT_NE(changed, nullptr);
  ASSERT_EQ(set_attribute(changed, "style", 5, c.style, std::strlen(c.style)), kOk);
  const Damage damage = paint(previous);
  ASSERT_TRUE(damage.partial);
  ASSERT_GT(damage.rect.width * damage.rect.height, 0);
  ASSERT_TRUE(render(*screen, list, doc->atoms, 0xFFFFFFFF, &damage.rect, bounds));
  const std::vector<std::uint32_t> partial = read_back(*screen);
  destroy_renderer(screen);

  Renderer* fresh = create_renderer(window, kWidth, kHeight, 1);
  ASSERT_NE(fresh, nullptr) << last_error();
  set_frame_capture_for_test(*fresh, true);
  ASSERT_TRUE(render(*fresh, list, doc->atoms, 0xFFFFFFFF, nullptr, bounds));
  const std::vector<std::uint32_t> full = read_back(*fresh);
  destroy_renderer(fresh);

  ASSERT_EQ(partial.size(), full.size());
  ASSERT_FALSE(full.empty());
  std::size_t differing = 0, first = 0;
  for (std::size_t i = 0; i < full.size(); ++i)
    if ((partial[i] & 0xFFFFFF) != (full[i] & 0xFFFFFF) && differing++ == 0) first = i;
  EXPECT_EQ(differing, 0u) << "first at " << first % kWidth << "," << first / kWidth;
}

INSTANTIATE_TEST_SUITE_P(Pages, PartialFrameWin, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

}  // namespace
}  // namespace orlan::render

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}

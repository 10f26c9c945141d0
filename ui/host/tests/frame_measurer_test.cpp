// What painting measures itself (the caret, control selections, the composition underline,
// the document selection and the ellipsis) is measured with the surface's measurer, the
// one layout used: otherwise these sit off the glyphs on screen.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "controls.h"
#include "frame.h"
#include "input.h"
#include "orlan/orlan.h"

namespace orlan::host {
namespace {

// Ten pixels a byte: nothing like the fallback measurer's half an em a code point.
float ten_per_byte(void*, const AtomTable&, const FontDescription&, const char*,
                   std::size_t length) {
  return 10.0f * static_cast<float>(length);
}
FontMetrics fallback_metrics(void*, const AtomTable& atoms, const FontDescription& font) {
  const TextMeasurer& fallback = fallback_text_measurer();
  return fallback.metrics(fallback.user, atoms, font);
}

class WideSurface final : public FrameSurface {
 public:
  const TextMeasurer& text_measurer() override { return m_measurer; }
  Prepared prepare() override { return Prepared::kReady; }
  bool draw(const DisplayList& list, const AtomTable&, std::uint32_t, const Rect*,
            const ItemBounds&) override {
    items.assign(list.items, list.items + list.count);
    return true;
  }
  std::vector<DisplayItem> items;

 private:
  TextMeasurer m_measurer{nullptr, ten_per_byte, fallback_metrics};
};

double clock_ms() {
  static double now = 0;
  return now += 1;
}

constexpr std::uint32_t kSelection = 0x663390FF;
constexpr std::uint32_t kBlack = 0xFF000000;

// "x,width" of every fill of the colour, in list order.
std::string fills(const std::vector<DisplayItem>& items, std::uint32_t color) {
  std::string out;
  for (const DisplayItem& item : items)
    if (item.kind == ItemKind::kFill && item.color == color)
      out += std::to_string(static_cast<int>(item.x)) + "," +
             std::to_string(static_cast<int>(item.width)) + " ";
  return out;
}

TEST(FrameMeasurer, CaretSelectionsCompositionAndEllipsisFollowTheSurfaceMeasurer) {
  View* view = create_view();
  constexpr std::string_view kPage =
      "<html><body><input id=f value=123456789><p id=p>abcdef</p>"
      "<div id=cut>abcdefgh</div></body></html>";
  constexpr std::string_view kSheet =
      "body { margin: 0; font-size: 16px; color: #000 }"
      "#f { display: block; width: 200px; padding: 0; border: 0; color: #000 }"
      "p { margin: 0 }"
      "#cut { width: 75px; overflow: hidden; white-space: nowrap; text-overflow: ellipsis }";
  ASSERT_EQ(load_html(view, kPage.data(), kPage.size()), kOk);
  ASSERT_EQ(load_css(view, kSheet.data(), kSheet.size()), kOk);
  Document& d = *view->document;
  set_viewport(d, 400, 300);
  FrameState state;
  WideSurface surface;
  auto frame = [&] { run_frame(*view, state, surface, 400, 300, clock_ms, FrameOptions{}, nullptr); };
  frame();  // laid out: the text nodes have their boxes

  Node* field = get_element_by_id(&d, "f", 1);
  Node* p = get_element_by_id(&d, "p", 1);
  ASSERT_TRUE(field && p && p->first_child);
  set_focus(d, field);
  ASSERT_EQ(set_selection(field, 0, 6), kOk);
  d.input.selection_anchor = TextPoint{p->first_child, 1};
  d.input.selection_focus = TextPoint{p->first_child, 4};
  frame();
  // The field's selection over "123456", the document's over "bcd", then the caret after
  // the "6"; the ellipsis after "abcd" (40 px of the 75) is 30 px wide.
  EXPECT_EQ(fills(surface.items, kSelection), "0,60 10,30 ");
  EXPECT_EQ(fills(surface.items, kBlack), "60,1 ");
  int ellipses = 0;
  for (const DisplayItem& item : surface.items) {
    if (item.kind != ItemKind::kText || std::string_view(item.text, item.text_length) != "\xE2\x80\xA6")
      continue;
    ++ellipses;
    EXPECT_EQ(item.x, 40);
    EXPECT_EQ(item.width, 30);
  }
  EXPECT_EQ(ellipses, 1);

  // A composition of two characters at the caret: underlined across their 20 px, the
  // caret after the first.
  d.input.selection_anchor = d.input.selection_focus = TextPoint{};
  ASSERT_EQ(set_selection(field, 9, 9), kOk);
  composition_update(d, "xy", 2, 1);
  frame();
  EXPECT_EQ(fills(surface.items, kBlack), "90,20 100,1 ");
  destroy_view(view);
}

}  // namespace
}  // namespace orlan::host

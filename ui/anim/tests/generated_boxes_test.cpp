// Generated boxes (::before, ::after, ::marker) through the real style pass: their
// transitions and animations run as an element's do.

#include <gtest/gtest.h>

#include <string_view>

#include "animations.h"
#include "computed_style.h"
#include "document.h"
#include "orlan/orlan.h"

namespace orlan::anim {
namespace {

constexpr std::string_view kPage =
    "<html><body><p id=p>text</p><ul><li id=li>item</li></ul></body></html>";
constexpr std::string_view kSheet =
    "p::before { content: 'x'; color: #000000; transition: color 100ms linear }"
    "p.hot::before { color: #ffffff }"
    "p::after { content: 'y'; animation: pulse 200ms linear infinite }"
    "@keyframes pulse { from { opacity: 0 } to { opacity: 1 } }"
    "li::marker { color: #000000; transition: color 100ms linear }"
    "li.hot::marker { color: #ffffff }";

Node* generated(Node* owner, std::uint8_t kind) {
  for (Node* c = owner->first_child; c; c = c->next_sibling)
    if (c->generated == kind) return c;
  return nullptr;
}

// The red channel of a colour (all three move together here).
int red(const Node* n) {
  return static_cast<int>((n->style->color >> 16) & 0xFF);
}

class GeneratedBoxes : public ::testing::Test {
 protected:
  GeneratedBoxes() {
    install_animations(&apply_declaration);
    view = create_view();
    EXPECT_EQ(load_html(view, kPage.data(), kPage.size()), kOk);
    EXPECT_EQ(load_css(view, kSheet.data(), kSheet.size()), kOk);
    doc = document(view);
    set_viewport(*doc, 400, 300);
    p = get_element_by_id(doc, "p", 1);
    li = get_element_by_id(doc, "li", 2);
  }
  ~GeneratedBoxes() override { destroy_view(view); }

  View* view = nullptr;
  Document* doc = nullptr;
  Node* p = nullptr;
  Node* li = nullptr;
};

TEST_F(GeneratedBoxes, TransitionsRunOnBeforeAndMarker) {
  style_pass(*doc, 0);
  Node* before = generated(p, kGeneratedBefore);
  Node* marker = generated(li, kGeneratedMarker);
  ASSERT_NE(before, nullptr);
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(red(before), 0);

  ASSERT_EQ(add_class(p, "hot", 3), kOk);
  ASSERT_EQ(add_class(li, "hot", 3), kOk);
  EXPECT_GE(style_pass(*doc, 1000), 2u) << "both transitions run";
  before = generated(p, kGeneratedBefore);
  marker = generated(li, kGeneratedMarker);
  EXPECT_EQ(red(before), 0) << "the old colour until time moves on";
  style_pass(*doc, 1050);
  EXPECT_GT(red(before), 100);
  EXPECT_LT(red(before), 155);
  EXPECT_GT(red(marker), 100);
  EXPECT_LT(red(marker), 155);
  style_pass(*doc, 1200);
  EXPECT_EQ(red(before), 255);
  EXPECT_EQ(red(marker), 255);
}

TEST_F(GeneratedBoxes, AnimationsRunOnAfter) {
  style_pass(*doc, 0);
  Node* after = generated(p, kGeneratedAfter);
  ASSERT_NE(after, nullptr);
  EXPECT_GE(style_pass(*doc, 100), 1u);
  EXPECT_NEAR(after->style->opacity, 0.5f, 0.01f);
  style_pass(*doc, 150);
  EXPECT_NEAR(after->style->opacity, 0.75f, 0.01f);
}

}  // namespace
}  // namespace orlan::anim

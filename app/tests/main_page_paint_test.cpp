// The main page as the application builds it (the real page, stylesheet, logo and screen
// over the fakes), laid out at the window's size and hit-tested the way the host routes
// the pointer: buttons, selects, table cells and the logo answer for themselves, and a
// row scrolled out of the list's box answers for nothing. Painted with a long list, rows
// off the screen are left out without changing the display list.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "main_screen_page.h"
#include "scroll.h"

namespace {

// The main page with thirty rows, more than the list box shows.
struct PaintedScreen : tw::test::MainScreenPage {
  PaintedScreen() : MainScreenPage(tw::test::list_of_clicks(30)) {}
  void layout() { lay_out(); }
  static orlan::Node* child_element(orlan::Node* parent, int index) {
    std::vector<orlan::Node*> children = elements(parent);
    return index < static_cast<int>(children.size()) ? children[index] : nullptr;
  }
  // What the pointer at the centre of `node`'s border box hits.
  orlan::Node* hit_centre(orlan::Node* node) {
    const orlan::Rect r = orlan::absolute_position(*node);
    return orlan::hit_test(document(), r.x + r.width / 2, r.y + r.height / 2);
  }
  static bool within(orlan::Node* node, orlan::Node* ancestor) {
    for (; node; node = node->parent)
      if (node == ancestor) return true;
    return false;
  }
};

TEST(MainPageHitTest, ControlsCellsAndLogoAnswerForThemselves) {
  PaintedScreen s;
  ASSERT_NE(s.row(29), nullptr);
  for (const char* id : {"btn-clear", "after", "btn-about", "delay1", "use-record"}) {
    SCOPED_TRACE(id);
    orlan::Node* element = s.element(id);
    ASSERT_NE(element, nullptr);
    ASSERT_GT(element->box->width, 0);
    EXPECT_EQ(s.hit_centre(element), element);
  }
  // The second row's delay cell (the fourth), and a point on its text.
  orlan::Node* delay_cell = PaintedScreen::child_element(s.row(1), 3);
  ASSERT_NE(delay_cell, nullptr);
  EXPECT_EQ(s.hit_centre(delay_cell), delay_cell);
  const orlan::Rect r = orlan::absolute_position(*delay_cell);
  EXPECT_EQ(orlan::hit_test(s.document(), r.x + 8, r.y + r.height / 2), delay_cell);
}

TEST(MainPageHitTest, RowsScrolledOutOfTheListBoxAreNotHit) {
  PaintedScreen s;
  orlan::Node* box = s.element("list-box");
  ASSERT_GT(orlan::max_scroll_y(*box), 100);
  orlan::Node* first = s.row(0);
  const orlan::Rect before = orlan::absolute_position(*first);
  EXPECT_TRUE(PaintedScreen::within(s.hit_centre(first), first));
  ASSERT_TRUE(orlan::set_scroll_offset(*box, 0, 100));
  s.layout();
  // The row now lies above the box's padding box: the clip keeps the point from it, and
  // the point where it stood shows a later row.
  const orlan::Rect after = orlan::absolute_position(*first);
  EXPECT_LT(after.y + after.height, orlan::absolute_position(*box).y);
  orlan::Node* at_old_place = orlan::hit_test(s.document(), before.x + before.width / 2,
                                              before.y + before.height / 2);
  EXPECT_FALSE(PaintedScreen::within(at_old_place, first));
  EXPECT_TRUE(PaintedScreen::within(at_old_place, box));
  orlan::Node* at_new_place = s.hit_centre(first);
  EXPECT_FALSE(PaintedScreen::within(at_new_place, first));
  // A row that scrolled in is hit where it now is.
  orlan::Node* later = s.row(8);
  EXPECT_TRUE(PaintedScreen::within(s.hit_centre(later), later));
}

// The real page and sheet with a long list, at the top, in the middle and at the end of
// the list box: the display list that leaves off-screen rows unwalked is the one a walk
// of every element builds, byte for byte.
TEST(MainPagePaint, OffScreenRowsLeaveTheListAsAFullWalkBuildsIt) {
  tw::test::MainScreenPage s(tw::test::list_of_clicks(400));
  orlan::Node* box = s.element("list-box");
  ASSERT_GT(orlan::max_scroll_y(*box), 2000);
  for (const float offset : {0.0f, 3000.0f, 1e6f}) {
    SCOPED_TRACE(offset);
    orlan::set_scroll_offset(*box, 0, offset);
    s.lay_out();
    orlan::DisplayList skipping, walking;
    ASSERT_EQ(orlan::build_display_list(s.document(), skipping, nullptr, orlan::Culling::kOn),
              orlan::kOk);
    ASSERT_EQ(orlan::build_display_list(s.document(), walking, nullptr, orlan::Culling::kItemsOnly),
              orlan::kOk);
    ASSERT_EQ(skipping.count, walking.count);
    EXPECT_GT(skipping.count, 50u);
    EXPECT_EQ(
        std::memcmp(skipping.items, walking.items, sizeof(orlan::DisplayItem) * skipping.count), 0);
  }
}

}  // namespace

// Scroll containers: thumb geometry (including the degenerate tracks), drags, paging,
// clamping and when scroll events are dispatched.

#include "scroll.h"

#include <gtest/gtest.h>

#include <cmath>

#include "event.h"
#include "layout_test_support.h"

namespace orlan {
namespace {

using testing_support::Tree;

struct Scroller {
  Tree tree;
  Node* html = nullptr;
  Node* box = nullptr;

  // A 100 x `height` scroll container (no border or padding) whose content reaches
  // `content_height`.
  Scroller(float height, float content_height) {
    ComputedStyle& root = tree.style();
    html = &tree.element(*tree.document->root, "html", root);
    ComputedStyle& s = tree.style();
    s.overflow = css::kw::Auto;
    box = &tree.element(*html, "div", s);
    tree.context();  // installs the hooks that free boxes
    LayoutBox* hb = ensure_box(*html);
    hb->width = 800;
    hb->height = 600;
    LayoutBox* b = ensure_box(*box);
    b->x = 0;
    b->y = 0;
    b->width = 100;
    b->height = height;
    b->content_width = 100;
    b->content_height = content_height;
    tree.document->viewport_width = 800;
    tree.document->viewport_height = 600;
  }
};

int g_scroll_events = 0;
void count_scroll(Event*, void*) {
  ++g_scroll_events;
}

TEST(Scrollbar, ThumbFollowsTheOffset) {
  Scroller s(100, 400);
  ScrollbarGeometry g = scrollbar_geometry(*s.box);
  ASSERT_TRUE(g.vertical.present);
  ASSERT_TRUE(g.vertical.has_thumb);
  EXPECT_FALSE(g.horizontal.present);
  // Usable length 100 - 4 = 96; thumb 96 * 100 / 400 = 24.
  EXPECT_FLOAT_EQ(g.vertical.thumb.height, 24);
  EXPECT_FLOAT_EQ(g.vertical.thumb.y, 2);
  EXPECT_FLOAT_EQ(g.vertical.thumb.x, 100 - 2 - 6);
  EXPECT_FLOAT_EQ(g.vertical.track.x, 90);
  s.box->scroll_y = 300;  // the end: thumb at 2 + (96 - 24)
  g = scrollbar_geometry(*s.box);
  EXPECT_FLOAT_EQ(g.vertical.thumb.y, 2 + 72);
}

TEST(Scrollbar, NoThumbWhenTheTrackIsTooShortOrNothingScrolls) {
  // A track not longer than the smallest thumb: no thumb, and a drag does nothing.
  Scroller short_track(24, 400);
  ScrollbarGeometry g = scrollbar_geometry(short_track.box[0]);
  EXPECT_TRUE(g.vertical.present);
  EXPECT_FALSE(g.vertical.has_thumb);
  ScrollDrag drag{short_track.box, true, 0};
  scrollbar_drag(drag, 50, 10);
  EXPECT_EQ(short_track.box->scroll_y, 0);
  EXPECT_TRUE(std::isfinite(short_track.box->scroll_y));
  // A press on such a track neither pages nor starts a drag.
  ScrollDrag started;
  EXPECT_TRUE(scrollbar_press(*short_track.box, 95, 10, &started));
  EXPECT_EQ(started.container, nullptr);
  EXPECT_EQ(short_track.box->scroll_y, 0);

  // overflow: scroll with nothing to scroll shows an empty track, never a NaN thumb.
  Scroller nothing(100, 100);
  ComputedStyle& always = nothing.tree.style();
  always.overflow = css::kw::Scroll;
  nothing.box->style = &always;
  g = scrollbar_geometry(*nothing.box);
  EXPECT_TRUE(g.vertical.present);
  EXPECT_FALSE(g.vertical.has_thumb);
  scrollbar_drag(ScrollDrag{nothing.box, true, 0}, 95, 50);
  EXPECT_EQ(nothing.box->scroll_y, 0);
}

TEST(Scrollbar, LessThanHalfAPixelIsNothingToScroll) {
  Scroller s(100, 100.4f);
  EXPECT_EQ(max_scroll_y(*s.box), 0);
  EXPECT_FALSE(scrollbar_geometry(*s.box).vertical.present);
  Scroller t(100, 100.6f);
  EXPECT_NEAR(max_scroll_y(*t.box), 0.6f, 1e-4);
}

TEST(Scrollbar, DragAndPage) {
  Scroller s(100, 400);
  ScrollDrag drag;
  // Press on the thumb (y 2..26) at y 10: a drag grabbed 8 px into it.
  ASSERT_TRUE(scrollbar_press(*s.box, 95, 10, &drag));
  EXPECT_EQ(drag.container, s.box);
  EXPECT_FLOAT_EQ(drag.grab, 8);
  // Moving the grab point 36 px down moves the thumb half of its 72 px room.
  scrollbar_drag(drag, 95, 46);
  EXPECT_FLOAT_EQ(s.box->scroll_y, 150);
  // A press below the thumb pages down by 0.9 of the viewport, clamped at the end.
  ScrollDrag none;
  ASSERT_TRUE(scrollbar_press(*s.box, 95, 99, &none));
  EXPECT_EQ(none.container, nullptr);
  EXPECT_FLOAT_EQ(s.box->scroll_y, 240);
  ASSERT_TRUE(scrollbar_press(*s.box, 95, 99, &none));
  EXPECT_FLOAT_EQ(s.box->scroll_y, 300);
  // Outside the track: not a scrollbar press.
  EXPECT_FALSE(scrollbar_press(*s.box, 50, 50, &none));
}

TEST(ScrollOffset, SettingDispatchesAndClampingAfterLayoutDoesNot) {
  Scroller s(100, 400);
  ASSERT_EQ(add_handler(*s.box, EventType::kScroll, count_scroll, nullptr), kOk);
  g_scroll_events = 0;
  EXPECT_TRUE(set_scroll_offset(*s.box, 0, 1000));
  EXPECT_FLOAT_EQ(s.box->scroll_y, 300);
  EXPECT_EQ(g_scroll_events, 1);
  EXPECT_FALSE(set_scroll_offset(*s.box, 0, 300));  // unchanged: nothing happens
  EXPECT_EQ(g_scroll_events, 1);

  // The content shrank: the clamp after layout moves the offset quietly.
  s.box->box->content_height = 150;
  clamp_all_scroll_offsets(*s.tree.document);
  EXPECT_FLOAT_EQ(s.box->scroll_y, 50);
  EXPECT_EQ(g_scroll_events, 1);
  s.box->scroll_y = NAN;
  EXPECT_TRUE(clamp_scroll(*s.box));
  EXPECT_EQ(s.box->scroll_y, 0);
}

TEST(ScrollOffset, WheelScrollsTheNearestContainerThatCanMove) {
  Scroller s(100, 400);
  ComputedStyle& inner_style = s.tree.style();
  inner_style.overflow = css::kw::Auto;
  Node& inner = s.tree.element(*s.box, "div", inner_style);
  LayoutBox* ib = ensure_box(inner);
  ib->width = 100;
  ib->height = 50;
  ib->content_height = 80;
  EXPECT_EQ(wheel_scroll(inner, 0, 20), &inner);
  EXPECT_EQ(wheel_scroll(inner, 0, 20), &inner);
  EXPECT_FLOAT_EQ(inner.scroll_y, 30);
  // The inner one is at its end: the outer one moves.
  EXPECT_EQ(wheel_scroll(inner, 0, 20), s.box);
  EXPECT_FLOAT_EQ(s.box->scroll_y, 20);
  EXPECT_EQ(wheel_scroll(inner, 0, -100), &inner);
}

}  // namespace
}  // namespace orlan

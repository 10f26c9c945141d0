// The region a frame redraws: its own damage in device pixels, snapped outwards, united
// with the last two presented rectangles and clamped to the buffer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "css_value.h"

#include "damage.h"

namespace orlan::render {
namespace {

TEST(Damage, SnapsOutwardsToWholeDevicePixels) {
  EXPECT_EQ(snap_to_pixels({10.2f, 5.7f, 3.1f, 1.2f}, 1), (PixelRect{10, 5, 14, 7}));
  EXPECT_EQ(snap_to_pixels({10, 10, 10, 10}, 1.5f), (PixelRect{15, 15, 30, 30}));
  EXPECT_EQ(snap_to_pixels({-0.5f, -3, 1, 1}, 1), (PixelRect{-1, -3, 1, -2}));
  EXPECT_TRUE(snap_to_pixels({5, 5, 0, 10}, 1).empty());
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(snap_to_pixels({nan, 0, 10, 10}, 1).empty());
  EXPECT_TRUE(snap_to_pixels({0, 0, std::numeric_limits<float>::infinity(), 10}, 1).empty());
}

TEST(Damage, UnionIgnoresEmptyRectangles) {
  EXPECT_EQ(unite({}, {1, 2, 3, 4}), (PixelRect{1, 2, 3, 4}));
  EXPECT_EQ(unite({1, 2, 3, 4}, {}), (PixelRect{1, 2, 3, 4}));
  EXPECT_EQ(unite({0, 0, 2, 2}, {5, 6, 7, 8}), (PixelRect{0, 0, 7, 8}));
}

TEST(Damage, NewOrForcedFramesAreFull) {
  PresentHistory history;
  Rect damage{1, 1, 2, 2};
  FramePlan plan = history.plan(nullptr, 1, 200, 100, false);
  EXPECT_TRUE(plan.full);
  EXPECT_EQ(plan.rect, (PixelRect{0, 0, 200, 100}));
  plan = history.plan(&damage, 1, 200, 100, true);
  EXPECT_TRUE(plan.full);
  // A zero-sized buffer still draws one pixel.
  EXPECT_EQ(history.plan(nullptr, 1, 0, 0, false).rect, (PixelRect{0, 0, 1, 1}));
}

TEST(Damage, ConsecutivePartialFramesRedrawTheTwoPreviousRectangles) {
  PresentHistory history;
  const Rect first{10, 10, 5, 5}, second{50, 50, 10, 10}, third{100, 20, 4, 4};

  FramePlan plan = history.plan(&first, 1, 200, 200, false);
  EXPECT_FALSE(plan.full);
  EXPECT_EQ(plan.rect, (PixelRect{10, 10, 15, 15}));
  EXPECT_EQ(plan.own, plan.rect);
  history.remember(plan.own);

  plan = history.plan(&second, 1, 200, 200, false);
  EXPECT_EQ(plan.rect, (PixelRect{10, 10, 60, 60}));
  EXPECT_EQ(plan.own, (PixelRect{50, 50, 60, 60}));
  history.remember(plan.own);

  // The first rectangle was presented two frames ago: still redrawn with the second.
  plan = history.plan(&third, 1, 200, 200, false);
  EXPECT_EQ(plan.rect, (PixelRect{10, 10, 104, 60}));
  history.remember(plan.own);

  // Three presents later the first one is forgotten; what was redrawn only for older
  // frames is not remembered as a change.
  plan = history.plan(&third, 1, 200, 200, false);
  EXPECT_EQ(plan.rect, (PixelRect{50, 20, 104, 60}));
  history.remember(plan.own);
  plan = history.plan(&third, 1, 200, 200, false);
  EXPECT_EQ(plan.rect, (PixelRect{100, 20, 104, 24}));

  history.reset();
  plan = history.plan(&first, 1, 200, 200, false);
  EXPECT_EQ(plan.rect, (PixelRect{10, 10, 15, 15}));
}

TEST(Damage, AFullFrameIsRedrawnByTheTwoFramesAfterIt) {
  PresentHistory history;
  const Rect small{10, 10, 5, 5};
  FramePlan plan = history.plan(nullptr, 1, 100, 100, false);
  history.remember(plan.own);
  for (int i = 0; i < 2; ++i) {
    plan = history.plan(&small, 1, 100, 100, false);
    EXPECT_TRUE(plan.full) << i;
    EXPECT_EQ(plan.own, (PixelRect{10, 10, 15, 15}));
    history.remember(plan.own);
  }
  plan = history.plan(&small, 1, 100, 100, false);
  EXPECT_FALSE(plan.full);
  EXPECT_EQ(plan.rect, (PixelRect{10, 10, 15, 15}));
}

TEST(Damage, ClampsToTheBufferAndReportsNothingToDo) {
  PresentHistory history;
  Rect outside{-20, -20, 30, 30};
  FramePlan plan = history.plan(&outside, 2, 100, 100, false);
  EXPECT_EQ(plan.rect, (PixelRect{0, 0, 20, 20}));

  Rect beyond{500, 500, 10, 10};
  plan = history.plan(&beyond, 1, 100, 100, false);
  EXPECT_TRUE(plan.nothing);

  // An empty damage rectangle presents nothing, even with a history.
  history.remember({0, 0, 10, 10});
  Rect empty{0, 0, 0, 0};
  plan = history.plan(&empty, 1, 100, 100, false);
  EXPECT_TRUE(plan.nothing);
  EXPECT_FALSE(plan.full);

  // Damage covering the whole buffer is a full frame (no dirty rectangle).
  Rect all{0, 0, 100, 100};
  plan = history.plan(&all, 1, 100, 100, false);
  EXPECT_TRUE(plan.full);
}

// An older present that cuts through a blurred group makes the frame draw the group whole,
// and so on through the groups that growth reaches.
TEST(Damage, RegionGrowsOverTheFilterGroupsItTouches) {
  css::Filter blur;
  blur.kind = css::FilterKind::Blur;
  blur.amount = 2;
  DisplayList list;
  list.items = static_cast<DisplayItem*>(std::calloc(8, sizeof(DisplayItem)));
  list.capacity = 8;
  auto add = [&](ItemKind kind, float x, float y, float w, float h) {
    DisplayItem& it = list.items[list.count++];
    it.kind = kind;
    it.x = x, it.y = y, it.width = w, it.height = h;
    it.color = 0xFF000000u;
    it.filters = &blur;
    it.filter_count = 1;
  };
  add(ItemKind::kFill, 0, 0, 10, 10);
  add(ItemKind::kPushFilter, 40, 40, 20, 20);
  add(ItemKind::kFill, 45, 45, 10, 10);
  add(ItemKind::kPopFilter, 0, 0, 0, 0);
  add(ItemKind::kBackdropFilter, 70, 40, 10, 10);
  ItemBounds bounds;
  ASSERT_TRUE(item_bounds(list, bounds));

  PresentHistory history;
  history.remember({0, 0, 50, 50});  // reaches into the group's corner
  const Rect damage{0, 0, 5, 5};
  FramePlan plan = history.plan(&damage, 1, 200, 100, false);
  ASSERT_EQ(plan.rect, (PixelRect{0, 0, 50, 50}));
  grow_plan_for_effects(plan, list, bounds, 1, 200, 100);
  // The group (40..60 spread 6 px by the blur) and then the backdrop filter beside it
  // (70..80 grown by 1 px and 6 px of reach).
  EXPECT_EQ(plan.rect, (PixelRect{0, 0, 87, 66}));
  EXPECT_FALSE(plan.full);
  EXPECT_EQ(plan.own, (PixelRect{0, 0, 5, 5}));

  // Untouched groups leave the region alone.
  PresentHistory quiet;
  plan = quiet.plan(&damage, 1, 200, 100, false);
  grow_plan_for_effects(plan, list, bounds, 1, 200, 100);
  EXPECT_EQ(plan.rect, (PixelRect{0, 0, 5, 5}));
}

}  // namespace
}  // namespace orlan::render

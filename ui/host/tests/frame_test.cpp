// The frame: when it repaints in full and when only the damage, what it hands the drawing
// surface, what a failed or empty surface leaves for the next frame, the animation state
// it reports, and the frame log.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "animations.h"
#include "computed_style.h"
#include "frame.h"
#include "orlan/orlan.h"

namespace orlan::host {
namespace {

// Records what it is asked to draw.
class RecordingSurface final : public FrameSurface {
 public:
  Prepared next = Prepared::kReady;
  bool fail_draw = false;
  int draws = 0;
  bool last_full = false;
  Rect last_damage;
  std::uint32_t last_clear = 0;
  std::uint32_t last_items = 0;

  const TextMeasurer& text_measurer() override { return fallback_text_measurer(); }
  Prepared prepare() override {
    Prepared answer = next;
    if (next == Prepared::kCreated) next = Prepared::kReady;
    return answer;
  }
  bool draw(const DisplayList& list, const AtomTable&, std::uint32_t clear_color,
            const Rect* damage, const ItemBounds&) override {
    ++draws;
    last_full = damage == nullptr;
    last_damage = damage ? *damage : Rect{};
    last_clear = clear_color;
    last_items = list.count;
    return !fail_draw;
  }
};

double g_clock = 0;
double fake_now() {
  g_clock += 0.5;
  return g_clock;
}

constexpr std::string_view kPage =
    "<html><body><div id=a class=box>one</div><div id=b class=box>two</div></body></html>";
constexpr std::string_view kSheet =
    "body { margin: 0 } .box { height: 40px; background: #eee } .hot { background: #c00 }";

class Frame : public testing::Test {
 protected:
  void SetUp() override {
    view = create_view();
    ASSERT_EQ(load_html(view, kPage.data(), kPage.size()), kOk);
    ASSERT_EQ(load_css(view, kSheet.data(), kSheet.size()), kOk);
    set_viewport(*view->document, 400, 300);
  }
  void TearDown() override { destroy_view(view); }

  FrameResult frame(FrameOptions options = {}, float width = 400, float height = 300,
                    std::FILE* log = nullptr) {
    return run_frame(*view, state, surface, width, height, fake_now, options, log);
  }
  Node* id(const char* name) { return get_element_by_id(view->document, name, 1); }

  View* view = nullptr;
  FrameState state;
  RecordingSurface surface;
};

TEST_F(Frame, FirstFrameIsFullThenOnlyTheDamageIsDrawn) {
  FrameResult first = frame();
  EXPECT_TRUE(first.full);
  EXPECT_TRUE(first.drawn);
  EXPECT_TRUE(surface.last_full);
  EXPECT_EQ(surface.last_clear, 0xFFFFFFFFu);
  EXPECT_GT(first.items, 0u);
  EXPECT_FALSE(view->in_frame);

  // A colour change keeps the page's shape: only the box is drawn again.
  ASSERT_EQ(add_class(id("b"), "hot", 3), kOk);
  FrameResult second = frame();
  EXPECT_FALSE(second.full);
  EXPECT_TRUE(second.drawn);
  EXPECT_FALSE(surface.last_full);
  EXPECT_EQ(surface.draws, 2);
  EXPECT_GE(surface.last_damage.y, 39.0f);
  EXPECT_LE(surface.last_damage.y + surface.last_damage.height, 81.0f);
  EXPECT_GT(surface.last_damage.width, 0.0f);

  // Nothing changed: a partial frame with an empty damage.
  FrameResult third = frame();
  EXPECT_FALSE(third.full);
  EXPECT_EQ(third.damage.rect.width * third.damage.rect.height, 0.0f);

  // A new element changes the page's shape: everything is drawn.
  Node* extra = create_element(view->document, "div", 3);
  ASSERT_EQ(append_child(view->document->body, extra), kOk);
  EXPECT_TRUE(frame().full);
}

// A change that keeps every style (another option chosen, a new text of the same length)
// deep below elements the style pass has no reason to restyle: laid out again and drawn,
// as a partial frame.
TEST_F(Frame, ChangesBelowUnchangedElementsAreLaidOutAndDrawn) {
  constexpr std::string_view page =
      "<html><body><div><div><select id=s><option>one</option><option>two</option></select>"
      "</div><p><span id=t>abc</span></p></div></body></html>";
  ASSERT_EQ(load_html(view, page.data(), page.size()), kOk);
  frame();
  ASSERT_EQ(set_selected_index(id("s"), 1), kOk);
  FrameResult chosen = frame();
  EXPECT_FALSE(chosen.full);
  EXPECT_GT(surface.last_damage.width * surface.last_damage.height, 0.0f) << "the select";
  EXPECT_LT(surface.last_damage.y, 30.0f);

  Node* text = first_child(id("t"));
  ASSERT_EQ(set_text_content(text, "xyz", 3), kOk);
  FrameResult retyped = frame();
  EXPECT_GT(retyped.full ? 1.0f : surface.last_damage.width * surface.last_damage.height, 0.0f)
      << "the text";
  EXPECT_FALSE(frame().full);
  EXPECT_EQ(surface.last_damage.width * surface.last_damage.height, 0.0f);
}

TEST_F(Frame, WhatForcesAFullRepaint) {
  frame();
  // A forced repaint (from the environment's switch) every time.
  FrameOptions full_paint;
  full_paint.full_paint = true;
  EXPECT_TRUE(frame(full_paint).full);
  EXPECT_TRUE(frame(full_paint).full);
  EXPECT_FALSE(frame().full);
  // The force-full flag, once.
  state.force_full = true;
  EXPECT_TRUE(frame().full);
  EXPECT_FALSE(state.force_full);
  EXPECT_FALSE(frame().full);
  // A new viewport.
  EXPECT_TRUE(frame({}, 380, 300).full);
  EXPECT_FALSE(frame({}, 380, 300).full);
  // A new renderer, whose buffers hold nothing.
  surface.next = FrameSurface::Prepared::kCreated;
  EXPECT_TRUE(frame({}, 380, 300).full);
  EXPECT_TRUE(surface.last_full);
  // The document's request after its styles were all replaced.
  view->document->full_repaint_needed = true;
  EXPECT_TRUE(frame({}, 380, 300).full);
  EXPECT_FALSE(view->document->full_repaint_needed);
  // A layout-affecting style change.
  Node* b = id("b");
  ASSERT_EQ(set_attribute(b, "style", 5, "height:60px", 11), kOk);
  EXPECT_TRUE(frame({}, 380, 300).full);
}

TEST_F(Frame, AFailedOrEmptyFrameLeavesNoBaseForAPartialOne) {
  frame();
  surface.fail_draw = true;
  ASSERT_EQ(add_class(id("a"), "hot", 3), kOk);
  FrameResult failed = frame();
  EXPECT_TRUE(failed.failed);
  EXPECT_FALSE(failed.drawn);
  surface.fail_draw = false;
  EXPECT_TRUE(frame().full);

  surface.next = FrameSurface::Prepared::kEmpty;
  FrameResult empty = frame();
  EXPECT_FALSE(empty.drawn);
  EXPECT_FALSE(empty.failed);
  surface.next = FrameSurface::Prepared::kReady;
  EXPECT_TRUE(frame().full);

  surface.next = FrameSurface::Prepared::kFailed;
  int draws = surface.draws;
  EXPECT_TRUE(frame().failed);
  EXPECT_EQ(surface.draws, draws);  // nothing to draw with
  surface.next = FrameSurface::Prepared::kReady;
  EXPECT_TRUE(frame().full);
}

TEST_F(Frame, ReportsRunningTransitionsAndTheirDelay) {
  anim::install_animations(&apply_declaration);
  std::string_view sheet = ".box { opacity: 1; transition: opacity 200ms linear 100ms } .hot { opacity: 0 }";
  ASSERT_EQ(load_css(view, sheet.data(), sheet.size()), kOk);
  EXPECT_EQ(frame().running, 0u);
  ASSERT_EQ(add_class(id("a"), "hot", 3), kOk);
  FrameResult started = frame();
  EXPECT_EQ(started.running, 1u);
  EXPECT_GT(started.frame_delay, 90.0);  // nothing changes before the delay ends
  EXPECT_LE(started.frame_delay, 100.0);
  g_clock += 1000;
  EXPECT_EQ(frame().running, 0u);
}

TEST_F(Frame, ATransitionRunsBothWaysWhenAClassComesAndGoes) {
  anim::install_animations(&apply_declaration);
  std::string_view sheet = ".box { color: #bdbdc4; transition: color 120ms } .hot { color: #ffffff }";
  ASSERT_EQ(load_css(view, sheet.data(), sheet.size()), kOk);
  frame();
  const auto color = [&] { return id("a")->style->color; };
  EXPECT_EQ(color(), 0xFFBDBDC4u);
  ASSERT_EQ(add_class(id("a"), "hot", 3), kOk);
  EXPECT_EQ(frame().running, 1u);
  g_clock += 1000;
  EXPECT_EQ(frame().running, 0u);
  EXPECT_EQ(color(), 0xFFFFFFFFu);
  ASSERT_EQ(remove_class(id("a"), "hot", 3), kOk);
  EXPECT_EQ(frame().running, 1u);
  g_clock += 60;
  frame();
  EXPECT_NE(color(), 0xFFFFFFFFu);
  EXPECT_NE(color(), 0xFFBDBDC4u);
  g_clock += 1000;
  EXPECT_EQ(frame().running, 0u);
  EXPECT_EQ(color(), 0xFFBDBDC4u);

  // Its text (which paints with the element's colour) follows every step, also when it
  // is replaced as the transition starts.
  const auto text_color = [&] { return first_child(id("b"))->style->color; };
  ASSERT_EQ(add_class(id("b"), "hot", 3), kOk);
  ASSERT_EQ(set_text_content(id("b"), "running", 7), kOk);
  frame();
  g_clock += 1000;
  frame();
  EXPECT_EQ(text_color(), 0xFFFFFFFFu);
  ASSERT_EQ(remove_class(id("b"), "hot", 3), kOk);
  ASSERT_EQ(set_text_content(id("b"), "waiting", 7), kOk);
  frame();
  g_clock += 60;
  frame();
  EXPECT_EQ(text_color(), id("b")->style->color);
  g_clock += 1000;
  frame();
  EXPECT_EQ(text_color(), 0xFFBDBDC4u);
}

TEST_F(Frame, LogsOneLinePerFrame) {
  std::FILE* log = std::tmpfile();
  ASSERT_NE(log, nullptr);
  FrameOptions logging;
  logging.frame_log = true;
  frame(logging, 400, 300, log);
  ASSERT_EQ(add_class(id("b"), "hot", 3), kOk);
  frame(logging, 400, 300, log);
  frame({}, 400, 300, log);  // not logged
  std::rewind(log);
  char first[200] = {}, second[200] = {}, third[200] = {};
  ASSERT_NE(std::fgets(first, sizeof first, log), nullptr);
  ASSERT_NE(std::fgets(second, sizeof second, log), nullptr);
  EXPECT_EQ(std::fgets(third, sizeof third, log), nullptr);
  std::fclose(log);
  // The fake clock advances 0.5 ms per reading, six readings per logged frame.
  unsigned items = 0, second_items = 0;
  ASSERT_EQ(std::sscanf(first, "0.0 FULL 400x300 n=%u", &items), 1) << first;
  ASSERT_EQ(std::sscanf(second, "3.0 part 400x300 n=%u", &second_items), 1) << second;
  EXPECT_GT(items, 0u);
  EXPECT_EQ(std::string(first),
            "0.0 FULL 400x300 n=" + std::to_string(items) + "  layout 0.5 paint 0.5 diff 0.5 render 0.5\n");
  EXPECT_EQ(std::string(second), "3.0 part 400x300 n=" + std::to_string(second_items) +
                                     "  layout 0.5 paint 0.5 diff 0.5 render 0.5\n");
}

}  // namespace
}  // namespace orlan::host

// Transitions and keyframe animations driven with a clock the test controls: the style
// pass is played by restyle() (update_element) and each frame by frame() (tick).

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "test_styles.h"

namespace orlan::anim::testing {
namespace {

class Transitions : public ::testing::Test, public AnimationDocument {};

TEST_F(Transitions, ColourRunsThroughIntermediateValuesAndStops) {
  Node* e = element(body);
  restyle(*e, "color: #bdbdc4; transition: color 120ms linear", 0);
  EXPECT_EQ(frame(0), 0u);
  // The change keeps the old value in the new style until the tick moves it.
  ComputedStyle& s = restyle(*e, "color: #ffffff; transition: color 120ms linear", 1000);
  EXPECT_EQ(s.color, 0xFFBDBDC4u);
  EXPECT_EQ(transition_count(*e), 1u);

  e->dirty = 0;
  EXPECT_EQ(frame(1060), 1u);
  EXPECT_EQ(e->style->color, 0xFFDEDEE2u);  // halfway in every channel
  EXPECT_EQ(delay, 0);                      // a frame is needed at once
  // Colour is inherited: the element is restyled so its children follow; no relayout.
  EXPECT_EQ(e->dirty & (kDirtyStyle | kDirtyPaint | kDirtyLayout), kDirtyStyle | kDirtyPaint);

  EXPECT_EQ(frame(1119), 1u);
  EXPECT_NE(e->style->color, 0xFFFFFFFFu);
  EXPECT_EQ(frame(1120), 0u);
  EXPECT_EQ(e->style->color, 0xFFFFFFFFu);
  EXPECT_EQ(delay, 0);
  EXPECT_EQ(animated_element_count(*document), 0u);
  EXPECT_EQ(e->animation, nullptr);
}

TEST_F(Transitions, ZeroDurationStartsOnlyWithADelayAndJumpsWhenItPasses) {
  Node* a = element(body);
  restyle(*a, "width: 10px; transition: width 0s", 0);
  restyle(*a, "width: 90px; transition: width 0s", 10);
  EXPECT_EQ(transition_count(*a), 0u);
  EXPECT_EQ(a->style->width, StyleLength::px(90));

  Node* b = element(body);
  restyle(*b, "width: 10px; transition: width 0s 1s", 0);
  restyle(*b, "width: 90px; transition: width 0s 1s", 0);
  EXPECT_EQ(frame(0), 1u);
  EXPECT_EQ(delay, 1000);  // nothing changes before the delay ends
  EXPECT_EQ(frame(999), 1u);
  EXPECT_EQ(b->style->width, StyleLength::px(10));
  EXPECT_EQ(frame(1000), 0u);
  EXPECT_EQ(b->style->width, StyleLength::px(90));
}

TEST_F(Transitions, ChangeMidwayRestartsFromTheCurrentValue) {
  Node* e = element(body);
  restyle(*e, "width: 0px; transition: width 100ms linear", 0);
  restyle(*e, "width: 100px; transition: width 100ms linear", 0);
  frame(50);
  EXPECT_EQ(e->style->width, StyleLength::px(50));
  // Back towards 0 from 50, over a whole duration from now.
  restyle(*e, "width: 0px; transition: width 100ms linear", 50);
  EXPECT_EQ(e->style->width, StyleLength::px(50));
  frame(100);
  EXPECT_EQ(e->style->width, StyleLength::px(25));
  EXPECT_EQ(frame(150), 0u);
  EXPECT_EQ(e->style->width, StyleLength::px(0));
}

TEST_F(Transitions, UnchangedTargetKeepsRunningThroughARestyle) {
  Node* e = element(body);
  restyle(*e, "opacity: 0; transition: opacity 100ms linear", 0);
  restyle(*e, "opacity: 1; transition: opacity 100ms linear", 0);
  frame(40);
  // A restyle for another reason carries the running value into the new record.
  ComputedStyle& s = restyle(*e, "opacity: 1; width: 5px; transition: opacity 100ms linear", 40);
  EXPECT_FLOAT_EQ(s.opacity, 0.4f);
  frame(70);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.7f);
}

TEST_F(Transitions, RetargetThatCannotBlendOrLosesItsEntryIsDropped) {
  Node* e = element(body);
  restyle(*e, "width: 0px; transition: width 100ms linear", 0);
  restyle(*e, "width: 100px; transition: width 100ms linear", 0);
  frame(50);
  restyle(*e, "width: auto; transition: width 100ms linear", 60);
  EXPECT_EQ(transition_count(*e), 0u);
  EXPECT_TRUE(e->style->width.is_auto());

  Node* f = element(body);
  restyle(*f, "width: 0px; transition: width 100ms linear", 0);
  restyle(*f, "width: 100px; transition: width 100ms linear", 0);
  frame(50);
  restyle(*f, "width: 30px", 60);
  EXPECT_EQ(transition_count(*f), 0u);
  EXPECT_EQ(f->style->width, StyleLength::px(30));
  EXPECT_EQ(frame(70), 0u);
}

TEST_F(Transitions, AllAndTheLastMatchingEntryDecide) {
  Node* e = element(body);
  const char* rule = "transition: all 100ms linear, width 400ms linear;";
  restyle(*e, std::string(rule) + "width: 0px; height: 0px; margin-left: 0px", 0);
  restyle(*e, std::string(rule) + "width: 100px; height: 100px; margin-left: 8px", 0);
  EXPECT_EQ(transition_count(*e), 3u);
  e->dirty = 0;
  frame(50);
  EXPECT_EQ(e->style->height, StyleLength::px(50));
  EXPECT_EQ(e->style->width, StyleLength::px(12.5f));
  EXPECT_TRUE(e->dirty & kDirtyLayout);
  EXPECT_TRUE(document->layout_needed);
  // No transition without an old style (a first style or a full reset).
  Node* f = element(body);
  restyle(*f, std::string(rule) + "width: 5px", 0, /*keep_old=*/false);
  EXPECT_EQ(transition_count(*f), 0u);
}

TEST_F(Transitions, PremultipliedBackgroundFromTransparent) {
  Node* e = element(body);
  restyle(*e, "background-color: transparent; transition: background-color 1s linear", 0);
  restyle(*e, "background-color: red; transition: background-color 1s linear", 0);
  frame(500);
  EXPECT_EQ(e->style->background_color, 0x80FF0000u);
}

TEST_F(Transitions, TransformListUsesElementStorageAndEndsOnItsOwnList) {
  Node* e = element(body);
  restyle(*e, "transform: rotate(0deg); transition: transform 100ms linear", 0);
  ComputedStyle& target =
      computed(*e, "transform: rotate(90deg); transition: transform 100ms linear");
  const css::TransformOp* declared = target.transform;
  update_element(*document, *e, e->style, target, 200);
  e->style = &target;
  frame(250);
  ASSERT_EQ(e->style->transform_count, 1);
  EXPECT_NE(e->style->transform, declared);  // the element's own storage while running
  EXPECT_FLOAT_EQ(e->style->transform[0].args[0].value, 45);
  EXPECT_EQ(frame(300), 0u);
  EXPECT_EQ(e->style->transform, declared);  // the style's own list once finished
  // Lists of different shapes do not blend, so no transition starts.
  restyle(*e, "transform: rotate(9deg) translate(1px, 0); transition: transform 100ms linear", 400);
  EXPECT_EQ(transition_count(*e), 0u);
}

// Dropped midway (hidden ancestor), the element must not keep pointing at the running
// list in storage that goes back to the document's pool.
TEST_F(Transitions, DroppedTransformGivesTheElementItsOwnList) {
  Node* parent = element(body);
  Node* e = element(parent);
  restyle(*e, "transform: rotate(0deg); transition: transform 100ms linear", 0);
  ComputedStyle& target =
      computed(*e, "transform: rotate(90deg); transition: transform 100ms linear");
  const css::TransformOp* declared = target.transform;
  update_element(*document, *e, e->style, target, 0);
  e->style = &target;
  frame(50);
  EXPECT_NE(e->style->transform, declared);
  restyle(*parent, "display: none", 60);
  EXPECT_EQ(frame(60), 0u);
  EXPECT_EQ(e->style->transform, declared);
}

TEST_F(Transitions, SteppedTimingLetsTheFrameLoopSleepUntilTheNextStep) {
  Node* e = element(body);
  restyle(*e, "opacity: 0; transition: opacity 400ms steps(4)", 0);
  restyle(*e, "opacity: 1; transition: opacity 400ms steps(4)", 0);
  EXPECT_EQ(frame(0), 1u);
  EXPECT_EQ(delay, 100);
  EXPECT_EQ(frame(130), 1u);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.25f);
  EXPECT_NEAR(delay, 70, 1e-6);
  EXPECT_EQ(frame(399), 1u);
  EXPECT_NEAR(delay, 1, 1e-6);
}

TEST_F(Transitions, NextFrameDelayStaysBounded) {
  Node* e = element(body);
  restyle(*e, "opacity: 0; transition: opacity 1s linear 100000000s", 0);
  restyle(*e, "opacity: 1; transition: opacity 1s linear 100000000s", 0);
  EXPECT_EQ(frame(0), 1u);
  EXPECT_EQ(delay, kMaxFrameDelay);
  // A steps() boundary a lifetime away is bounded too.
  Node* f = element(body);
  restyle(*f, "opacity: 0; transition: opacity 1e30s steps(2)", 0);
  restyle(*f, "opacity: 1; transition: opacity 1e30s steps(2)", 0);
  restyle(*e, "opacity: 0", 1);  // drop the delayed one
  EXPECT_EQ(frame(10), 1u);
  EXPECT_GT(delay, 0);
  EXPECT_LE(delay, kMaxFrameDelay);
  EXPECT_TRUE(std::isfinite(f->style->opacity));
}

TEST_F(Transitions, DisplayNoneDropsEverythingAtOnce) {
  author_css("@keyframes pulse { from { opacity: 0 } to { opacity: 1 } }");
  Node* e = element(body);
  restyle(*e, "width: 0px; color: red; transition: all 1s; animation: pulse 1s infinite", 0);
  restyle(*e, "width: 9px; color: blue; transition: all 1s; animation: pulse 1s infinite", 0);
  EXPECT_EQ(transition_count(*e), 2u);
  EXPECT_EQ(animation_count(*e), 1u);
  ComputedStyle& s = restyle(
      *e,
      "display: none; width: 9px; color: blue; transition: all 1s; animation: pulse 1s infinite",
      10);
  EXPECT_EQ(e->animation, nullptr);
  EXPECT_EQ(s.width, StyleLength::px(9));
  EXPECT_EQ(frame(20), 0u);
}

// The parent turns display:none but its child is not restyled: the child's infinite
// animation must not keep the frame loop busy.
TEST_F(Transitions, TickDropsRecordsUnderAHiddenAncestorOrOutsideTheDocument) {
  author_css("@keyframes spin { to { transform: rotate(360deg) } }");
  Node* parent = element(body);
  Node* child = element(parent);
  Node* other = element(body);
  restyle(*child, "animation: spin 1s linear infinite", 0);
  restyle(*other, "animation: spin 1s linear infinite", 0);
  EXPECT_EQ(frame(10), 2u);
  restyle(*parent, "display: none", 20);
  EXPECT_EQ(frame(30), 1u);
  EXPECT_EQ(child->animation, nullptr);
  unlink(*other);
  EXPECT_EQ(frame(40), 0u);
  EXPECT_EQ(animated_element_count(*document), 0u);
  // A destroyed element releases its state through the node hook.
  Node* gone = element(body);
  restyle(*gone, "animation: spin 1s linear infinite", 50);
  EXPECT_EQ(animated_element_count(*document), 1u);
  unlink(*gone);
  discard_node(*gone);
  EXPECT_EQ(animated_element_count(*document), 0u);
}

// An element moved into a detached subtree keeps its state until the next tick; a
// document destroyed before that must not leave it behind.
TEST(AnimationLists, DestroyedDocumentTakesDetachedStatesWithIt) {
  const Document* address = nullptr;
  {
    AnimationDocument doc;
    address = doc.document;
    Node* e = doc.element(doc.body);
    doc.restyle(*e, "opacity: 0; transition: opacity 1s", 0);
    doc.restyle(*e, "opacity: 1; transition: opacity 1s", 0);
    Node* detached = create_element_node(*doc.document, "div");
    link_child(*detached, *e, nullptr);
    EXPECT_EQ(animated_element_count(*doc.document), 1u);
  }
  EXPECT_EQ(animated_element_count(*address), 0u);  // compared by address only
}

class Animations : public ::testing::Test, public AnimationDocument {
 protected:
  Animations() {
    author_css(
        "@keyframes fade { from { opacity: 0 } to { opacity: 1 } }"
        "@keyframes middle { 50% { width: 100px } }"
        "@keyframes partial { 0% { width: 0px; opacity: 0 } 50% { width: 50px } 100% { width: "
        "200px } }"
        "@keyframes ticks { from { opacity: 0 } to { opacity: 1 } }"
        "@keyframes nothing { from { display: block } }");
  }
  float opacity_at(Node* e, double now) {
    frame(now);
    return e->style->opacity;
  }
};

TEST_F(Animations, AlternateCountsEndWhereTheyShould) {
  struct Case {
    const char* animation;
    float end;
  } cases[] = {
      {"fade 100ms linear 2 alternate forwards", 0},
      {"fade 100ms linear 3 alternate forwards", 1},
      {"fade 100ms linear 1 forwards", 1},
      {"fade 100ms linear 1.5 forwards", 0.5f},
      {"fade 100ms linear 1.25 alternate forwards", 0.75f},  // second run goes backwards
      {"fade 100ms linear 2.25 alternate forwards", 0.25f},
      {"fade 100ms linear 1.75 alternate forwards", 0.25f},
      {"fade 100ms linear 0 forwards", 0},
      {"fade 0s linear 2 alternate forwards", 0},
      {"fade 0s linear infinite forwards", 1},
  };
  for (const Case& c : cases) {
    Node* e = element(body);
    restyle(*e, std::string("opacity: 0.9; animation: ") + c.animation, 0);
    frame(1000);
    EXPECT_NEAR(e->style->opacity, c.end, 1e-5) << c.animation;
    restyle(*e, "opacity: 0.9", 1001);
  }
  EXPECT_EQ(frame(1002), 0u);
}

TEST_F(Animations, FractionalCountStopsAtItsFraction) {
  Node* e = element(body);
  restyle(*e, "opacity: 0.9; animation: fade 100ms linear 1.5 forwards", 0);
  EXPECT_NEAR(opacity_at(e, 120), 0.2f, 1e-5);
  EXPECT_EQ(frame(150), 0u);  // finished at 1.5 iterations, not at 2
  EXPECT_NEAR(e->style->opacity, 0.5f, 1e-5);
  // A count of 0 finishes at once at its start; without forwards the base comes back.
  Node* f = element(body);
  restyle(*f, "opacity: 0.9; animation: fade 100ms linear 0", 200);
  EXPECT_EQ(frame(200), 0u);
  EXPECT_FLOAT_EQ(f->style->opacity, 0.9f);
}

TEST_F(Animations, DelayForwardsAndBaseValues) {
  Node* e = element(body);
  ComputedStyle& s = restyle(*e, "opacity: 0.9; animation: fade 100ms linear 50ms", 0);
  EXPECT_FLOAT_EQ(s.opacity, 0);  // sampled at once: progress 0 before the start
  EXPECT_EQ(frame(0), 1u);
  EXPECT_EQ(delay, 50);
  EXPECT_NEAR(opacity_at(e, 100), 0.5f, 1e-5);
  EXPECT_EQ(frame(150), 0u);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.9f);  // no forwards: the element's own value
  // The finished record stays with the entry and a restyle does not restart it.
  restyle(*e, "opacity: 0.9; width: 3px; animation: fade 100ms linear 50ms", 400);
  EXPECT_EQ(frame(410), 0u);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.9f);
  // With forwards the end value survives restyles.
  Node* f = element(body);
  restyle(*f, "opacity: 0.9; animation: fade 100ms linear forwards", 0);
  frame(100);
  ComputedStyle& again =
      restyle(*f, "opacity: 0.9; width: 1px; animation: fade 100ms linear forwards", 500);
  EXPECT_FLOAT_EQ(again.opacity, 1);
}

TEST_F(Animations, SameRunKeepsItsStartTimeAndAChangedOneRestarts) {
  Node* e = element(body);
  restyle(*e, "animation: fade 100ms linear infinite", 0);
  EXPECT_NEAR(opacity_at(e, 30), 0.3f, 1e-5);
  restyle(*e, "width: 4px; animation: fade 100ms linear infinite", 30);
  EXPECT_NEAR(opacity_at(e, 40), 0.4f, 1e-5);
  restyle(*e, "animation: fade 200ms linear infinite", 40);
  EXPECT_NEAR(opacity_at(e, 140), 0.5f, 1e-5);
}

TEST_F(Animations, SamplingUsesOnlyKeyframesThatDeclareTheProperty) {
  Node* e = element(body);
  restyle(*e, "width: 20px; opacity: 0.5; animation: middle 100ms linear infinite", 0);
  frame(25);
  EXPECT_EQ(e->style->width, StyleLength::px(60));  // base 20 at 0%, 100 at 50%
  frame(75);
  EXPECT_EQ(e->style->width, StyleLength::px(60));  // back towards base 20 at 100%
  restyle(*e, "width: 20px; opacity: 0.5; animation: partial 100ms linear infinite", 100);
  frame(125);
  EXPECT_EQ(e->style->width, StyleLength::px(25));
  // opacity is declared only at 0%: the base 0.5 stands in at 100%.
  EXPECT_NEAR(e->style->opacity, 0.125f, 1e-5);
  frame(175);
  EXPECT_EQ(e->style->width, StyleLength::px(125));
}

TEST_F(Animations, AtMostEightPerElementAndOnlyRunnableOnes) {
  // The parser takes at most 8 entries; a style built otherwise may hold more.
  Node* e = element(body);
  ComputedStyle& one = computed(*e, "animation: fade 1s infinite");
  ASSERT_EQ(one.animation_count, 1);
  css::AnimationEntry entries[10];
  for (auto& entry : entries) entry = one.animation[0];
  ComputedStyle& ten = computed(*e, "");
  ten.animation = entries;
  ten.animation_count = 10;
  update_element(*document, *e, nullptr, ten, 0);
  e->style = &ten;
  EXPECT_EQ(animation_count(*e), 8u);
  EXPECT_EQ(frame(1), 8u);
  Node* f = element(body);
  restyle(*f, "animation: missing 1s infinite, nothing 1s infinite", 0);
  EXPECT_EQ(f->animation, nullptr);
}

TEST_F(Animations, SteppedAnimationWakesAtStepBoundaries) {
  Node* e = element(body);
  restyle(*e, "animation: ticks 400ms steps(4) infinite alternate", 0);
  EXPECT_EQ(frame(10), 1u);
  EXPECT_NEAR(delay, 90, 1e-6);
  EXPECT_FLOAT_EQ(e->style->opacity, 0);
  frame(100);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.25f);
  // Second iteration runs backwards: 0.75 from 400 to 500, then 0.5.
  frame(450);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.75f);
  EXPECT_NEAR(delay, 50, 1e-6);
  frame(501);
  EXPECT_FLOAT_EQ(e->style->opacity, 0.5f);
}

TEST_F(Animations, AnimatedPropertyStartsNoTransition) {
  Node* e = element(body);
  restyle(*e, "opacity: 0.2; transition: all 1s; animation: fade 100ms linear infinite", 0);
  frame(50);
  restyle(*e, "opacity: 0.2; width: 1px; transition: all 1s; animation: fade 100ms linear infinite",
          60);
  EXPECT_EQ(transition_count(*e), 0u);
}

}  // namespace
}  // namespace orlan::anim::testing

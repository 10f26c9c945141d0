// Transitions and keyframe animations through the real style pass, frame by frame as the
// frame loop runs them: a line whose colour fades in when a class is added, a flash of
// keyframes that runs once, and which frames are asked for along the way.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "animations.h"
#include "computed_style.h"
#include "document.h"
#include "orlan/orlan.h"

namespace orlan::anim {
namespace {

void count_request(Document*, void* user) {
  ++*static_cast<int*>(user);
}

// A status line: muted, white while "running" (a 120 ms linear fade), flashed from white
// back to its own colour when "done".
constexpr std::string_view kPage = "<body><div id=panel><div id=status>Waiting</div></div></body>";
constexpr std::string_view kSheet =
    "#panel { color: #bdbdc4 } #status { transition: color 120ms linear }"
    " #status.running { color: #ffffff } #status.done { animation: status-flash 600ms ease-out 1 }"
    " @keyframes status-flash { from { color: #ffffff } to { color: #bdbdc4 } }";

class StatusLine : public ::testing::Test {
 protected:
  StatusLine() {
    install_animations(&apply_declaration);
    view = create_view();
    EXPECT_EQ(load_html(view, kPage.data(), kPage.size()), kOk);
    EXPECT_EQ(load_css(view, kSheet.data(), kSheet.size()), kOk);
    doc = document(view);
    set_viewport(*doc, 800, 600);
    doc->invalidate = &count_request;
    doc->invalidate_user = &requests;
    status = get_element_by_id(doc, "status", 6);
  }
  ~StatusLine() override { destroy_view(view); }

  View* view = nullptr;
  Document* doc = nullptr;
  Node* status = nullptr;
  int requests = 0;
};

TEST_F(StatusLine, RunningFadesTheColourInAndThenStopsAskingForFrames) {
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(style_pass(*doc, 0), 0u);
  ASSERT_NE(status->style, nullptr);
  EXPECT_EQ(status->style->color, 0xFFBDBDC4u);

  ASSERT_EQ(add_class(status, "running", 7), kOk);
  EXPECT_EQ(style_pass(*doc, 1000), 1u);
  EXPECT_EQ(status->style->color, 0xFFBDBDC4u);  // the old colour until time moves on
  EXPECT_EQ(doc->animation_frame_delay, 0);      // the next frame at once

  // Frame by frame, as the frame loop would run them: every colour in between is a mix
  // of the two ends, moving towards white.
  std::vector<std::uint32_t> colours;
  std::uint32_t running = 1;
  double now = 1000;
  while (running && now < 1400) {
    now += 16;
    running = style_pass(*doc, now);
    colours.push_back(status->style->color);
  }
  ASSERT_GE(colours.size(), 7u);
  std::string trace;
  for (std::uint32_t c : colours) {
    char hex[12];
    std::snprintf(hex, sizeof hex, "%08X ", c);
    trace += hex;
  }
  SCOPED_TRACE(trace);
  EXPECT_EQ(running, 0u);
  EXPECT_LE(now, 1136);
  for (std::size_t i = 0; i + 1 < colours.size(); ++i) {
    std::uint32_t c = colours[i];
    EXPECT_EQ(c >> 24, 0xFFu);
    EXPECT_GT(c & 0xFF, 0xC4u) << i;
    EXPECT_LT(c & 0xFF, 0xFFu) << i;
    EXPECT_GT(colours[i + 1] & 0xFF, c & 0xFF) << i;
  }
  EXPECT_EQ(colours.back(), 0xFFFFFFFFu);
  // 64 ms in, linear timing: 64/120 of the way in every channel.
  EXPECT_EQ(colours[3], 0xFFE0E0E3u);

  // The last tick restyles the line once more (its colour is inherited); after that
  // frame nothing is left to do and no frame is requested.
  now += 16;
  EXPECT_EQ(style_pass(*doc, now), 0u);
  requests = 0;
  now += 16;
  EXPECT_EQ(style_pass(*doc, now), 0u);
  EXPECT_EQ(requests, 0);
  EXPECT_EQ(doc->animation_frame_delay, 0);
  EXPECT_EQ(status->style->color, 0xFFFFFFFFu);
  EXPECT_EQ(animated_element_count(*doc), 0u);
}

// "done" flashes the line with the status-flash keyframes (600 ms, ease-out, once): white at
// its start, back to the line's own colour at its end.
TEST_F(StatusLine, DoneFlashRunsTheKeyframesOnce) {
  ASSERT_NE(status, nullptr);
  style_pass(*doc, 0);
  ASSERT_EQ(add_class(status, "done", 4), kOk);
  EXPECT_EQ(style_pass(*doc, 500), 1u);
  EXPECT_EQ(status->style->color, 0xFFFFFFFFu);
  EXPECT_EQ(style_pass(*doc, 800), 1u);
  std::uint32_t mid = status->style->color;
  EXPECT_LT(mid & 0xFF, 0xFFu);
  EXPECT_GT(mid & 0xFF, 0xC4u);
  EXPECT_EQ(style_pass(*doc, 1100), 0u);
  EXPECT_EQ(status->style->color, 0xFFBDBDC4u);
  // The finished run stays with its entry: a later restyle does not flash again.
  ASSERT_EQ(add_class(status, "idle", 4), kOk);
  EXPECT_EQ(style_pass(*doc, 1200), 0u);
  EXPECT_EQ(status->style->color, 0xFFBDBDC4u);
}

// An inherited property moving on a parent reaches the children that inherit it, frame
// by frame, and the children that set their own value stay as they are.
TEST(InheritedTransition, ChildrenFollowTheParentsColour) {
  install_animations(&apply_declaration);
  View* view = create_view();
  const std::string page = "<div id=p><span id=c>x</span><b id=own>y</b></div>";
  const std::string sheet =
      "#p { color: #000000; transition: color 100ms linear } #p.on { color: #ffffff }"
      " #own { color: #ff0000 }";
  ASSERT_EQ(load_html(view, page.data(), page.size()), kOk);
  ASSERT_EQ(load_css(view, sheet.data(), sheet.size()), kOk);
  Document* doc = document(view);
  Node* p = get_element_by_id(doc, "p", 1);
  Node* c = get_element_by_id(doc, "c", 1);
  Node* own = get_element_by_id(doc, "own", 3);
  style_pass(*doc, 0);
  ASSERT_EQ(add_class(p, "on", 2), kOk);
  style_pass(*doc, 1000);
  style_pass(*doc, 1050);
  EXPECT_EQ(p->style->color, 0xFF808080u);
  style_pass(*doc, 1060);  // the child takes what the parent had after the last frame
  EXPECT_EQ(c->style->color, 0xFF808080u);
  EXPECT_EQ(own->style->color, 0xFFFF0000u);
  style_pass(*doc, 1100);
  style_pass(*doc, 1116);
  EXPECT_EQ(c->style->color, 0xFFFFFFFFu);
  destroy_view(view);
}

}  // namespace
}  // namespace orlan::anim

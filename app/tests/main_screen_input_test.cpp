// The main page laid out with its style sheet and every binding of the main screen, driven
// through the engine's input calls as the host window makes them: rows, options, the delay
// editor, the `after` select's popup, Tab order and the delay tooltip.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "computed_style.h"
#include "display_list.h"
#include "document.h"
#include "input.h"
#include "layout_box.h"
#include "layout_input_hooks.h"
#include "main_screen_page.h"
#include "scroll.h"

namespace {


struct InputScreenRig : tw::test::MainScreenPage {
  orlan::Document* doc = &document();

  InputScreenRig() : MainScreenPage("10x20,0,0,1000\r\n30x40,1,1,500,900\r\n50x60,0,0,250\r\n") {}

  void layout() { lay_out(); }

  std::pair<float, float> centre(orlan::Node* n) {
    orlan::Rect r = orlan::absolute_position(*n);
    return {r.x + r.width / 2, r.y + r.height / 2};
  }
  void move_to(orlan::Node* n) {
    auto [x, y] = centre(n);
    orlan::pointer_move(*doc, x, y, 0);
    layout();
  }
  void press(orlan::Node* n, std::int32_t button) {
    auto [x, y] = centre(n);
    orlan::pointer_button(*doc, true, button, x, y, 0, false);
    layout();
  }
  void release_at(float x, float y, std::int32_t button) {
    orlan::pointer_button(*doc, false, button, x, y, 0, false);
    layout();
  }
  void click(orlan::Node* n, std::int32_t button = 0) {
    move_to(n);
    auto [x, y] = centre(n);
    press(n, button);
    release_at(x, y, button);
  }
  void key_press(std::uint32_t k, std::uint32_t mods = 0, std::uint32_t ch = 0) {
    orlan::key(*doc, true, k, mods, ch, false);
    if (ch) orlan::text_input(*doc, ch, mods);
    orlan::key(*doc, false, k, mods, 0, false);
    layout();
  }
  std::string value(std::string_view id) { return page().value(id).value_or("<none>"); }

  tw::ScreenCallbacks callbacks;
};

std::string id_of(orlan::Node* n) {
  if (!n) return "none";
  std::size_t length = 0;
  const char* id = orlan::get_attribute(n, "id", 2, &length);
  return id ? std::string(id, length) : std::string("?");
}

TEST(MainScreenInput, RowPressesMarkTheRowAndOpenTheMenuWhileRowsAreRebuilt) {
  InputScreenRig rig;
  ASSERT_NE(rig.row(2), nullptr);
  // A field has the focus: the press on a row takes it away although the row it landed
  // on is rebuilt by the handler.
  rig.click(rig.element("repeat"));
  ASSERT_EQ(id_of(rig.doc->focused), "repeat");
  orlan::Node* second = rig.row(1);
  auto [x, y] = rig.centre(second);
  rig.press(second, 0);
  EXPECT_EQ(rig.doc->focused, nullptr);
  EXPECT_TRUE(orlan::has_class(rig.row(1), "active", 6));
  EXPECT_FALSE(orlan::has_class(rig.row(0), "active", 6));
  rig.release_at(x, y, 0);
  EXPECT_EQ(rig.doc->deferred, nullptr);

  // The right button asks for the row menu; the chosen command rebuilds the rows again
  // while the press is still going on.
  rig.shell.menu_choice = tw::RowCommand::kDelete;
  orlan::Node* first = rig.row(0);
  std::tie(x, y) = rig.centre(first);
  rig.press(first, 2);
  rig.release_at(x, y, 2);
  EXPECT_EQ(rig.shell.calls.back(), "menu Move Up|Move Down|Delete");
  EXPECT_EQ(rig.state.access()->list.size(), 2u);
  orlan::ContextMenuRequest request;
  EXPECT_FALSE(orlan::take_context_menu(*rig.doc, &request));
}

// The marked row keeps its look while the pointer goes over the other rows.
TEST(MainScreenInput, TheMarkedRowStaysMarkedWhenThePointerMovesOn) {
  InputScreenRig rig;
  rig.click(rig.row(1));
  ASSERT_TRUE(orlan::has_class(rig.row(1), "active", 6));
  const std::uint32_t marked = rig.row(1)->style->background_color;
  const std::uint32_t plain = rig.row(0)->style->background_color;
  EXPECT_NE(marked, plain);
  rig.move_to(rig.row(2));
  EXPECT_EQ(rig.row(1)->style->background_color, marked);
  EXPECT_NE(rig.row(2)->style->background_color, plain) << "the hovered row";
  rig.move_to(rig.row(0));
  EXPECT_EQ(rig.row(1)->style->background_color, marked);
  EXPECT_EQ(rig.row(2)->style->background_color, plain);
}

TEST(MainScreenInput, ClickOnTheRecordLabelTogglesRecordMode) {
  InputScreenRig rig;
  rig.click(rig.element("use-record-box"));
  EXPECT_TRUE(orlan::is_checked(rig.element("use-record")));
  EXPECT_TRUE(rig.state.access()->record_mode);
  rig.click(rig.element("use-record-box"));
  EXPECT_FALSE(rig.state.access()->record_mode);
}

TEST(MainScreenInput, TypingIntoADelayGoesThroughTheDelayEditor) {
  InputScreenRig rig;
  rig.click(rig.element("delay1"));
  rig.key_press(orlan::kKeyHome);
  for (char c : std::string("123456")) rig.key_press(static_cast<std::uint32_t>(c), 0, c);
  EXPECT_EQ(rig.value("delay1"), "12:34.56");
  // A letter is refused by the mask.
  rig.key_press('Q', 0, 'q');
  EXPECT_EQ(rig.value("delay1"), "12:34.56");
}

TEST(MainScreenInput, TheAfterSelectChoosesFromItsPopup) {
  InputScreenRig rig;
  orlan::Node* after = rig.element("after");
  rig.page().set_selected_index("after", 0);
  rig.click(after);
  ASSERT_NE(rig.doc->select_popup, nullptr);
  orlan::Node* second = rig.doc->select_popup->first_child->next_sibling;
  ASSERT_NE(second, nullptr);
  rig.click(second);
  EXPECT_EQ(rig.doc->select_popup, nullptr);
  EXPECT_EQ(orlan::selected_index(after), 1);
  EXPECT_EQ(rig.settings.values["click_after"], 1u);
  EXPECT_TRUE(rig.state.access()->after_change);
}

TEST(MainScreenInput, ArrowKeysChooseInAFocusedSelectWithItsPopupClosed) {
  InputScreenRig rig;
  orlan::Node* click = rig.element("click");
  rig.click(click);
  ASSERT_NE(rig.doc->select_popup, nullptr);
  rig.key_press(orlan::kKeyEscape);
  ASSERT_EQ(rig.doc->select_popup, nullptr);
  ASSERT_EQ(rig.doc->focused, click);
  rig.key_press(orlan::kKeyDown);
  EXPECT_EQ(orlan::selected_index(click), 1);
  rig.key_press(orlan::kKeyDown);  // already the last option
  EXPECT_EQ(orlan::selected_index(click), 1);
  rig.key_press(orlan::kKeyUp);
  EXPECT_EQ(orlan::selected_index(click), 0);
}

TEST(MainScreenInput, TabWalksTheControlsInOrder) {
  InputScreenRig rig;
  auto walk = [&](int steps, std::uint32_t mods) {
    std::vector<std::string> order;
    for (int i = 0; i < steps; ++i) {
      rig.key_press(orlan::kKeyTab, mods);
      order.push_back(id_of(rig.doc->focused));
    }
    return order;
  };
  EXPECT_EQ(walk(8, 0), (std::vector<std::string>{"btn-home", "btn-test", "btn-donate", "mouse",
                                                  "click", "delay1", "delay2", "hk-run"}));
  // A hotkey input captures Tab as its key and lets the focus go.
  rig.key_press(orlan::kKeyTab);
  EXPECT_EQ(rig.doc->focused, nullptr);
  EXPECT_EQ(rig.value("hk-run"), "Tab");
  rig.click(rig.element("repeat"));
  EXPECT_EQ(walk(8, 0), (std::vector<std::string>{"after", "use-notify", "use-record",
                                                  "btn-clear", "btn-open", "btn-save",
                                                  "btn-home", "btn-test"}));
  rig.click(rig.element("repeat"));
  EXPECT_EQ(walk(1, orlan::kModShift), (std::vector<std::string>{"hk-add"}));
}

TEST(MainScreenInput, ADelayRangeCellShowsItsTooltipAfterTheDelay) {
  InputScreenRig rig;
  orlan::Node* cell = orlan::first_child(rig.row(1));
  for (int i = 0; i < 3; ++i) cell = orlan::next_sibling(cell);
  ASSERT_NE(cell, nullptr);
  rig.move_to(cell);
  EXPECT_TRUE(orlan::tooltip_pending(*rig.doc));
  EXPECT_EQ(rig.doc->tooltip, nullptr);
  orlan::show_tooltip(*rig.doc);
  rig.layout();
  ASSERT_NE(rig.doc->tooltip, nullptr);
  std::size_t length = 0;
  EXPECT_EQ(std::string(orlan::text_content(rig.doc->tooltip, &length)), "00:00.50~00:00.90");
  // A row without a range has no tooltip.
  orlan::Node* plain = orlan::first_child(rig.row(0));
  for (int i = 0; i < 3; ++i) plain = orlan::next_sibling(plain);
  rig.move_to(plain);
  EXPECT_EQ(rig.doc->tooltip, nullptr);
  EXPECT_FALSE(orlan::tooltip_pending(*rig.doc));
}

// ---- Drags through the pointer: the list's scrollbar and the table's column borders ----

// Thirty rows, more than the list box shows; press, moves and release go through the
// engine's input calls and its layout hooks, laid out after each as frames would. Presses
// find their element as the window's host finds it, in paint order (the table header's
// sticky cells lie over the rows scrolled under them).
struct DragRig : tw::test::MainScreenPage {
  orlan::Document& d = document();
  orlan::Node* box = element("list-box");
  DragRig() : MainScreenPage(tw::test::list_of_clicks(30)) {
    orlan::install_layout_input_hooks(nullptr, &orlan::hit_test);
  }

  void press(float x, float y) {
    orlan::pointer_move(d, x, y, 0);
    orlan::pointer_button(d, true, 0, x, y, 0, false);
    lay_out();
  }
  void move(float x, float y) {
    orlan::pointer_move(d, x, y, 0);
    lay_out();
  }
  void release(float x, float y) {
    orlan::pointer_button(d, false, 0, x, y, 0, false);
    lay_out();
  }
  orlan::Scrollbar bar() { return orlan::scrollbar_geometry(*box).vertical; }
};

TEST(MainScreenDrags, TheListsThumbFollowsThePointerUntilReleased) {
  DragRig rig;
  const orlan::Scrollbar bar = rig.bar();
  ASSERT_TRUE(bar.has_thumb);
  ASSERT_GT(bar.maximum, 100);
  const float x = bar.thumb.x + bar.thumb.width / 2, y = bar.thumb.y + bar.thumb.height / 2;
  const std::optional<std::size_t> marker = rig.state.access()->list.marked_row();
  rig.press(x, y);
  EXPECT_EQ(rig.box->scroll_y, 0);
  // Half the thumb's travel down: half the list's scroll range. Off the bar sideways, it
  // still follows.
  rig.move(x - 150, y + (bar.usable - bar.thumb.height) / 2);
  EXPECT_NEAR(rig.box->scroll_y, bar.maximum / 2, 1);
  rig.move(x, y + bar.usable * 2);
  EXPECT_EQ(rig.box->scroll_y, bar.maximum);
  rig.release(x, y + bar.usable * 2);
  // Released: the pointer moves freely again.
  rig.move(x, y);
  EXPECT_EQ(rig.box->scroll_y, bar.maximum);
  // The press on the bar chose no row.
  EXPECT_EQ(rig.state.access()->list.marked_row(), marker);
}

TEST(MainScreenDrags, APressOnTheListsTrackPagesTowardsIt) {
  DragRig rig;
  const orlan::Scrollbar bar = rig.bar();
  ASSERT_TRUE(bar.has_thumb);
  const orlan::Rect viewport = rig.at("list-box");
  const float x = bar.track.x + bar.track.width / 2;
  // Below the thumb: one page down, 0.9 of what the box shows.
  rig.press(x, bar.track.y + bar.track.height - 2);
  rig.release(x, bar.track.y + bar.track.height - 2);
  const float page = rig.box->scroll_y;
  const orlan::LayoutBox& b = *rig.box->box;
  EXPECT_NEAR(page, 0.9f * (viewport.height - b.border[0] - b.border[2]), 1);
  // Above the thumb (now lower down): back to the top.
  rig.press(x, bar.track.y + 2);
  rig.release(x, bar.track.y + 2);
  EXPECT_EQ(rig.box->scroll_y, 0);
}

TEST(MainScreenDrags, DraggingAColumnBorderResizesTheHeaderAndEveryRow) {
  DragRig rig;
  std::vector<orlan::Node*> th = rig.header_cells();
  ASSERT_EQ(th.size(), 5u);
  const orlan::Rect delay = rig.at(*th[3]);
  const float filler = rig.at(*th[4]).width;
  const float edge = delay.x + delay.width, y = delay.y + delay.height / 2;
  rig.press(edge - 1, y);
  rig.move(edge - 41, y);
  rig.release(edge - 41, y);
  EXPECT_EQ(rig.at(*th[3]).width, 100);
  EXPECT_EQ(rig.at(*th[4]).width, filler + 40);
  for (orlan::Node* row : tw::test::MainScreenPage::elements(rig.element("rows")))
    EXPECT_EQ(rig.at(*tw::test::MainScreenPage::elements(row)[3]).width, 100);
  // After the release a move changes nothing.
  rig.move(edge - 80, y);
  EXPECT_EQ(rig.at(*th[3]).width, 100);
}

TEST(MainScreenDrags, AColumnBorderInTheStickyHeaderDragsWhileTheListIsScrolled) {
  DragRig rig;
  const orlan::Scrollbar bar = rig.bar();
  ASSERT_TRUE(bar.has_thumb);
  // A page down: the header's cells stay at the top of the box, their row scrolls away.
  const float track_x = bar.track.x + bar.track.width / 2;
  rig.press(track_x, bar.track.y + bar.track.height - 2);
  rig.release(track_x, bar.track.y + bar.track.height - 2);
  const float scrolled = rig.box->scroll_y;
  ASSERT_GT(scrolled, 100);
  const std::optional<std::size_t> marker = rig.state.access()->list.marked_row();
  std::vector<orlan::Node*> th = rig.header_cells();
  ASSERT_EQ(th.size(), 5u);
  const orlan::Rect delay = rig.at(*th[3]);
  EXPECT_EQ(delay.y, rig.at("list-box").y + rig.box->box->border[0]) << "the header is not stuck";
  const float edge = delay.x + delay.width, y = delay.y + delay.height / 2;
  rig.press(edge - 1, y);
  rig.move(edge - 41, y);
  rig.release(edge - 41, y);
  EXPECT_EQ(rig.at(*th[3]).width, 100);
  std::vector<float> widths;
  for (orlan::Node* row : tw::test::MainScreenPage::elements(rig.element("rows")))
    widths.push_back(rig.at(*tw::test::MainScreenPage::elements(row)[3]).width);
  EXPECT_EQ(widths, std::vector<float>(30, 100));
  // The press on the border neither scrolled the list nor chose a row.
  EXPECT_EQ(rig.box->scroll_y, scrolled);
  EXPECT_EQ(rig.state.access()->list.marked_row(), marker);
}

}  // namespace

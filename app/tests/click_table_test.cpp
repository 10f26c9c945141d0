#include "click_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "document.h"
#include "screen_controls.h"
#include "screen_fakes.h"

namespace {

using tw::ClickEntry;
using tw::test::ScreenRig;

std::string text_of(orlan::Node* node) {
  std::size_t length = 0;
  const char* text = orlan::text_content(node, &length);
  return text ? std::string(text, length) : std::string();
}

std::string attribute(orlan::Node* node, const char* name) {
  std::size_t length = 0;
  const char* value = orlan::get_attribute(node, name, std::strlen(name), &length);
  return value ? std::string(value, length) : std::string("<none>");
}

// One line per row: "data-i [active] | cell | cell ... " with titles in braces.
std::vector<std::string> dump_rows(ScreenRig& rig) {
  std::vector<std::string> lines;
  for (orlan::Node* row = orlan::first_child(rig.element("rows")); row;
       row = orlan::next_sibling(row)) {
    std::string line = attribute(row, "data-i");
    if (orlan::has_class(row, "active", 6)) line += " active";
    for (orlan::Node* cell = orlan::first_child(row); cell; cell = orlan::next_sibling(cell)) {
      line += " | " + text_of(cell);
      if (orlan::has_attribute(cell, "title", 5)) line += " {" + attribute(cell, "title") + "}";
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(ClickTable, RendersOneRowPerEntryWithFiveCells) {
  ScreenRig rig;
  tw::ClickList list;
  list.append(ClickEntry{512, 384, 1000, 1000, tw::kMouseLeft, tw::kClickDouble});
  list.append(ClickEntry{-1280, 200, 1000, 1500, tw::kMouseRight, tw::kClickSingle});
  list.append(ClickEntry{5, 6, 0, 86400000, tw::kMouseWheel, tw::kClickSingle});
  list.set_marker(1);
  tw::render_click_table(rig.page(), list, "en");
  EXPECT_EQ(dump_rows(rig),
            (std::vector<std::string>{
                "0 | 512x384 | Left | Double | 00:01.00 | ",
                "1 active | -1280x200 | Right | Single | 00:01.00~00:01.50 {00:01.00~00:01.50} | ",
                "2 | 5x6 | Wheel | Single | 00:00.00~1440:00.00 {00:00.00~1440:00.00} | "}));
}

TEST(ClickTable, RebuildReplacesTheOldRows) {
  ScreenRig rig;
  tw::ClickList list;
  list.append(ClickEntry{1, 2, 100, 100, 0, 0});
  list.append(ClickEntry{3, 4, 100, 100, 0, 0});
  tw::render_click_table(rig.page(), list, "en");
  list.remove(0);
  tw::render_click_table(rig.page(), list, "en");
  EXPECT_EQ(dump_rows(rig), (std::vector<std::string>{"0 | 3x4 | Left | Single | 00:00.10 | "}));
  list.clear();
  tw::render_click_table(rig.page(), list, "en");
  EXPECT_TRUE(dump_rows(rig).empty());
}

// Everything under `rows`: tags, attributes in their stored order, classes and texts.
void dump_subtree(const orlan::Node& node, std::string& out) {
  const orlan::AtomTable& atoms = node.document->atoms;
  if (node.is_text()) {
    out += '"' + std::string(node.text ? node.text : "", node.text_length) + '"';
    return;
  }
  out += "<" + std::string(atoms.text(node.tag));
  for (const orlan::Attribute* a = node.attributes; a; a = a->next)
    out += " " + std::string(atoms.text(a->name)) + "=" + std::string(a->value ? a->value : "", a->length);
  for (std::uint16_t i = 0; i < node.class_count; ++i) out += " ." + std::string(atoms.text(node.classes[i]));
  out += ">";
  for (const orlan::Node* c = node.first_child; c; c = c->next_sibling) dump_subtree(*c, out);
  out += "</>";
}

std::string dump_table(ScreenRig& rig) {
  std::string out;
  for (orlan::Node* row = orlan::first_child(rig.element("rows")); row;
       row = orlan::next_sibling(row)) {
    dump_subtree(*row, out);
    out += "\n";
  }
  return out;
}

// What the table looks like when every row is made anew from the list.
std::string rebuilt_table(const tw::ClickList& list) {
  ScreenRig fresh;
  tw::render_click_table(fresh.page(), list, "en");
  return dump_table(fresh);
}

// Both updates, the one comparing the rows and the one comparing the list with what the
// table showed, give the same document and keep the same rows.
class ClickTableUpdate : public testing::TestWithParam<bool> {
 protected:
  void render(ScreenRig& rig, const tw::ClickList& list) {
    if (GetParam())
      tw::render_click_table(rig.page(), list, "en", m_shown);
    else
      tw::render_click_table(rig.page(), list, "en");
  }
  tw::ShownTable m_shown;
};

TEST_P(ClickTableUpdate, EveryUpdateGivesTheDocumentOfAFullRebuild) {
  ScreenRig rig;
  tw::ClickList list;
  auto entry = [](std::int32_t n) {
    return ClickEntry{n, 2 * n, 100u * static_cast<std::uint32_t>(n % 3),
                      100u * static_cast<std::uint32_t>(n % 3 + n % 2),
                      static_cast<std::uint8_t>(n % 3), static_cast<std::uint8_t>(n % 2)};
  };
  struct Step {
    const char* what;
    std::function<void(tw::ClickList&)> change;
    int rows_left_alone;  // rows whose element must survive the update
  };
  const std::vector<Step> steps = {
      {"load five", [&](tw::ClickList& l) {
         std::vector<ClickEntry> five;
         for (int n = 1; n <= 5; ++n) five.push_back(entry(n));
         l.replace(five);
       }, 0},
      {"append", [&](tw::ClickList& l) { l.append(entry(6)); }, 5},
      {"append an equal entry", [&](tw::ClickList& l) { l.append(entry(6)); }, 6},
      {"mark row 2", [](tw::ClickList& l) { l.set_marker(2); }, 7},
      {"mark row 4", [](tw::ClickList& l) { l.set_marker(4); }, 7},
      {"append keeps the marker", [&](tw::ClickList& l) { l.append(entry(7)); }, 7},
      {"move up", [](tw::ClickList& l) { l.move_up(4); }, 8},
      {"move down", [](tw::ClickList& l) { l.move_down(0); }, 8},
      {"move the last row up", [](tw::ClickList& l) { l.move_up(7); }, 8},
      {"delete in the middle", [](tw::ClickList& l) { l.remove(3); }, 7},
      {"delete the first row", [](tw::ClickList& l) { l.remove(0); }, 6},
      {"delete the last row", [](tw::ClickList& l) { l.remove(5); }, 5},
      {"mark the last row", [](tw::ClickList& l) { l.set_marker(4); }, 5},
      {"delete the marked last row", [](tw::ClickList& l) { l.remove(4); }, 4},
      {"mark the new last row", [](tw::ClickList& l) { l.set_marker(3); }, 4},
      {"unmark", [](tw::ClickList& l) { l.clear_marker(); }, 4},
      {"append an entry equal to the last", [&](tw::ClickList& l) { l.append(l.at(3)); }, 4},
      {"delete one of two equal rows", [](tw::ClickList& l) { l.remove(4); }, 4},
      {"load other entries", [&](tw::ClickList& l) { l.replace({entry(9), entry(1)}); }, 0},
      {"clear", [](tw::ClickList& l) { l.clear(); }, 0},
      {"append to an empty table", [&](tw::ClickList& l) { l.append(entry(3)); }, 0},
  };
  for (const Step& step : steps) {
    // Every text set gets a new revision: a row whose position text is older than the
    // update is a row the update left alone (node records themselves are reused).
    const std::uint32_t revision_before = rig.page().document()->text_revisions;
    step.change(list);
    render(rig, list);
    EXPECT_EQ(dump_table(rig), rebuilt_table(list)) << step.what;
    int kept = 0;
    for (orlan::Node* row = orlan::first_child(rig.element("rows")); row;
         row = orlan::next_sibling(row))
      kept += row->first_child->first_child->text_revision <= revision_before;
    EXPECT_EQ(kept, step.rows_left_alone) << step.what;
  }
}

// A row the table does not know of (its data-i is not the one expected) makes the update
// compare every row.
TEST_P(ClickTableUpdate, AStrayRowIsFoundAndTheRowsMadeAgain) {
  ScreenRig rig;
  tw::ClickList list;
  for (int n = 0; n < 4; ++n) list.append(ClickEntry{n, n, 100, 100, 0, 0});
  render(rig, list);
  for (const char* where : {"end", "front"}) {
    orlan::Node* stray = orlan::create_element(rig.page().document(), "tr", 2);
    orlan::insert(rig.element("rows"), stray,
                  std::string(where) == "end" ? nullptr : orlan::first_child(rig.element("rows")));
    list.append(ClickEntry{9, 9, 100, 100, 0, 0});
    list.set_marker(1);
    render(rig, list);
    EXPECT_EQ(dump_table(rig), rebuilt_table(list)) << where;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ClickTableUpdate, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "FromWhatTheTableShowed" : "ComparingTheRows";
                         });

TEST(ClickTable, RowsChangedBehindTheTablesBackAreMadeAgain) {
  ScreenRig rig;
  tw::ClickList list;
  list.append(ClickEntry{1, 2, 100, 200, 0, 0});
  list.append(ClickEntry{3, 4, 100, 100, 1, 1});
  tw::render_click_table(rig.page(), list, "en");
  orlan::Node* first = orlan::first_child(rig.element("rows"));
  orlan::Node* delay = orlan::next_sibling(orlan::next_sibling(orlan::next_sibling(orlan::first_child(first))));
  orlan::remove_attribute(delay, "title", 5);
  orlan::Node* stray = orlan::create_element(rig.page().document(), "tr", 2);
  orlan::append_child(rig.element("rows"), stray);
  tw::render_click_table(rig.page(), list, "en");
  EXPECT_EQ(dump_table(rig), rebuilt_table(list));
}

TEST(ClickTable, CellsAreLocalised) {
  ScreenRig rig("ko");
  tw::ClickList list;
  list.append(ClickEntry{1, 2, 100, 100, tw::kMouseWheel, tw::kClickDouble});
  tw::render_click_table(rig.page(), list, "ko");
  EXPECT_EQ(dump_rows(rig), (std::vector<std::string>{"0 | 1x2 | 휠 | 더블 | 00:00.10 | "}));
}

TEST(ClickTable, PageWithoutRowsIsLeftAlone) {
  orlan::View* view = orlan::create_view();
  const std::string_view html = "<body><p id='x'>x</p></body>";
  orlan::load_html(view, html.data(), html.size());
  orlan::Document* doc = orlan::document(view);
  orlan::Node* body = orlan::parent(orlan::get_element_by_id(doc, "x", 1));
  orlan::Node* paragraph = orlan::first_child(body);
  tw::ClickList list;
  list.append(ClickEntry{1, 2, 100, 100, 0, 0});
  tw::render_click_table(tw::Page(doc), list, "en");
  // Nothing was added anywhere: the body still holds the one paragraph and its text.
  EXPECT_EQ(orlan::first_child(body), paragraph);
  EXPECT_EQ(orlan::next_sibling(paragraph), nullptr);
  EXPECT_EQ(text_of(body), "x");
  EXPECT_EQ(orlan::get_element_by_id(doc, "rows", 4), nullptr);
  orlan::destroy_view(view);
}

TEST(ScreenControls, StatusLineFollowsTheRun) {
  ScreenRig rig;
  tw::Page page = rig.page();
  tw::show_status(page, true, "en");
  EXPECT_EQ(text_of(rig.element("status")), "Running");
  EXPECT_TRUE(page.has_class("status", "running"));
  tw::show_status(page, false, "ko");
  EXPECT_EQ(text_of(rig.element("status")), "대기중입니다.");
  EXPECT_FALSE(page.has_class("status", "running"));
}

TEST(ScreenControls, RunDisablesTheOptionControlsButNotTheNotificationSelect) {
  ScreenRig rig;
  tw::Page page = rig.page();
  const char* controls[] = {"mouse",      "click",     "delay1",   "delay2",   "repeat", "after",
                            "use-record", "btn-clear", "btn-open", "btn-save", "hk-run", "hk-add"};
  tw::set_option_controls_enabled(page, false);
  for (const char* id : controls) EXPECT_TRUE(page.is_disabled(id)) << id;
  EXPECT_FALSE(page.is_disabled("use-notify"));
  tw::set_option_controls_enabled(page, true);
  for (const char* id : controls) EXPECT_FALSE(page.is_disabled(id)) << id;
}

TEST(ScreenControls, RepeatCount) {
  EXPECT_EQ(tw::parse_repeat_count("", "en"), 0u);
  EXPECT_EQ(tw::parse_repeat_count("  ", "en"), 0u);
  EXPECT_EQ(tw::parse_repeat_count(" none ", "en"), 0u);
  EXPECT_EQ(tw::parse_repeat_count("사용안함", "ko"), 0u);
  EXPECT_EQ(tw::parse_repeat_count("0", "en"), 0u);
  EXPECT_EQ(tw::parse_repeat_count(" 3 ", "en"), 3u);
  EXPECT_EQ(tw::parse_repeat_count("+12", "en"), 12u);
  EXPECT_EQ(tw::parse_repeat_count("4294967295", "en"), 4294967295u);
  for (std::string_view bad :
       {"-1", "-0", "1.5", "99999999999", "4294967296", "none", "3x", "++1"}) {
    // "none" is only the English text; in Korean it is a bad count.
    std::string_view language = bad == "none" ? "ko" : "en";
    EXPECT_EQ(tw::parse_repeat_count(bad, language), std::nullopt) << bad;
  }
}

TEST(ScreenControls, ReadsButtonKindAndDelaysFromTheControls) {
  ScreenRig rig;
  tw::Page page = rig.page();
  EXPECT_EQ(tw::read_mouse_button(page), tw::kMouseLeft);
  page.set_selected_index("mouse", 2);
  page.set_selected_index("click", 1);
  page.set_value("delay1", "00:02.00");
  page.set_value("delay2", "00:01.00");
  EXPECT_EQ(tw::read_mouse_button(page), tw::kMouseWheel);
  EXPECT_EQ(tw::read_click_kind(page), tw::kClickDouble);
  EXPECT_EQ(tw::read_delays(page), (tw::DelayRange{2000, 2000}));
}

TEST(ScreenControls, MissingControlsReadAsDefaults) {
  orlan::View* view = orlan::create_view();
  tw::Page page(orlan::document(view));
  EXPECT_EQ(tw::read_mouse_button(page), tw::kMouseLeft);
  EXPECT_EQ(tw::read_click_kind(page), tw::kClickSingle);
  EXPECT_EQ(tw::read_delays(page), (tw::DelayRange{1000, 1000}));
  EXPECT_EQ(tw::read_repeat_count(page, "en"), 0u);
  orlan::destroy_view(view);
}

}  // namespace

#include "click_table.h"

#include <charconv>
#include <vector>

#include "catalog.h"
#include "mask.h"

namespace tw {

namespace {

// The texts of a row's cells as the table shows them, made for one entry after another
// into the same buffers: comparing a long table with its list costs no allocations.
class RowTexts {
 public:
  explicit RowTexts(std::string_view language)
      : m_mouse{i18n::text("mouse.left", language), i18n::text("mouse.right", language),
                i18n::text("mouse.wheel", language)},
        m_click{i18n::text("click.single", language), i18n::text("click.double", language)} {}
  RowTexts(const RowTexts&) = delete;  // the views point into its own buffers
  RowTexts& operator=(const RowTexts&) = delete;

  // Makes the texts of `entry` current.
  const RowTexts& of(const ClickEntry& entry) {
    char* end = std::to_chars(m_position_buffer, m_position_buffer + 12, entry.x).ptr;
    *end++ = 'x';
    end = std::to_chars(end, m_position_buffer + sizeof m_position_buffer, entry.y).ptr;
    position = std::string_view(m_position_buffer, static_cast<std::size_t>(end - m_position_buffer));
    mouse = m_mouse[entry.mouse == kMouseRight ? 1 : entry.mouse == kMouseWheel ? 2 : 0];
    click = m_click[entry.click == kClickDouble ? 1 : 0];
    // Neighbouring entries mostly share their delays.
    if (!m_delay_valid || entry.delay1 != m_delay1 || entry.delay2 != m_delay2) {
      m_delay = delay_cell_text(entry);
      m_delay1 = entry.delay1;
      m_delay2 = entry.delay2;
      m_delay_valid = true;
    }
    delay = m_delay;
    range = entry.delay1 != entry.delay2;
    return *this;
  }

  std::string_view position, mouse, click, delay;
  bool range = false;  // the delay cell carries the delay as its title

 private:
  std::string_view m_mouse[3];
  std::string_view m_click[2];
  char m_position_buffer[32] = {};
  std::string m_delay;
  std::uint32_t m_delay1 = 0, m_delay2 = 0;
  bool m_delay_valid = false;
};

std::string_view text_of(orlan::Node* node) {
  std::size_t length = 0;
  const char* text = orlan::text_content(node, &length);
  return text ? std::string_view(text, length) : std::string_view();
}

std::string_view attribute_of(orlan::Node* node, std::string_view name, bool& present) {
  std::size_t length = 0;
  const char* value = orlan::get_attribute(node, name.data(), name.size(), &length);
  present = value != nullptr;
  return present ? std::string_view(value, length) : std::string_view();
}

orlan::Node* create_row(orlan::Document* document, const RowTexts& texts) {
  orlan::Node* row = orlan::create_element(document, "tr", 2);
  if (row == nullptr) return nullptr;
  auto cell = [&](std::string_view text) {
    orlan::Node* td = orlan::create_element(document, "td", 2);
    if (td == nullptr) return td;
    if (!text.empty()) orlan::set_text_content(td, text.data(), text.size());
    orlan::append_child(row, td);
    return td;
  };
  cell(texts.position);
  cell(texts.mouse);
  cell(texts.click);
  orlan::Node* delay_cell = cell(texts.delay);
  if (delay_cell != nullptr && texts.range) {
    orlan::set_attribute(delay_cell, "title", 5, texts.delay.data(), texts.delay.size());
  }
  cell({});
  return row;
}

// Whether a row's cells show these texts (its index and marker are checked apart).
bool row_shows(orlan::Node* row, const RowTexts& texts) {
  if (row == nullptr || !orlan::is_element(row)) return false;
  orlan::Node* cells[5] = {};
  orlan::Node* cell = orlan::first_child(row);
  for (orlan::Node*& slot : cells) {
    if (cell == nullptr || !orlan::is_element(cell)) return false;
    slot = cell;
    cell = orlan::next_sibling(cell);
  }
  if (cell != nullptr) return false;
  bool titled = false;
  const std::string_view title = attribute_of(cells[3], "title", titled);
  return text_of(cells[0]) == texts.position && text_of(cells[1]) == texts.mouse &&
         text_of(cells[2]) == texts.click && text_of(cells[3]) == texts.delay &&
         titled == texts.range && (!titled || title == texts.delay) &&
         orlan::first_child(cells[4]) == nullptr;
}

// The row's index and marker as a rebuilt row would have them: no class attribute at all
// on an unmarked row.
void set_row_index_and_marker(orlan::Node* row, std::size_t index, bool marked) {
  char buffer[24];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, index).ptr;
  const std::string_view wanted(buffer, static_cast<std::size_t>(end - buffer));
  bool present = false;
  if (attribute_of(row, "data-i", present) != wanted || !present) {
    orlan::set_attribute(row, "data-i", 6, wanted.data(), wanted.size());
  }
  const bool active = orlan::has_class(row, "active", 6);
  if (marked && !active) {
    orlan::add_class(row, "active", 6);
  } else if (!marked && active) {
    orlan::remove_class(row, "active", 6);
    bool has_class_attribute = false;
    if (attribute_of(row, "class", has_class_attribute).empty() && has_class_attribute) {
      orlan::remove_attribute(row, "class", 5);
    }
  }
}

}  // namespace

std::string delay_cell_text(const ClickEntry& entry) {
  if (entry.delay1 == entry.delay2) return format_delay(entry.delay1);
  return format_delay(entry.delay1) + "~" + format_delay(entry.delay2);
}

void render_click_table(const Page& page, const ClickList& list, std::string_view language) {
  orlan::Node* rows = page.find("rows");
  if (rows == nullptr) return;
  orlan::Document* document = page.document();

  // The rows already there that still show entries at the start and at the end of the
  // list stay; only those between are replaced. An added entry thus costs one new row, a
  // deleted one a removed row, a move the pair it swapped.
  std::vector<orlan::Node*> old_rows;
  for (orlan::Node* row = orlan::first_child(rows); row != nullptr; row = orlan::next_sibling(row))
    old_rows.push_back(row);
  const std::size_t old_count = old_rows.size(), new_count = list.size();
  const std::size_t shared = std::min(old_count, new_count);
  RowTexts texts(language);
  std::size_t head = 0;
  while (head < shared && row_shows(old_rows[head], texts.of(list.at(head)))) ++head;
  std::size_t tail = 0;
  while (tail < shared - head &&
         row_shows(old_rows[old_count - 1 - tail], texts.of(list.at(new_count - 1 - tail)))) {
    ++tail;
  }
  const std::size_t old_end = old_count - tail, new_end = new_count - tail;
  const bool swapped = old_end - head == 2 && new_end - head == 2 &&
                       row_shows(old_rows[head], texts.of(list.at(head + 1))) &&
                       row_shows(old_rows[head + 1], texts.of(list.at(head)));
  if (swapped) {
    orlan::insert(rows, old_rows[head + 1], old_rows[head]);
  } else {
    for (std::size_t i = head; i < old_end; ++i) orlan::remove(old_rows[i]);
    orlan::Node* before = old_end < old_count ? old_rows[old_end] : nullptr;
    for (std::size_t i = head; i < new_end; ++i) {
      orlan::Node* row = create_row(document, texts.of(list.at(i)));
      if (row == nullptr) break;
      orlan::insert(rows, row, before);
    }
  }

  const std::optional<std::size_t> marked = list.marked_row();
  std::size_t index = 0;
  for (orlan::Node* row = orlan::first_child(rows); row != nullptr;
       row = orlan::next_sibling(row), ++index) {
    set_row_index_and_marker(row, index, marked && *marked == index);
  }
}

namespace {

bool row_has_index(orlan::Node* row, std::size_t index) {
  char buffer[24];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, index).ptr;
  bool present = false;
  return row != nullptr &&
         attribute_of(row, "data-i", present) ==
             std::string_view(buffer, static_cast<std::size_t>(end - buffer)) &&
         present;
}

// The row at `index` of `count`, walked to from the nearer end; null when the rows are
// not the ones the table is thought to hold.
orlan::Node* row_at(orlan::Node* rows, std::size_t index, std::size_t count) {
  if (index >= count) return nullptr;
  orlan::Node* row = nullptr;
  if (index < count - index) {
    row = orlan::first_child(rows);
    for (std::size_t i = 0; i < index && row; ++i) row = orlan::next_sibling(row);
  } else {
    row = orlan::last_child(rows);
    for (std::size_t i = count - 1; i > index && row; --i) row = orlan::previous_sibling(row);
  }
  return row_has_index(row, index) ? row : nullptr;
}

// The update from what the table showed; false when the rows turn out not to be what
// `shown` says, before anything was changed.
bool update_shown_rows(orlan::Node* rows, orlan::Document* document, const ClickList& list,
                       std::string_view language, const ShownTable& shown) {
  const std::vector<ClickEntry>& before = shown.entries;
  const std::vector<ClickEntry>& now = list.entries();
  const std::size_t old_count = before.size(), new_count = now.size();
  const std::size_t shared = std::min(old_count, new_count);
  std::size_t head = 0;
  while (head < shared && before[head] == now[head]) ++head;
  std::size_t tail = 0;
  while (tail < shared - head && before[old_count - 1 - tail] == now[new_count - 1 - tail]) ++tail;
  const std::size_t old_end = old_count - tail, new_end = new_count - tail;

  // Everything the update touches is found first.
  std::vector<orlan::Node*> replaced;
  orlan::Node* reference = nullptr;  // the row the new ones go before (null: the end)
  if (old_end > head) {
    orlan::Node* row = row_at(rows, head, old_count);
    for (std::size_t i = head; i < old_end; ++i, row = orlan::next_sibling(row)) {
      if (!row_has_index(row, i)) return false;
      replaced.push_back(row);
    }
    reference = old_end < old_count ? row : nullptr;
    if (reference && !row_has_index(reference, old_end)) return false;
  } else if (old_end < old_count) {
    reference = row_at(rows, old_end, old_count);
    if (!reference) return false;
  } else if (old_count > 0 ? !row_has_index(orlan::last_child(rows), old_count - 1)
                           : orlan::first_child(rows) != nullptr) {
    return false;  // more or fewer rows than the table is thought to hold
  }
  // The row before the first changed one stays, with its index.
  orlan::Node* anchor = nullptr;
  if (head > 0) {
    anchor = row_at(rows, head - 1, old_count);
    if (!anchor) return false;
  }
  const std::optional<std::size_t> marked = list.marked_row();
  // Rows whose index or marker may change: from the first changed one to the end when
  // rows were added or removed, else those that changed; and the rows marked before and now.
  const std::size_t touched_end = old_count != new_count ? new_count : new_end;
  // A marked row among the replaced ones goes with them; beyond them it keeps its index
  // only when as many rows come as go.
  orlan::Node* old_marked = nullptr;
  if (shown.marked && *shown.marked < old_count &&
      (*shown.marked < head || (old_count == new_count && *shown.marked >= old_end))) {
    old_marked = row_at(rows, *shown.marked, old_count);
    if (!old_marked) return false;
  }
  orlan::Node* new_marked = nullptr;
  if (marked && (*marked < head || *marked >= touched_end)) {
    // Beyond the changed rows it stands at the same place before and after.
    new_marked = row_at(rows, *marked, old_count);
    if (!new_marked) return false;
  }

  RowTexts texts(language);
  const bool swapped = replaced.size() == 2 && new_end - head == 2 && before[head] == now[head + 1] &&
                       before[head + 1] == now[head];
  if (swapped) {
    orlan::insert(rows, replaced[1], replaced[0]);
  } else {
    for (orlan::Node* row : replaced) orlan::remove(row);
    for (std::size_t i = head; i < new_end; ++i) {
      orlan::Node* row = create_row(document, texts.of(list.at(i)));
      if (row == nullptr) break;
      orlan::insert(rows, row, reference);
    }
  }
  if (head < touched_end) {
    orlan::Node* row = anchor ? orlan::next_sibling(anchor) : orlan::first_child(rows);
    for (std::size_t i = head; i < touched_end && row; ++i, row = orlan::next_sibling(row))
      set_row_index_and_marker(row, i, marked && *marked == i);
  }
  if (old_marked) set_row_index_and_marker(old_marked, *shown.marked, marked == shown.marked);
  if (new_marked) set_row_index_and_marker(new_marked, *marked, true);
  return true;
}

}  // namespace

void render_click_table(const Page& page, const ClickList& list, std::string_view language,
                        ShownTable& shown) {
  orlan::Node* rows = page.find("rows");
  if (rows == nullptr) {
    shown = ShownTable{};
    return;
  }
  if (!shown.known || !update_shown_rows(rows, page.document(), list, language, shown))
    render_click_table(page, list, language);
  shown.entries = list.entries();
  shown.marked = list.marked_row();
  shown.known = true;
}

}  // namespace tw

#include "click_table.h"

#include "catalog.h"
#include "mask.h"

namespace tw {

namespace {

std::string_view mouse_key(std::uint8_t mouse) {
  switch (mouse) {
    case kMouseRight:
      return "mouse.right";
    case kMouseWheel:
      return "mouse.wheel";
    default:
      return "mouse.left";
  }
}

void remove_children(orlan::Node* element) {
  while (orlan::Node* child = orlan::first_child(element)) orlan::remove(child);
}

}  // namespace

std::string delay_cell_text(const ClickEntry& entry) {
  if (entry.delay1 == entry.delay2) return format_delay(entry.delay1);
  return format_delay(entry.delay1) + "~" + format_delay(entry.delay2);
}

void render_click_table(const Page& page, const ClickList& list, std::string_view language) {
  orlan::Node* rows = page.find("rows");
  if (rows == nullptr) return;
  remove_children(rows);
  orlan::Document* document = page.document();
  auto cell = [&](orlan::Node* row, std::string_view text) {
    orlan::Node* td = orlan::create_element(document, "td", 2);
    if (td == nullptr) return td;
    if (!text.empty()) orlan::set_text_content(td, text.data(), text.size());
    orlan::append_child(row, td);
    return td;
  };
  std::optional<std::size_t> marked = list.marked_row();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ClickEntry& entry = list.at(i);
    orlan::Node* row = orlan::create_element(document, "tr", 2);
    if (row == nullptr) return;
    std::string index = std::to_string(i);
    orlan::set_attribute(row, "data-i", 6, index.data(), index.size());
    if (marked && *marked == i) orlan::add_class(row, "active", 6);
    cell(row, std::to_string(entry.x) + "x" + std::to_string(entry.y));
    cell(row, i18n::text(mouse_key(entry.mouse), language));
    cell(row, i18n::text(entry.click == kClickDouble ? "click.double" : "click.single", language));
    std::string delay = delay_cell_text(entry);
    orlan::Node* delay_cell = cell(row, delay);
    if (delay_cell != nullptr && entry.delay1 != entry.delay2) {
      orlan::set_attribute(delay_cell, "title", 5, delay.data(), delay.size());
    }
    cell(row, {});
    orlan::append_child(rows, row);
  }
}

}  // namespace tw

#include "page.h"

namespace tw {

orlan::Node* Page::find(std::string_view id) const {
  if (m_document == nullptr) return nullptr;
  return orlan::get_element_by_id(m_document, id.data(), id.size());
}

std::optional<std::string> element_value(orlan::Node* element) {
  if (element == nullptr) return std::nullopt;
  std::size_t length = 0;
  const char* text = orlan::value(element, &length);
  if (text == nullptr) return std::nullopt;
  return std::string(text, length);
}

void set_element_value(orlan::Node* element, std::string_view text) {
  if (element == nullptr) return;
  orlan::set_value(element, text.data(), text.size());
}

std::optional<std::string> Page::value(std::string_view id) const {
  return element_value(find(id));
}

void Page::set_value(std::string_view id, std::string_view text) const {
  set_element_value(find(id), text);
}

void Page::set_text(std::string_view id, std::string_view text) const {
  if (orlan::Node* element = find(id)) orlan::set_text_content(element, text.data(), text.size());
}

void Page::set_attribute(std::string_view id, std::string_view name, std::string_view text) const {
  if (orlan::Node* element = find(id)) {
    orlan::set_attribute(element, name.data(), name.size(), text.data(), text.size());
  }
}

void Page::add_class(std::string_view id, std::string_view name) const {
  if (orlan::Node* element = find(id)) orlan::add_class(element, name.data(), name.size());
}

void Page::remove_class(std::string_view id, std::string_view name) const {
  if (orlan::Node* element = find(id)) orlan::remove_class(element, name.data(), name.size());
}

bool Page::has_class(std::string_view id, std::string_view name) const {
  orlan::Node* element = find(id);
  return element != nullptr && orlan::has_class(element, name.data(), name.size());
}

void Page::set_disabled(std::string_view id, bool disabled) const {
  if (orlan::Node* element = find(id)) orlan::set_disabled(element, disabled);
}

bool Page::is_disabled(std::string_view id) const {
  orlan::Node* element = find(id);
  return element != nullptr && orlan::has_attribute(element, "disabled", 8);
}

std::optional<std::int32_t> Page::selected_index(std::string_view id) const {
  orlan::Node* element = find(id);
  if (element == nullptr) return std::nullopt;
  std::int32_t index = orlan::selected_index(element);
  if (index < 0) return std::nullopt;
  return index;
}

void Page::set_selected_index(std::string_view id, std::int32_t index) const {
  if (orlan::Node* element = find(id)) orlan::set_selected_index(element, index);
}

bool Page::is_checked(std::string_view id) const {
  orlan::Node* element = find(id);
  return element != nullptr && orlan::is_checked(element);
}

void Page::blur(std::string_view id) const {
  if (orlan::Node* element = find(id)) orlan::blur(element);
}

}  // namespace tw

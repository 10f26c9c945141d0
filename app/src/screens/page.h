#pragma once

// The main screen's reads and writes on the page, through the engine's interface. Every
// call looks its element up by id at the moment it runs; no element handle is kept
// between events. A missing element is accepted everywhere: writes do nothing, reads give
// nullopt. Engine statuses of element operations are ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "orlan/orlan.h"

namespace tw {

class Page {
 public:
  explicit Page(orlan::Document* document) noexcept : m_document(document) {}

  orlan::Document* document() const noexcept { return m_document; }
  // The element with this id, or null.
  orlan::Node* find(std::string_view id) const;

  // An input's value (UTF-8); nullopt when the element is missing.
  std::optional<std::string> value(std::string_view id) const;
  void set_value(std::string_view id, std::string_view text) const;
  void set_text(std::string_view id, std::string_view text) const;
  void set_attribute(std::string_view id, std::string_view name, std::string_view text) const;
  void add_class(std::string_view id, std::string_view name) const;
  void remove_class(std::string_view id, std::string_view name) const;
  bool has_class(std::string_view id, std::string_view name) const;
  void set_disabled(std::string_view id, bool disabled) const;
  bool is_disabled(std::string_view id) const;
  // A select's selected index; nullopt when missing or not a select with options.
  std::optional<std::int32_t> selected_index(std::string_view id) const;
  void set_selected_index(std::string_view id, std::int32_t index) const;
  // A check box's checked state; false when missing.
  bool is_checked(std::string_view id) const;
  // Takes the focus away from the element (its blur handlers run now).
  void blur(std::string_view id) const;

 private:
  orlan::Document* m_document;
};

// The same operations on an element already at hand (an event's target); null is accepted.
std::optional<std::string> element_value(orlan::Node* element);
void set_element_value(orlan::Node* element, std::string_view text);

}  // namespace tw

#include "delay_fields.h"

#include <algorithm>
#include <memory>
#include <string>

#include "mask.h"
#include "white_space.h"

namespace tw {

namespace {

std::string value_of(orlan::Node* input) {
  return element_value(input).value_or(std::string());
}

// Writes the editor's text and collapses the selection to its caret (writing the value
// puts the caret at the start).
void write_edit(orlan::Node* input, const MaskEdit& edit) {
  set_element_value(input, edit.text);
  if (input != nullptr) {
    auto caret = static_cast<std::uint32_t>(edit.caret);
    orlan::set_selection(input, caret, caret);
  }
}

// The smaller end of the input's selection; 0 when it cannot be read.
std::size_t caret_of(orlan::Node* input) {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  if (orlan::get_selection(input, &start, &end) != orlan::kOk) return 0;
  return std::min(start, end);
}

}  // namespace

void fill_empty_delays(const Page& page) {
  for (std::string_view id : {"delay1", "delay2"}) {
    std::optional<std::string> value = page.value(id);
    if (value && trim_white_space(*value).empty()) page.set_value(id, kDefaultDelayText);
  }
}

void bind_delay_editors(ScreenView& view, const ScreenContext& context) {
  for (DelayField field : {DelayField::Delay1, DelayField::Delay2}) {
    std::string_view id = field == DelayField::Delay1 ? "delay1" : "delay2";
    // The editor's memory (the last accepted text) is shared by the input's three handlers.
    auto editor = std::make_shared<DelayEditor>(field);

    view.on(id, "focus", [editor](PageEvent& event) {
      write_edit(event.target, editor->focus(value_of(event.target)));
    });

    // The state is held only to read and write the follow flag, never across an engine call.
    view.on(id, "input", [context, editor](PageEvent& event) {
      std::string value = value_of(event.target);
      std::size_t caret = caret_of(event.target);
      bool follows = context.state->access()->delay2_follows;
      MaskEdit edit = editor->input(value, caret, follows);
      context.state->access()->delay2_follows = follows;
      write_edit(event.target, edit);
    });

    view.on(id, "blur", [context, editor](PageEvent& event) {
      Page page = context.page();
      std::string value = value_of(event.target);
      std::string delay2 = page.value("delay2").value_or(std::string());
      bool follows = context.state->access()->delay2_follows;
      DelayBlur left = editor->blur(value, delay2, follows);
      context.state->access()->delay2_follows = left.delay2_follows;
      set_element_value(event.target, left.text);
      if (left.delay2_text) page.set_value("delay2", *left.delay2_text);
    });
  }
}

}  // namespace tw

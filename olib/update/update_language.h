#pragma once

// Texts of the update bar and the update dialog in the languages the update check knows.
// They are the check's own; the application's message catalogue is not used for them.

#include <string_view>

namespace olib::update {

struct UpdateTexts {
  std::string_view code;   // "" for the default (English) row
  std::string_view label;  // the bar's label
  std::string_view title;  // the dialog's main instruction
  std::string_view text;   // the dialog's content: two sentences, two line feeds apart
};

// The row for a language tag: the part before the first "-" or "_", trimmed and in ASCII
// lower case, when it is exactly two letters and in the table; the default row otherwise.
const UpdateTexts& update_texts_for(std::string_view language_tag);

}  // namespace olib::update

#include "catalog.h"

#include "markup_escape.h"

#include <cstdio>

#include "white_space.h"

namespace tw::i18n {

std::size_t language_column(std::string_view code) noexcept {
  for (std::size_t column = 0; column < kLanguageCodes.size(); ++column) {
    if (kLanguageCodes[column] == code) return column;
  }
  return kEnglishColumn;
}

const CatalogRow* find_row(std::string_view key) noexcept {
  for (const CatalogRow& row : catalog_rows()) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

std::string_view text(std::string_view key, std::string_view code) {
  if (const CatalogRow* row = find_row(key)) return row->texts[language_column(code)];
  std::string line = "[i18n] 없는 키: ";
  line.append(key);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  return "???";
}

std::string text_with_arg(std::string_view key, std::string_view code, std::string_view argument) {
  std::string out(text(key, code));
  std::size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, argument);
  return out;
}

std::string escape_html(std::string_view text) {
  return escape_markup(text, Apostrophe::Escape);
}

std::string expand_template(std::string_view page_template, std::size_t column) {
  if (column >= kLanguageCount) column = kEnglishColumn;
  std::string out;
  out.reserve(page_template.size() + page_template.size() / 4);
  std::string_view rest = page_template;
  for (;;) {
    std::size_t open = rest.find("{{");
    if (open == std::string_view::npos) break;
    std::size_t close = rest.find("}}", open + 2);
    // An opening pair without a closing one ends the expansion; the rest stays as written.
    if (close == std::string_view::npos) break;
    out.append(rest.substr(0, open));
    std::string_view placeholder = rest.substr(open, close + 2 - open);
    if (const CatalogRow* row =
            find_row(trim_white_space(rest.substr(open + 2, close - open - 2)))) {
      out += escape_html(row->texts[column]);
    } else {
      out.append(placeholder);
    }
    rest.remove_prefix(close + 2);
  }
  out.append(rest);
  return out;
}

}  // namespace tw::i18n

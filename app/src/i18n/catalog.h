#pragma once

// The message catalogue: every text the main program shows, in eight languages, compiled in.
// Languages are addressed by column: 0 "ko", 1 "en", 2 "ja", 3 "zh", 4 "ru", 5 "it", 6 "fr",
// 7 "es". English is the fallback for any other code (Korean is column 0 all the same).

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tw::i18n {

inline constexpr std::size_t kLanguageCount = 8;
inline constexpr std::size_t kRowCount = 49;
inline constexpr std::size_t kEnglishColumn = 1;
inline constexpr std::array<std::string_view, kLanguageCount> kLanguageCodes = {
    "ko", "en", "ja", "zh", "ru", "it", "fr", "es"};

struct CatalogRow {
  std::string_view key;                                // ASCII, dotted: "msg.run_done"
  std::array<std::string_view, kLanguageCount> texts;  // UTF-8, by column; "%s" at most once
};

std::span<const CatalogRow> catalog_rows() noexcept;

// Column of a language code: exact, case-sensitive match of the whole code, else English.
std::size_t language_column(std::string_view code) noexcept;

// The row of `key`, or null. Never logs.
const CatalogRow* find_row(std::string_view key) noexcept;

// Text of `key` in the language `code`. An unknown key writes "[i18n] 없는 키: <key>" and a
// line break to standard error and gives "???".
std::string_view text(std::string_view key, std::string_view code);

// The text of `key` with its first "%s" replaced by `argument` (later ones stay as they are).
std::string text_with_arg(std::string_view key, std::string_view code, std::string_view argument);

// The page template with every "{{ key }}" placeholder (key trimmed) replaced by the key's text
// in `column`, with & < > " ' written as entities. A placeholder naming no key stays as
// written, braces included; a "{{" without a later "}}" ends the expansion and the rest is
// copied unchanged. Never logs. A column past the last one reads as English.
std::string expand_template(std::string_view page_template, std::size_t column);

// & < > " ' as "&amp;" "&lt;" "&gt;" "&quot;" "&apos;".
std::string escape_html(std::string_view text);

}  // namespace tw::i18n

#pragma once

// Numbers in SVG attribute values, path data, point lists and transforms.

#include <cstddef>
#include <optional>
#include <string_view>

namespace orlan::svg {

// Space, tab, carriage return and line feed.
bool is_svg_space(char c);
// Skips spaces, tabs, carriage returns, line feeds and commas from `pos`.
void skip_separators(std::string_view text, std::size_t& pos);
// The text without leading and trailing spaces, tabs, carriage returns and line feeds.
std::string_view trim_svg_space(std::string_view text);

// Reads one number at `pos` with the CSS number grammar (sign, digits, fraction,
// exponent); reading stops at the first character that cannot continue it. On success
// `pos` moves past the number; otherwise nothing changes.
bool read_number_at(std::string_view text, std::size_t& pos, float& out);
// skip_separators, then read_number_at. On failure `pos` is left after the separators.
bool read_number(std::string_view text, std::size_t& pos, float& out);

// A whole value that is one number, optionally followed by "px" (surrounding white space
// allowed); anything else is none.
std::optional<float> parse_number_px(std::string_view text);
// The leading number of a value ("12.5px" gives 12.5); none when it does not start with
// one. Used for geometry attributes, where a missing or unreadable value counts as 0.
std::optional<float> parse_leading_number(std::string_view text);

}  // namespace orlan::svg

#pragma once

// Internal interface of the value parsers: a declaration value arrives as at most 64
// tokens (whitespace removed) and is turned into one CssValue for one property, or into
// several longhand declarations by the shorthand expander.

#include <optional>
#include <string_view>
#include <vector>

#include "css_value.h"
#include "properties.h"
#include "tokenizer.h"

namespace orlan::css {

class StyleSheet;
struct Declaration;

constexpr int kMaxValueTokens = 64;

struct ValueTokens {
  std::string_view text;  // the trimmed value text the tokens point into
  CssToken tokens[kMaxValueTokens];
  int count = 0;
  bool has_var = false;  // a function token spelled exactly "var"
};

// False when the value has more than 64 tokens other than whitespace.
bool tokenize_value(std::string_view text, ValueTokens& out);

// A half-open range of value tokens.
struct TokenRange {
  const CssToken* tokens = nullptr;
  int count = 0;
  const CssToken& operator[](int i) const { return tokens[i]; }
  bool empty() const { return count == 0; }
  TokenRange sub(int begin, int end) const { return {tokens + begin, end - begin}; }
};

// Index of the ')' closing the function or '(' token at `open`, or -1.
int find_close(TokenRange range, int open);

// Splits at top-level commas (outside parentheses). Returns the number of parts or -1
// when there are more than `max_parts`. Empty parts are kept (and usually rejected).
int split_commas(TokenRange range, TokenRange* parts, int max_parts);

// One token as a length: 0 -> 0px, percentages, px/em/rem/vw/vh and the absolute units
// (ch becomes em). nullopt for anything else.
std::optional<CssLength> length_from_token(const CssToken& token);
// One token as a length that must be in px (shadows, offsets, media limits).
std::optional<float> px_from_token(const CssToken& token);
// deg, turn, rad, grad, or a plain 0; degrees.
std::optional<float> angle_from_token(const CssToken& token);
// ms or s; milliseconds.
std::optional<float> time_from_token(const CssToken& token);

// calc()/min()/max()/clamp() filling the whole range.
bool parse_calc(StyleSheet& sheet, TokenRange range, CssValue& out);

// One colour starting at range[i]; advances i past it.
bool parse_color_at(TokenRange range, int& i, uint32_t& argb);
bool is_color_start(const CssToken& token);

bool parse_timing_function(TokenRange range, int& i, TimingFunction& out);

// Resolves CSS string escapes (backslash + up to six hex digits + optional space, escaped
// line feed dropped, any other escaped byte stands for itself) and appends UTF-8 to out.
void unescape_string(std::string_view raw, std::string& out);

// Parses `tokens` as the value of one longhand. False: the declaration is dropped.
bool parse_longhand(StyleSheet& sheet, PropertyId property, const ValueTokens& tokens,
                    CssValue& out);

// Family parsers used by parse_longhand.
bool parse_transform_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_individual_transform(StyleSheet& sheet, PropertyId property, TokenRange range,
                                CssValue& out);
bool parse_filter_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_shadow_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_gradient(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_position_pair(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_background_image(StyleSheet& sheet, const ValueTokens& all, TokenRange range,
                            CssValue& out);
bool parse_background_size(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_transition_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_animation_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_track_list(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_single_track(StyleSheet& sheet, TokenRange range, CssValue& out);
bool parse_grid_line(TokenRange range, CssValue& out);
bool parse_grid_areas(StyleSheet& sheet, TokenRange range, CssValue& out);

// Shorthand expander: appends longhand declarations (important flag 0) for the names it
// knows (the shorthand table plus overflow-x/-y, outline-style and resize). False when the
// name is unknown or the value does not parse; `out` is then left as it was.
bool expand_shorthand_tokens(StyleSheet& sheet, std::string_view lower_name,
                             const ValueTokens& tokens, std::vector<Declaration>& out);

}  // namespace orlan::css

// List-marker texts: decimal, alphabetic, roman and the three bullet shapes, with the
// ordinal taken from the item's position and its list's "start" attribute.

#include <cstdio>
#include <cstring>

#include "computed_style.h"
#include "document.h"
#include "style_state.h"

namespace orlan {

namespace {

namespace kw = css::kw;

// The "start" attribute as an integer, saturated to the 32-bit range; false when it is
// not a number (then the list starts at 1).
bool parse_start(std::string_view text, std::int64_t& out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturates; the digits go on
  }
  value = negative ? -value : value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  out = value;
  return true;
}

bool is_list_item(const Node& n) {
  return n.generated == 0 && n.has_tag(TagId::kLi);
}

// Items counted back to the list's start, or to the item numbered just before in the same
// walk: a walk over a whole list numbers it in one pass.
std::int64_t items_up_to(const Node& li) {
  style::StyleState* state = li.document ? style::state_of(*li.document) : nullptr;
  std::int64_t count = 1;
  const Node* s = li.prev_sibling;
  const bool memo = state && state->last_numbered.serial == state->walk_serial;
  for (; s; s = s->prev_sibling) {
    if (memo && s == state->last_numbered.item) {
      count += state->last_numbered.count;
      break;
    }
    if (is_list_item(*s)) ++count;
  }
  if (state) state->last_numbered = {state->walk_serial, &li, count};
  return count;
}

std::int64_t ordinal_of(const Node& li) {
  std::int64_t ordinal = items_up_to(li);
  const Node* list = li.parent;
  if (list && list->is_element() && list->document) {
    Atom start_name = list->document->atoms.lookup("start");
    if (const Attribute* a = start_name ? find_attribute(*list, start_name) : nullptr) {
      std::int64_t start = 1;
      if (parse_start(std::string_view(a->value ? a->value : "", a->length), start))
        ordinal += start - 1;
    }
  }
  return ordinal;
}

std::size_t put(char (&out)[32], std::string_view text) {
  std::size_t n = text.size() < 31 ? text.size() : 31;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

std::size_t decimal(char (&out)[32], std::int64_t ordinal) {
  int n = std::snprintf(out, sizeof out, "%lld.", static_cast<long long>(ordinal));
  return n > 0 && n < 32 ? static_cast<std::size_t>(n) : put(out, "");
}

std::size_t alpha(char (&out)[32], std::int64_t ordinal, bool upper) {
  // Bijective base 26 (1 a, 26 z, 27 aa); at most six letters, else the decimal form.
  constexpr std::int64_t kMaxSixLetters = 321272406;  // "zzzzzz"
  if (ordinal < 1 || ordinal > kMaxSixLetters) return decimal(out, ordinal);
  char letters[8];
  int count = 0;
  for (std::int64_t n = ordinal; n > 0; n = (n - 1) / 26)
    letters[count++] = static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26);
  std::size_t length = 0;
  while (count > 0) out[length++] = letters[--count];
  out[length++] = '.';
  out[length] = '\0';
  return length;
}

std::size_t roman(char (&out)[32], std::int64_t ordinal, bool upper) {
  if (ordinal < 1 || ordinal > 3999) return put(out, "?.");
  static const struct {
    int value;
    const char* lower;
    const char* upper;
  } kNumerals[] = {{1000, "m", "M"}, {900, "cm", "CM"}, {500, "d", "D"}, {400, "cd", "CD"},
                   {100, "c", "C"},  {90, "xc", "XC"},  {50, "l", "L"},  {40, "xl", "XL"},
                   {10, "x", "X"},   {9, "ix", "IX"},   {5, "v", "V"},   {4, "iv", "IV"},
                   {1, "i", "I"}};
  std::size_t length = 0;
  auto n = static_cast<int>(ordinal);
  for (const auto& r : kNumerals) {
    while (n >= r.value) {
      const char* text = upper ? r.upper : r.lower;
      std::size_t k = std::strlen(text);
      std::memcpy(out + length, text, k);
      length += k;
      n -= r.value;
    }
  }
  out[length++] = '.';  // at most 15 letters ("MMMDCCCLXXXVIII") and the dot
  out[length] = '\0';
  return length;
}

}  // namespace

std::size_t marker_text(const Node& li, Keyword type, char (&out)[32]) noexcept {
  out[0] = '\0';
  switch (type) {
    case kw::Disc:
      return put(out, "\xE2\x80\xA2");  // •
    case kw::Circle:
      return put(out, "\xE2\x97\xA6");  // ◦
    case kw::Square:
      return put(out, "\xE2\x96\xAA");  // ▪
    case kw::Decimal:
      return decimal(out, ordinal_of(li));
    case kw::LowerAlpha:
    case kw::UpperAlpha:
      return alpha(out, ordinal_of(li), type == kw::UpperAlpha);
    case kw::LowerRoman:
    case kw::UpperRoman:
      return roman(out, ordinal_of(li), type == kw::UpperRoman);
    default:
      return 0;
  }
}

}  // namespace orlan

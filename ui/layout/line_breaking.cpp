// Cutting text into inline items.

#include "line_breaking.h"

#include <cstring>
#include <string_view>

#include "utf.h"

namespace orlan {

namespace {

bool is_collapsible_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

std::uint32_t decode_at(const char* text, std::uint32_t length, std::uint32_t& pos) {
  unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) {
    ++pos;
    return c;
  }
  std::size_t p = pos;
  std::uint32_t cp = static_cast<std::uint32_t>(tw::decode_utf8(std::string_view(text, length), p));
  pos = static_cast<std::uint32_t>(p);
  return cp;
}

// Whether the character is a break opportunity of its own under `word-break`.
bool breaks_around(std::uint32_t cp, Keyword word_break) {
  if (cp == 0x200B) return true;
  if (word_break == css::kw::BreakAll) return true;
  if (word_break == css::kw::KeepAll) return false;
  return is_wide_code_point(cp) && !is_hangul_code_point(cp);
}

}  // namespace

TextStyle text_style_of(LayoutContext& ctx, const ComputedStyle& s) noexcept {
  TextStyle t;
  t.font = font_of(s);
  t.metrics = line_metrics(ctx, s);
  if (s.vertical_align == css::kw::Super)
    t.raise = 0.34f * s.font_size;
  else if (s.vertical_align == css::kw::Sub)
    t.raise = -0.2f * s.font_size;
  t.white_space = s.white_space;
  t.word_break = s.word_break;
  t.wrap = s.white_space != css::kw::Nowrap && s.white_space != css::kw::Pre;
  return t;
}

bool init_item_list(LayoutArena& arena, ItemList& list) noexcept {
  list.capacity = kMaxInlineItems;
  list.items = arena.allocate_array_uninitialized<InlineItem>(kMaxInlineItems);
  list.count = 0;
  list.full = list.items == nullptr;
  return list.items != nullptr;
}

InlineItem* ItemList::push(InlineItem item) noexcept {
  if (full || count >= capacity) {
    full = true;
    return nullptr;
  }
  item.source = count;
  items[count] = item;
  return &items[count++];
}

const char* transform_text(LayoutArena& arena, const char* text, std::uint32_t length,
                           Keyword transform, bool* changed) noexcept {
  *changed = false;
  if (transform != css::kw::Uppercase && transform != css::kw::Lowercase &&
      transform != css::kw::Capitalize)
    return text;
  char* copy = static_cast<char*>(arena.allocate(length + 1));
  if (!copy) return text;
  std::memcpy(copy, text, length);
  bool word_start = true;
  for (std::uint32_t i = 0; i < length; ++i) {
    char c = copy[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (transform == css::kw::Uppercase && c >= 'a' && c <= 'z')
      copy[i] = static_cast<char>(c - 32);
    if (transform == css::kw::Lowercase && c >= 'A' && c <= 'Z')
      copy[i] = static_cast<char>(c + 32);
    if (transform == css::kw::Capitalize && word_start && c >= 'a' && c <= 'z')
      copy[i] = static_cast<char>(c - 32);
    if (is_collapsible_white(c))
      word_start = true;
    else if (letter || static_cast<unsigned char>(c) >= 0x80 || (c >= '0' && c <= '9'))
      word_start = false;
  }
  *changed = true;
  return copy;
}

void append_text_items(LayoutContext& ctx, ItemList& list, Node& node, std::int32_t entry,
                       const char* text, std::uint32_t length, bool transformed,
                       const TextStyle& st) noexcept {
  const bool keep_spaces = st.white_space == css::kw::Pre || st.white_space == css::kw::PreWrap;
  const bool keep_newlines = keep_spaces || st.white_space == css::kw::PreLine;
  const float space_width = measure_text(ctx, st.font, " ", 1);

  InlineItem base;
  base.node = &node;
  base.text = text;
  base.entry = entry;
  base.ascent = st.metrics.ascent + st.raise;
  base.descent = st.metrics.descent - st.raise;
  base.font_ascent = st.metrics.font_ascent;
  base.font_descent = st.metrics.font_descent;
  base.raise = st.raise;
  base.transformed = transformed ? 1 : 0;

  std::uint32_t word_start = 0;
  bool in_word = false;
  bool word_break_before = false;

  auto flush_word = [&](std::uint32_t end) {
    if (!in_word) return;
    in_word = false;
    InlineItem item = base;
    item.kind = kItemText;
    item.first = word_start;
    item.length = end - word_start;
    item.width = item.min_width = measure_text(ctx, st.font, text + word_start, item.length);
    item.break_before = word_break_before ? 1 : 0;
    list.push(item);
    list.after_space = false;
    list.after_opportunity = false;
  };

  std::uint32_t pos = 0;
  while (pos < length && !list.full) {
    const char c = text[pos];
    if (c == '\n' && keep_newlines) {
      flush_word(pos);
      InlineItem item = base;
      item.kind = kItemBreak;
      item.first = pos;
      item.length = 1;
      list.push(item);
      list.after_space = true;
      list.after_opportunity = true;
      ++pos;
      continue;
    }
    if (is_collapsible_white(c)) {
      flush_word(pos);
      std::uint32_t end = pos;
      if (keep_spaces) {
        // A run of spaces and tabs is text of its own; carriage returns are dropped.
        while (end < length && (text[end] == ' ' || text[end] == '\t')) ++end;
        if (end == pos) {
          ++pos;
          continue;
        }
        InlineItem item = base;
        item.kind = kItemText;
        item.first = pos;
        item.length = end - pos;
        item.width = item.min_width = measure_text(ctx, st.font, text + pos, item.length);
        item.break_before = (st.wrap && list.after_opportunity) ? 1 : 0;
        list.push(item);
        list.after_space = true;
        list.after_opportunity = true;
        pos = end;
        continue;
      }
      while (end < length && is_collapsible_white(text[end]) &&
             !(text[end] == '\n' && keep_newlines))
        ++end;
      if (!list.after_space) {
        InlineItem item = base;
        item.kind = kItemSpace;
        item.first = pos;
        item.length = end - pos;
        item.width = space_width;
        list.push(item);
        list.after_space = true;
      }
      list.after_opportunity = true;
      pos = end;
      continue;
    }
    const std::uint32_t at = pos;
    const std::uint32_t cp = decode_at(text, length, pos);
    if (breaks_around(cp, st.word_break)) {
      flush_word(at);
      InlineItem item = base;
      item.kind = kItemText;
      item.first = at;
      item.length = pos - at;
      item.width = item.min_width = measure_text(ctx, st.font, text + at, item.length);
      item.break_before = st.wrap ? 1 : 0;
      list.push(item);
      list.after_space = false;
      list.after_opportunity = true;
      continue;
    }
    if (!in_word) {
      in_word = true;
      word_start = at;
      word_break_before = st.wrap && list.after_opportunity;
    }
  }
  flush_word(length);
}

std::uint32_t fitting_prefix(LayoutContext& ctx, const FontDescription& font, const char* text,
                             std::uint32_t length, float limit) noexcept {
  if (length == 0) return 0;
  auto boundary_at_or_before = [&](std::uint32_t p, std::uint32_t floor) {
    while (p > floor && (static_cast<unsigned char>(text[p]) & 0xC0) == 0x80) --p;
    return p;
  };
  auto fits = [&](std::uint32_t n) {
    return measure_text(ctx, font, text, n) <= limit + kFitTolerance;
  };
  std::uint32_t first_end = 0;
  decode_at(text, length, first_end);
  // Prefixes grow by doubling until one does not fit, so the work follows the length of
  // the answer rather than of the text (a long word is cut line after line).
  std::uint32_t lo = first_end;  // always taken
  std::uint32_t hi = 0;          // 0: no prefix known not to fit
  for (std::uint32_t probe = first_end; ;) {
    if (!fits(probe)) {
      hi = probe;
      break;
    }
    lo = probe;
    if (probe >= length) return length;
    std::uint32_t next = probe > length / 2 ? length : probe * 2;
    next = boundary_at_or_before(next, probe);
    if (next <= probe) {
      next = probe;
      decode_at(text, length, next);
    }
    probe = next;
  }
  if (hi <= lo) return lo;  // the first code point alone is too wide: it is taken anyway
  // Invariant: the prefix ending at lo fits (or is the forced minimum), at hi it does not.
  while (true) {
    std::uint32_t mid = boundary_at_or_before(lo + (hi - lo) / 2, lo);
    if (mid <= lo) {
      std::uint32_t p = lo;
      decode_at(text, length, p);
      if (p >= hi) break;
      mid = p;
    }
    if (fits(mid))
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace orlan

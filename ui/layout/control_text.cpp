// The text of form controls: the value or placeholder of text fields, the label of input
// buttons, the chosen option of a select and the wrapped lines of a textarea, kept in
// the control's own text lines.

#include <algorithm>
#include <cstring>
#include <string_view>

#include "ascii.h"
#include "line_breaking.h"
#include "utf.h"

namespace orlan {

namespace {

constexpr char kBullet[] = "\xE2\x80\xA2";

std::string_view attribute_text(const Node& e, std::string_view name) {
  Atom atom = e.document->atoms.lookup(name);
  if (!atom) return {};
  const Attribute* a = find_attribute(e, atom);
  return a && a->value ? std::string_view(a->value, a->length) : std::string_view();
}

bool is_password(const Node& e) {
  return tw::ascii_iequals(attribute_text(e, "type"), "password");
}

// The text of a node's text children (an option's label, a textarea's initial text).
void append_child_text(const Node& e, char* out, std::uint32_t capacity, std::uint32_t& length) {
  for (const Node* c = e.first_child; c; c = c->next_sibling) {
    if (!c->is_text() || !c->text) continue;
    std::uint32_t n = std::min(c->text_length, capacity - length);
    if (n > 0) std::memcpy(out + length, c->text, n);
    length += n;
  }
}

std::uint32_t child_text_length(const Node& e) {
  std::uint64_t n = 0;
  for (const Node* c = e.first_child; c; c = c->next_sibling)
    if (c->is_text()) n += c->text_length;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 1u << 24));
}

const Node* shown_option(const Node& select) {
  const Node* first = nullptr;
  for (const Node* c = select.first_child; c; c = c->next_sibling) {
    if (!c->has_tag(TagId::kOption)) continue;
    if (!first) first = c;
    if (c->state & kStateChecked) return c;
  }
  return first;
}

bool reserve_text(Document& d, LayoutBox& box, std::uint32_t length) {
  if (length + 1 <= box.display_text_capacity) return true;
  std::uint32_t capacity = box.display_text_capacity ? box.display_text_capacity : 64;
  while (capacity < length + 1) {
    if (capacity > (1u << 30)) return false;
    capacity *= 2;
  }
  void* buffer = box.display_text;
  std::uint32_t old = box.display_text_capacity;
  if (!grow_buffer(d, buffer, old, capacity, 1)) return false;
  box.display_text = static_cast<char*>(buffer);
  box.display_text_capacity = old;
  return true;
}

// The value with the composition inserted at the caret.
bool build_composed_text(Document& d, std::string_view value, const EditState& edit,
                         LayoutBox& box) {
  const std::uint32_t at = std::min<std::uint32_t>(edit.caret, static_cast<std::uint32_t>(value.size()));
  const std::uint64_t total = value.size() + std::uint64_t{edit.composition_length};
  // The value may live in the buffer already (a textarea's children), which may move.
  const bool in_place = value.data() == box.display_text;
  if (total > (1u << 30) || !reserve_text(d, box, static_cast<std::uint32_t>(total))) return false;
  char* out = box.display_text;
  if (in_place) value = std::string_view(out, value.size());
  const std::string_view tail = value.substr(at);
  if (!tail.empty()) std::memmove(out + at + edit.composition_length, tail.data(), tail.size());
  if (at > 0 && value.data() != out) std::memmove(out, value.data(), at);
  std::memcpy(out + at, edit.composition, edit.composition_length);
  box.display_text_length = static_cast<std::uint32_t>(total);
  return false;
}

// Fills the box's display text. Returns whether it is the placeholder.
bool build_display_text(const Node& e, LayoutBox& box) {
  Document& d = *e.document;
  box.display_text_length = 0;
  std::string_view text;
  bool placeholder = false;
  if (e.has_tag(TagId::kSelect)) {
    const Node* option = shown_option(e);
    if (!option) return false;
    std::uint32_t n = child_text_length(*option);
    if (!reserve_text(d, box, n)) return false;
    append_child_text(*option, box.display_text, n, box.display_text_length);
    return false;
  }
  if (e.value_set) {
    text = node_text(e);
  } else if (e.has_tag(TagId::kTextarea)) {
    std::uint32_t n = child_text_length(e);
    if (!reserve_text(d, box, n)) return false;
    append_child_text(e, box.display_text, n, box.display_text_length);
    text = std::string_view(box.display_text, box.display_text_length);
  } else {
    text = attribute_text(e, "value");
    if (text.empty() && e.control == ControlKind::kButton) {
      std::string_view type = attribute_text(e, "type");
      if (tw::ascii_iequals(type, "reset")) text = "Reset";
      else if (tw::ascii_iequals(type, "submit")) text = "Submit";
    }
  }
  // An input method's composition shows at the caret, in place of a placeholder.
  const EditState* edit = e.edit_state;
  if (edit && edit->composing && edit->composition_length > 0 && !is_password(e))
    return build_composed_text(d, text, *edit, box);
  if (text.empty() && !e.has_tag(TagId::kSelect)) {
    text = attribute_text(e, "placeholder");
    placeholder = !text.empty();
  }
  if (!placeholder && e.has_tag(TagId::kInput) && is_password(e)) {
    std::uint32_t count = static_cast<std::uint32_t>(tw::count_code_points(text));
    if (!reserve_text(d, box, count * 3)) return false;
    for (std::uint32_t i = 0; i < count; ++i) std::memcpy(box.display_text + i * 3, kBullet, 3);
    box.display_text_length = count * 3;
    return false;
  }
  if (text.data() == box.display_text) return placeholder;
  if (!reserve_text(d, box, static_cast<std::uint32_t>(text.size()))) return false;
  if (!text.empty()) std::memcpy(box.display_text, text.data(), text.size());
  box.display_text_length = static_cast<std::uint32_t>(text.size());
  return placeholder;
}

bool push_line(Document& d, LayoutBox& box, const TextLine& line) {
  void* buffer = box.text_lines;
  if (!grow_buffer(d, buffer, box.text_line_capacity, box.text_line_count + 1, sizeof(TextLine)))
    return false;
  box.text_lines = static_cast<TextLine*>(buffer);
  box.text_lines[box.text_line_count++] = line;
  return true;
}

}  // namespace

float layout_control_text(LayoutContext& ctx, Node& e, LayoutBox& box, float content_width) noexcept {
  box.text_line_count = 0;
  const ComputedStyle& s = *e.style;
  build_display_text(e, box);
  const FontDescription font = font_of(s);
  const LineMetrics m = line_metrics(ctx, s);
  const float line_height = std::max(0.0f, m.ascent + m.descent);
  const float ox = box.border[kLeft] + box.padding[kLeft];
  const float oy = box.border[kTop] + box.padding[kTop];
  const char* text = box.display_text ? box.display_text : "";
  const std::uint32_t length = box.display_text_length;

  auto add = [&](std::uint32_t first, std::uint32_t n, float y) {
    TextLine line;
    line.first = first;
    line.length = n;
    line.width = measure_text(ctx, font, text + first, n);
    float shift = 0;
    float free = content_width - line.width;
    if (free > 0 && s.text_align == css::kw::Center) shift = free / 2;
    else if (free > 0 && s.text_align == css::kw::Right) shift = free;
    line.x = ox + shift;
    line.y = oy + y;
    line.height = line_height;
    line.baseline = m.ascent;
    push_line(*e.document, box, line);
  };

  float y = 0;
  if (!e.has_tag(TagId::kTextarea)) {
    // One line; a field's text scrolls inside it rather than wrapping.
    std::uint32_t n = 0;
    while (n < length && text[n] != '\n' && text[n] != '\r') ++n;
    add(0, n, 0);
    y = line_height;
  } else {
    // Lines end at line feeds and wrap at spaces (or anywhere in a word too long). Each
    // line costs about its own length, so a pasted megabyte wraps in one pass.
    std::uint32_t start = 0;
    bool room = true;
    while (start <= length && room) {
      std::uint32_t end = start;
      while (end < length && text[end] != '\n') ++end;
      std::uint32_t pos = start;
      do {
        std::uint32_t n = end - pos;
        if (content_width > 0) {
          std::uint32_t fit = fitting_prefix(ctx, font, text + pos, n, content_width);
          if (fit < n) {
            std::uint32_t cut = fit;
            while (cut > 0 && text[pos + cut - 1] != ' ') --cut;
            n = cut > 0 ? cut : fit;
          }
        }
        const std::uint32_t before = box.text_line_count;
        add(pos, n, y);
        room = box.text_line_count > before;  // out of memory: the rest is not shown
        y += line_height;
        pos += n;
      } while (pos < end && room);
      start = end + 1;
    }
  }
  if (box.text_line_count > 0) box.baseline = box.text_lines[0].y + box.text_lines[0].baseline;
  float widest = 0;
  for (std::uint32_t i = 0; i < box.text_line_count; ++i) widest = std::max(widest, box.text_lines[i].width);
  box.content_width = std::max(box.content_width, widest);
  return y;
}

IntrinsicWidths control_intrinsic(LayoutContext& ctx, Node& e) noexcept {
  const ComputedStyle& s = *e.style;
  const FontDescription font = font_of(s);
  LayoutBox* box = ensure_box(e);
  if (!box) return {};
  if (e.has_tag(TagId::kSelect)) {
    float widest = 0;
    for (const Node* c = e.first_child; c; c = c->next_sibling) {
      if (!c->has_tag(TagId::kOption)) continue;
      for (const Node* t = c->first_child; t; t = t->next_sibling)
        if (t->is_text()) widest = std::max(widest, measure_text(ctx, font, t->text, t->text_length));
    }
    return {widest + 20, widest + 20};
  }
  build_display_text(e, *box);
  float text_width = 0;
  {
    const char* text = box->display_text;
    std::uint32_t start = 0;
    const std::uint32_t length = box->display_text_length;
    while (text && start <= length) {
      std::uint32_t end = start;
      while (end < length && text[end] != '\n') ++end;
      text_width = std::max(text_width, measure_text(ctx, font, text + start, end - start));
      start = end + 1;
    }
  }
  if (e.has_tag(TagId::kTextarea)) {
    float min = 20 * s.font_size;
    return {min, std::max(min, text_width)};
  }
  if (e.control == ControlKind::kButton) return {text_width, text_width};
  float w = std::max(text_width, 10 * s.font_size);
  return {w, w};
}

}  // namespace orlan

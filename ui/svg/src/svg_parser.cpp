#include "svg_parser.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string_view>

#include "svg_number.h"
#include "svg_paint_state.h"
#include "svg_path.h"
#include "svg_transform.h"

namespace orlan::svg {

namespace {

// Control distance of a cubic quarter-arc for a unit radius.
constexpr float kQuarterArc = 0.5522847f;

struct Attribute {
  std::string_view name;
  std::string_view value;
};

struct Tag {
  std::string_view name;
  Attribute attributes[kMaxAttributes];
  int count = 0;
  bool self_closing = false;

  std::string_view get(std::string_view attribute) const {
    for (int i = 0; i < count; ++i) {
      if (attributes[i].name == attribute) return attributes[i].value;
    }
    return {};
  }
  bool has(std::string_view attribute) const {
    for (int i = 0; i < count; ++i) {
      if (attributes[i].name == attribute) return true;
    }
    return false;
  }
};

bool is_space(char c) {
  return is_svg_space(c);
}

bool ends_name(char c) {
  return is_space(c) || c == '/' || c == '>' || c == '<';
}

// Elements whose content never draws: skipped up to their matching closing tag.
bool is_skipped_element(std::string_view name) {
  static constexpr std::string_view kSkipped[] = {
      "defs",           "symbol",         "clipPath", "mask",         "marker",   "pattern",
      "linearGradient", "radialGradient", "title",    "desc",         "metadata", "style",
      "text",           "filter",         "switch",   "foreignObject"};
  return std::find(std::begin(kSkipped), std::end(kSkipped), name) != std::end(kSkipped);
}

class Parser {
 public:
  Parser(std::string_view text, VectorImage& image) : m_text(text), m_image(image) {}

  bool run();

 private:
  // Position just after the tag, or npos when the data ends inside it.
  std::size_t read_start_tag(std::size_t at, Tag& tag) const;
  std::size_t skip_past(std::size_t from, std::string_view marker) const;
  std::size_t skip_element_content(std::size_t from, std::string_view name) const;

  void start_group(const Tag& tag);
  void end_group();
  void read_size(const Tag& tag);
  void apply_attributes(PaintState& state, const Tag& tag) const;
  void add_shape(const Tag& tag);
  void finish_shape(const PaintState& state, std::size_t first, bool fillable);

  std::string_view m_text;
  VectorImage& m_image;
  PaintState m_stack[kMaxGroupDepth + 1];
  int m_top = 0;             // index of the current paint state; 0 is the defaults
  int m_ignored_groups = 0;  // open groups beyond the depth limit
  bool m_seen_svg = false;
};

std::size_t Parser::skip_past(std::size_t from, std::string_view marker) const {
  const std::size_t found = m_text.find(marker, from);
  return found == std::string_view::npos ? m_text.size() : found + marker.size();
}

std::size_t Parser::read_start_tag(std::size_t at, Tag& tag) const {
  const std::size_t n = m_text.size();
  std::size_t pos = at;  // just after '<'
  const std::size_t name_begin = pos;
  while (pos < n && !ends_name(m_text[pos])) ++pos;
  tag.name = m_text.substr(name_begin, pos - name_begin);
  tag.count = 0;
  tag.self_closing = false;
  for (;;) {
    while (pos < n && is_space(m_text[pos])) ++pos;
    if (pos >= n) return std::string_view::npos;
    const char c = m_text[pos];
    if (c == '>') return pos + 1;
    if (c == '/') {
      if (pos + 1 < n && m_text[pos + 1] == '>') {
        tag.self_closing = true;
        return pos + 2;
      }
      ++pos;
      continue;
    }
    const std::size_t attr_begin = pos;
    while (pos < n && !is_space(m_text[pos]) && m_text[pos] != '=' && m_text[pos] != '>' &&
           m_text[pos] != '/') {
      ++pos;
    }
    if (pos == attr_begin) {  // a stray '=' or the like
      ++pos;
      continue;
    }
    Attribute attribute{m_text.substr(attr_begin, pos - attr_begin), {}};
    std::size_t look = pos;
    while (look < n && is_space(m_text[look])) ++look;
    if (look < n && m_text[look] == '=') {
      pos = look + 1;
      while (pos < n && is_space(m_text[pos])) ++pos;
      if (pos >= n) return std::string_view::npos;
      const char quote = m_text[pos];
      if (quote == '"' || quote == '\'') {
        const std::size_t close = m_text.find(quote, pos + 1);
        if (close == std::string_view::npos) return std::string_view::npos;
        attribute.value = m_text.substr(pos + 1, close - pos - 1);
        pos = close + 1;
      } else {
        const std::size_t value_begin = pos;
        while (pos < n && !is_space(m_text[pos]) && m_text[pos] != '>') ++pos;
        attribute.value = m_text.substr(value_begin, pos - value_begin);
      }
    }
    if (tag.count < kMaxAttributes) tag.attributes[tag.count++] = attribute;
  }
}

std::size_t Parser::skip_element_content(std::size_t from, std::string_view name) const {
  const std::size_t n = m_text.size();
  std::size_t pos = from;
  int depth = 1;
  Tag tag;
  while (pos < n) {
    const std::size_t lt = m_text.find('<', pos);
    if (lt == std::string_view::npos) return n;
    const std::string_view rest = m_text.substr(lt);
    if (rest.starts_with("<!--")) {
      pos = skip_past(lt + 4, "-->");
    } else if (rest.starts_with("</")) {
      std::size_t end = lt + 2;
      while (end < n && !ends_name(m_text[end])) ++end;
      const std::string_view closing = m_text.substr(lt + 2, end - lt - 2);
      pos = skip_past(end, ">");
      if (closing == name && --depth == 0) return pos;
    } else if (rest.starts_with("<!") || rest.starts_with("<?")) {
      pos = skip_past(lt + 2, ">");
    } else {
      const std::size_t after = read_start_tag(lt + 1, tag);
      if (after == std::string_view::npos) return n;
      if (tag.name == name && !tag.self_closing) ++depth;
      pos = after;
    }
  }
  return n;
}

void Parser::apply_attributes(PaintState& state, const Tag& tag) const {
  for (int i = 0; i < tag.count; ++i) {
    const Attribute& a = tag.attributes[i];
    if (a.name == "style") {
      apply_style_attribute(state, a.value);
    } else {
      apply_paint_property(state, a.name, a.value);
    }
  }
}

void Parser::read_size(const Tag& tag) {
  // The view box counts only with four numbers and a positive size.
  bool has_view_box = false;
  if (tag.has("viewBox")) {
    const std::string_view text = tag.get("viewBox");
    float v[4];
    std::size_t pos = 0;
    bool ok = true;
    for (float& x : v) ok = ok && read_number(text, pos, x);
    skip_separators(text, pos);
    if (ok && pos == text.size() && v[2] > 0 && v[3] > 0) {
      has_view_box = true;
      m_image.view_x = v[0];
      m_image.view_y = v[1];
      m_image.view_width = v[2];
      m_image.view_height = v[3];
    }
  }
  auto dimension = [&](std::string_view name, float view_size) {
    if (tag.has(name)) {
      const auto value = parse_number_px(tag.get(name));
      if (value && *value > 0) return *value;
    }
    return has_view_box ? view_size : 24.0f;
  };
  m_image.width = dimension("width", m_image.view_width);
  m_image.height = dimension("height", m_image.view_height);
  if (!has_view_box) {
    m_image.view_x = 0;
    m_image.view_y = 0;
    m_image.view_width = m_image.width;
    m_image.view_height = m_image.height;
  }
}

void Parser::start_group(const Tag& tag) {
  if (m_top >= kMaxGroupDepth) {
    ++m_ignored_groups;
    return;
  }
  m_stack[m_top + 1] = m_stack[m_top];
  ++m_top;
  apply_attributes(m_stack[m_top], tag);
}

void Parser::end_group() {
  if (m_ignored_groups > 0) {
    --m_ignored_groups;
  } else if (m_top > 0) {
    --m_top;
  }
}

void Parser::finish_shape(const PaintState& state, std::size_t first, bool fillable) {
  const std::size_t count = m_image.segments.size() - first;
  const std::uint32_t fill = fillable ? state.fill : 0;
  if (count == 0 || (fill == 0 && state.stroke == 0)) {
    m_image.segments.resize(first);
    return;
  }
  DrawRecord record;
  record.first_segment = static_cast<std::uint32_t>(first);
  record.segment_count = static_cast<std::uint32_t>(count);
  record.fill = fill;
  record.stroke = state.stroke;
  record.fill_alpha = state.fill_opacity * state.opacity;
  record.stroke_alpha = state.stroke_opacity * state.opacity;
  record.stroke_width = state.stroke_width * std::sqrt(std::fabs(state.matrix.determinant()));
  // Extreme transforms can overflow; such a stroke is not drawn rather than drawn wrongly.
  if (!std::isfinite(record.stroke_width)) record.stroke_width = 0;
  record.cap = state.cap;
  record.join = state.join;
  record.fill_rule = state.fill_rule;
  if (m_image.draws.capacity() == 0) m_image.draws.reserve(16);
  m_image.draws.push_back(record);
}

void Parser::add_shape(const Tag& tag) {
  const std::string_view name = tag.name;
  const bool known = name == "path" || name == "rect" || name == "circle" || name == "ellipse" ||
                     name == "line" || name == "polyline" || name == "polygon";
  if (!known) return;

  PaintState state = m_stack[m_top];
  apply_attributes(state, tag);
  auto number = [&](std::string_view attribute) {
    return parse_leading_number(tag.get(attribute)).value_or(0.0f);
  };
  const std::size_t first = m_image.segments.size();
  PathWriter out(m_image.segments, state.matrix);
  bool fillable = true;

  if (name == "path") {
    parse_path_data(tag.get("d"), out);
  } else if (name == "rect") {
    const float x = number("x"), y = number("y"), w = number("width"), h = number("height");
    if (w > 0 && h > 0) {
      const bool has_rx = tag.has("rx"), has_ry = tag.has("ry");
      float rx = has_rx ? number("rx") : (has_ry ? number("ry") : 0.0f);
      float ry = has_ry ? number("ry") : rx;
      rx = std::min(rx, w / 2);
      ry = std::min(ry, h / 2);
      if (rx <= 0 || ry <= 0) {
        out.move_to({x, y});
        out.line_to({x + w, y});
        out.line_to({x + w, y + h});
        out.line_to({x, y + h});
        out.close();
      } else {
        const float kx = kQuarterArc * rx, ky = kQuarterArc * ry;
        const float r = x + w, b = y + h;
        out.move_to({x + rx, y});
        out.line_to({r - rx, y});
        out.cubic_to({r - rx + kx, y}, {r, y + ry - ky}, {r, y + ry});
        out.line_to({r, b - ry});
        out.cubic_to({r, b - ry + ky}, {r - rx + kx, b}, {r - rx, b});
        out.line_to({x + rx, b});
        out.cubic_to({x + rx - kx, b}, {x, b - ry + ky}, {x, b - ry});
        out.line_to({x, y + ry});
        out.cubic_to({x, y + ry - ky}, {x + rx - kx, y}, {x + rx, y});
        out.close();
      }
    }
  } else if (name == "circle" || name == "ellipse") {
    const float cx = number("cx"), cy = number("cy");
    const float rx = name == "circle" ? number("r") : number("rx");
    const float ry = name == "circle" ? rx : number("ry");
    if (rx > 0 && ry > 0) {
      const float kx = kQuarterArc * rx, ky = kQuarterArc * ry;
      out.move_to({cx + rx, cy});
      out.cubic_to({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
      out.cubic_to({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
      out.cubic_to({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
      out.cubic_to({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
      out.close();
    }
  } else if (name == "line") {
    out.move_to({number("x1"), number("y1")});
    out.line_to({number("x2"), number("y2")});
    fillable = false;
  } else {  // polyline, polygon
    const std::string_view points = tag.get("points");
    std::size_t pos = 0;
    bool first_pair = true;
    float x = 0, y = 0;
    // An odd trailing number has no partner and is ignored.
    while (read_number(points, pos, x) && read_number(points, pos, y)) {
      if (first_pair) {
        out.move_to({x, y});
        first_pair = false;
      } else {
        out.line_to({x, y});
      }
    }
    if (!first_pair && name == "polygon") out.close();
  }
  finish_shape(state, first, fillable);
}

bool Parser::run() {
  const std::size_t n = m_text.size();
  std::size_t pos = 0;
  Tag tag;
  while (pos < n) {
    const std::size_t lt = m_text.find('<', pos);
    if (lt == std::string_view::npos) break;
    const std::string_view rest = m_text.substr(lt);
    if (rest.starts_with("<!--")) {
      pos = skip_past(lt + 4, "-->");
      continue;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
      pos = skip_past(lt + 2, ">");
      continue;
    }
    if (rest.starts_with("</")) {
      std::size_t end = lt + 2;
      while (end < n && !ends_name(m_text[end])) ++end;
      const std::string_view closing = m_text.substr(lt + 2, end - lt - 2);
      if (closing == "g" || closing == "svg") end_group();
      pos = skip_past(end, ">");
      continue;
    }
    if (lt + 1 >= n || ends_name(m_text[lt + 1])) {  // a lone '<' in text
      pos = lt + 1;
      continue;
    }
    const std::size_t after = read_start_tag(lt + 1, tag);
    if (after == std::string_view::npos) break;  // the data ends inside the tag
    pos = after;
    if (tag.name == "svg") {
      if (!m_seen_svg) read_size(tag);
      m_seen_svg = true;
      if (!tag.self_closing) start_group(tag);
    } else if (tag.name == "g") {
      if (!tag.self_closing) start_group(tag);
    } else if (is_skipped_element(tag.name)) {
      if (!tag.self_closing) pos = skip_element_content(pos, tag.name);
    } else {
      add_shape(tag);
    }
  }
  return m_seen_svg;
}

}  // namespace

std::unique_ptr<VectorImage> parse_svg(const std::uint8_t* bytes, std::size_t length) {
  if (bytes == nullptr && length > 0) return nullptr;
  try {
    auto image = std::make_unique<VectorImage>();
    const std::string_view text(reinterpret_cast<const char*>(bytes), length);
    Parser parser(text, *image);
    if (!parser.run()) return nullptr;
    return image;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

}  // namespace orlan::svg

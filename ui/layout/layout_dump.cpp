// Text dumps of the box tree and the page loading shared by orlan-dump, the layout tests
// and the fuzz target.

#include "layout_dump.h"

#include <cmath>
#include <cstdio>

#include "document.h"
#include "layout_box.h"
#include "properties.h"
#include "view.h"

namespace orlan {

namespace {

void append_rect(std::string& out, float x, float y, float w, float h) {
  out += format_layout_number(x);
  out += ',';
  out += format_layout_number(y);
  out += ' ';
  out += format_layout_number(w);
  out += 'x';
  out += format_layout_number(h);
}

void append_quoted(std::string& out, const char* text, std::uint32_t length) {
  out += '"';
  for (std::uint32_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
}

void append_name(std::string& out, const Document& d, const Node& e) {
  out += d.atoms.text(e.tag);
  if (e.id) {
    out += '#';
    out += d.atoms.text(e.id);
  }
  for (int i = 0; i < e.class_count; ++i) {
    out += '.';
    out += d.atoms.text(e.classes[i]);
  }
}

const char* border_style_name(std::uint8_t style) {
  switch (style) {
    case css::kw::Solid:
      return "solid";
    case css::kw::Dashed:
      return "dashed";
    case css::kw::Dotted:
      return "dotted";
    case css::kw::Double:
      return "double";
    case css::kw::None:
      return "none";
    default:
      return "other";
  }
}

// " borders(top, right, bottom, left)", each side "0" or "width style #AARRGGBB".
void append_collapsed(std::string& out, const CollapsedBorders& c) {
  out += " borders(";
  for (int i = 0; i < 4; ++i) {
    if (i) out += ", ";
    out += format_layout_number(c.widths[i]);
    if (c.widths[i] <= 0) continue;
    char colour[16];
    std::snprintf(colour, sizeof colour, " #%08x", static_cast<unsigned>(c.colors[i]));
    out += ' ';
    out += border_style_name(c.styles[i]);
    out += colour;
  }
  out += ')';
}

void dump_node(std::string& out, const Document& d, const Node& e, int depth) {
  if (depth > 512) return;
  const LayoutBox* b = e.box;
  if (!b || !e.style) return;
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  const Rect r = absolute_position(e);
  out += indent;
  append_name(out, d, e);
  out += ' ';
  append_rect(out, r.x, r.y, r.width, r.height);
  if (b->collapsed) append_collapsed(out, *b->collapsed);
  out += '\n';
  // Runs move with the container's own scroll offset (the root's is already in r).
  const bool root = d.html == &e;
  const float sx = r.x - (root ? 0 : e.scroll_x);
  const float sy = r.y - (root ? 0 : e.scroll_y);
  for (std::uint32_t i = 0; i < b->line_count; ++i) {
    const LineBox& line = b->lines[i];
    out += indent + "  line ";
    append_rect(out, sx + line.x, sy + line.y, line.width, line.height);
    out += '\n';
    for (std::uint32_t k = line.first_run; k < line.first_run + line.run_count && k < b->run_count;
         ++k) {
      const TextRun& run = b->runs[k];
      if (run.flags & kRunAtomic) continue;
      out += indent + "    ";
      append_quoted(out, run.text ? run.text + run.first : "", run.text ? run.length : 0);
      if (run.flags & kRunEllipsis) out += "\xE2\x80\xA6";
      out += "\" ";
      append_rect(out, sx + run.x, sy + run.y, run.width, run.ascent + run.descent);
      out += '\n';
    }
  }
  for (std::uint32_t i = 0; i < b->text_line_count; ++i) {
    const TextLine& line = b->text_lines[i];
    out += indent + "  text ";
    append_quoted(out, b->display_text ? b->display_text + line.first : "",
                  b->display_text ? line.length : 0);
    out += "\" ";
    append_rect(out, r.x + line.x, r.y + line.y, line.width, line.height);
    out += '\n';
  }
  for (const Node* c = e.first_child; c; c = c->next_sibling)
    if (c->is_element()) dump_node(out, d, *c, depth + 1);
}

}  // namespace

std::string format_layout_number(float value) {
  if (!std::isfinite(value)) return "nan";
  double v = std::round(static_cast<double>(value) * 100.0) / 100.0;
  if (v == 0) v = 0;  // no "-0"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string dump_layout(const Document& document) {
  std::string out;
  if (document.html) dump_node(out, document, *document.html, 0);
  return out;
}

Status load_page(View* view, std::string_view html, std::string_view extra_css) {
  Status status = load_html(view, html.data(), html.size());
  if (status != kOk) return status;
  Document& d = *view->document;
  std::string css;
  // The page's own style elements come first, in document order.
  Node* root = d.root;
  Node* n = root;
  while (n) {
    if (n->has_tag(TagId::kStyle)) {
      for (Node* c = n->first_child; c; c = c->next_sibling)
        if (c->is_text() && c->text) css.append(c->text, c->text_length);
      css += '\n';
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != root && !n->next_sibling) n = n->parent;
    if (!n || n == root) break;
    n = n->next_sibling;
  }
  css.append(extra_css);
  return load_css(view, css.data(), css.size());
}

}  // namespace orlan

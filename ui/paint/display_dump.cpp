// Text dumps of display lists.

#include "display_dump.h"

#include <cstdio>

#include "display_list.h"
#include "layout_dump.h"

namespace orlan {

namespace {

const char* kind_name(ItemKind kind) {
  switch (kind) {
    case ItemKind::kFill: return "fill";
    case ItemKind::kBorder: return "border";
    case ItemKind::kText: return "text";
    case ItemKind::kImage: return "image";
    case ItemKind::kGradient: return "gradient";
    case ItemKind::kPushClip: return "push-clip";
    case ItemKind::kPopClip: return "pop-clip";
    case ItemKind::kPushTransform: return "push-transform";
    case ItemKind::kPopTransform: return "pop-transform";
    case ItemKind::kPushOpacity: return "push-opacity";
    case ItemKind::kPopOpacity: return "pop-opacity";
    case ItemKind::kPushFilter: return "push-filter";
    case ItemKind::kPopFilter: return "pop-filter";
    case ItemKind::kBackdropFilter: return "backdrop-filter";
  }
  return "unknown";
}

void append_color(std::string& out, std::uint32_t color) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, " 0x%08X", static_cast<unsigned>(color));
  out += buffer;
}

void append_numbers(std::string& out, const char* label, const float* values, int count) {
  bool any = false;
  for (int i = 0; i < count; ++i) any = any || values[i] != 0;
  if (!any) return;
  out += ' ';
  out += label;
  out += '=';
  for (int i = 0; i < count; ++i) {
    if (i) out += ',';
    out += format_layout_number(values[i]);
  }
}

void append_text(std::string& out, const char* text, std::uint32_t length) {
  out += " \"";
  for (std::uint32_t i = 0; text && i < length; ++i) {
    const char c = text[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
  out += '"';
}

bool opens(ItemKind k) {
  return k == ItemKind::kPushClip || k == ItemKind::kPushTransform || k == ItemKind::kPushOpacity ||
         k == ItemKind::kPushFilter;
}
bool closes(ItemKind k) {
  return k == ItemKind::kPopClip || k == ItemKind::kPopTransform || k == ItemKind::kPopOpacity ||
         k == ItemKind::kPopFilter;
}

}  // namespace

std::string dump_display_list(const DisplayList& list) {
  std::string out;
  int depth = 0;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const DisplayItem& it = list.items[i];
    if (closes(it.kind) && depth > 0) --depth;
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += kind_name(it.kind);
    const bool bare = it.kind == ItemKind::kPushTransform || it.kind == ItemKind::kPushOpacity ||
                      closes(it.kind);
    if (!bare) {
      out += ' ';
      out += format_layout_number(it.x) + ',' + format_layout_number(it.y) + ' ' +
             format_layout_number(it.width) + 'x' + format_layout_number(it.height);
    }
    switch (it.kind) {
      case ItemKind::kFill:
        append_color(out, it.color);
        append_numbers(out, "r", it.radii, 4);
        break;
      case ItemKind::kBorder:
        append_color(out, it.color);
        append_numbers(out, "w", it.widths, 4);
        for (int k = 1; k < 4; ++k)
          if (it.colors[k] != it.colors[0]) {
            out += " colors=";
            for (int c = 0; c < 4; ++c) append_color(out, it.colors[c]);
            break;
          }
        append_numbers(out, "r", it.radii, 4);
        if (it.style == kBorderDashed) out += " dashed";
        if (it.style == kBorderDotted) out += " dotted";
        break;
      case ItemKind::kText:
        append_text(out, it.text, it.text_length);
        append_color(out, it.color);
        if (it.font.decoration & 1) out += " underline";
        if (it.font.decoration & 2) out += " line-through";
        break;
      case ItemKind::kImage:
        append_color(out, it.color);
        if (it.repeat_x || it.repeat_y) {
          out += " tiles " + format_layout_number(it.tile_x) + ',' + format_layout_number(it.tile_y) +
                 ' ' + format_layout_number(it.tile_width) + 'x' + format_layout_number(it.tile_height);
        }
        break;
      case ItemKind::kGradient:
      case ItemKind::kPushClip:
      case ItemKind::kBackdropFilter:
        append_numbers(out, "r", it.radii, 4);
        break;
      case ItemKind::kPushTransform:
        out += " matrix=";
        for (int k = 0; k < 6; ++k) {
          if (k) out += ',';
          out += format_layout_number(it.matrix[k]);
        }
        break;
      case ItemKind::kPushOpacity:
        out += ' ' + format_layout_number(it.opacity);
        break;
      default:
        break;
    }
    out += '\n';
    if (opens(it.kind)) ++depth;
  }
  return out;
}

}  // namespace orlan

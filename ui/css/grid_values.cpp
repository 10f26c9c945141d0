// Grid values: track lists, single tracks, line placements and template areas.

#include <cmath>
#include <string>
#include <vector>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

constexpr int kMaxTracks = 64;
constexpr int kMaxRepeat = 64;
constexpr int kMaxAreaCells = 64;

// A breadth: auto, min-content, max-content, a non-negative length or percentage, or a
// non-negative fr value.
bool read_breadth(const CssToken& t, CssLength& out) {
  if (t.is_ident("auto")) {
    out = {0, kUnitAuto};
    return true;
  }
  if (t.is_ident("min-content")) {
    out = {0, kUnitMinContent};
    return true;
  }
  if (t.is_ident("max-content")) {
    out = {0, kUnitMaxContent};
    return true;
  }
  if (t.type == TokenType::Dimension && ascii_iequals(t.text, "fr")) {
    if (!(t.number >= 0) || !std::isfinite(t.number)) return false;
    out = {t.number, kUnitFr};
    return true;
  }
  auto length = length_from_token(t);
  if (!length || length->value < 0) return false;
  out = *length;
  return true;
}

// One track at r[i]: a breadth, minmax(), or fit-content(). Advances i.
bool read_track(TokenRange r, int& i, GridTrack& track) {
  const CssToken& t = r[i];
  track = GridTrack{};
  if (t.type == TokenType::Function) {
    int close = find_close(r, i);
    if (close < 0) return false;
    TokenRange args = r.sub(i + 1, close);
    if (ascii_iequals(t.text, "minmax")) {
      TokenRange parts[2];
      if (split_commas(args, parts, 2) != 2 || parts[0].count != 1 || parts[1].count != 1) {
        return false;
      }
      if (!read_breadth(parts[0][0], track.min) || !read_breadth(parts[1][0], track.max)) {
        return false;
      }
      if (track.min.unit == kUnitFr) return false;  // fr only as the maximum
    } else if (ascii_iequals(t.text, "fit-content")) {
      if (args.count != 1) return false;
      auto length = length_from_token(args[0]);
      if (!length || length->value < 0) return false;
      if (length->unit == kUnitPx) {
        track.max = {length->value, kUnitFitContentPx};
      } else if (length->unit == kUnitPercent) {
        track.max = {length->value, kUnitFitContentPercent};
      } else {
        return false;
      }
      track.min = {0, kUnitAuto};
    } else {
      return false;
    }
    i = close + 1;
    return true;
  }
  CssLength breadth;
  if (!read_breadth(t, breadth)) return false;
  track.max = breadth;
  track.min = breadth.unit == kUnitFr ? CssLength{0, kUnitAuto} : breadth;
  ++i;
  return true;
}

bool fixed_size(const CssLength& l) {
  return l.unit == kUnitPx || l.unit == kUnitPercent || l.unit == kUnitEm;
}

}  // namespace

bool parse_track_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  if (r.count == 1 && r[0].is_ident("none")) {
    out = CssValue{};
    out.type = ValueType::GridTrackList;
    return true;
  }
  GridTrack tracks[kMaxTracks];
  int count = 0;
  for (int i = 0; i < r.count;) {
    if (r[i].type == TokenType::Function && ascii_iequals(r[i].text, "repeat")) {
      int close = find_close(r, i);
      if (close < 0) return false;
      TokenRange args = r.sub(i + 1, close);
      // repeat(count, tracks...): the tracks part may itself hold commas only inside
      // functions, so split at the first top-level comma.
      int comma = -1;
      int depth = 0;
      for (int k = 0; k < args.count; ++k) {
        if (args[k].type == TokenType::Function || args[k].type == TokenType::OpenParen) ++depth;
        if (args[k].type == TokenType::CloseParen) --depth;
        if (args[k].type == TokenType::Comma && depth == 0) {
          comma = k;
          break;
        }
      }
      if (comma != 1) return false;
      GridRepeat mark = GridRepeat::None;
      int times = 0;
      const CssToken& c = args[0];
      if (c.is_ident("auto-fill")) {
        mark = GridRepeat::AutoFill;
        times = 1;
      } else if (c.is_ident("auto-fit")) {
        mark = GridRepeat::AutoFit;
        times = 1;
      } else if (c.type == TokenType::Number && c.number >= 1 && c.number <= kMaxRepeat &&
                 c.number == std::floor(c.number)) {
        times = static_cast<int>(c.number);
      } else {
        return false;
      }
      TokenRange body = args.sub(2, args.count);
      GridTrack unit[kMaxTracks];
      int unit_count = 0;
      for (int k = 0; k < body.count;) {
        if (unit_count == kMaxTracks) return false;
        if (!read_track(body, k, unit[unit_count])) return false;
        GridTrack& track = unit[unit_count];
        if (mark != GridRepeat::None) {
          // Repeating to fill needs a definite size to know how many fit.
          if (!fixed_size(track.min) && !fixed_size(track.max)) return false;
          track.repeat = mark;
        }
        ++unit_count;
      }
      if (unit_count == 0) return false;
      for (int t = 0; t < times; ++t) {
        for (int u = 0; u < unit_count; ++u) {
          if (count == kMaxTracks) return false;
          tracks[count++] = unit[u];
        }
      }
      i = close + 1;
      continue;
    }
    if (count == kMaxTracks) return false;
    if (!read_track(r, i, tracks[count])) return false;
    ++count;
  }
  if (count == 0) return false;
  out = CssValue{};
  out.type = ValueType::GridTrackList;
  out.count = static_cast<uint16_t>(count);
  out.tracks = sheet.arena().copy_array(tracks, count);
  return true;
}

bool parse_single_track(StyleSheet& sheet, TokenRange r, CssValue& out) {
  GridTrack track;
  int i = 0;
  if (r.empty() || !read_track(r, i, track) || i != r.count) return false;
  out = CssValue{};
  out.type = ValueType::GridTrackList;
  out.count = 1;
  out.tracks = sheet.arena().copy_array(&track, 1);
  return true;
}

bool parse_grid_line(TokenRange r, CssValue& out) {
  GridLine line;
  auto positive_integer = [](const CssToken& t, int16_t& v) {
    if (t.type != TokenType::Number || !(t.number >= 1) || t.number > 32767 ||
        t.number != std::floor(t.number)) {
      return false;
    }
    v = static_cast<int16_t>(t.number);
    return true;
  };
  if (r.count == 1 && r[0].is_ident("auto")) {
    line.line = 0;
  } else if (r.count == 1) {
    if (!positive_integer(r[0], line.line)) return false;
  } else if (r.count == 2 && r[0].is_ident("span")) {
    if (!positive_integer(r[1], line.line)) return false;
    line.span = 1;
  } else {
    return false;
  }
  out = CssValue{};
  out.type = ValueType::GridLine;
  out.grid_line = line;
  return true;
}

bool parse_grid_areas(StyleSheet& sheet, TokenRange r, CssValue& out) {
  uint32_t cells[kMaxAreaCells];
  int cell_count = 0;
  int columns = -1;
  int rows = 0;
  for (int i = 0; i < r.count; ++i) {
    if (r[i].type != TokenType::String) return false;
    std::string row;
    unescape_string(r[i].text, row);
    int in_row = 0;
    std::size_t at = 0;
    while (at < row.size()) {
      while (at < row.size() && (row[at] == ' ' || row[at] == '\t' || row[at] == '\n')) ++at;
      if (at >= row.size()) break;
      std::size_t end = at;
      while (end < row.size() && row[end] != ' ' && row[end] != '\t' && row[end] != '\n') ++end;
      std::string_view name(row.data() + at, end - at);
      if (cell_count == kMaxAreaCells) return false;
      bool dots = name.find_first_not_of('.') == std::string_view::npos;
      cells[cell_count++] = dots ? 0 : sheet.atoms().intern(name);
      ++in_row;
      at = end;
    }
    if (in_row == 0) return false;
    if (columns >= 0 && in_row != columns) return false;
    columns = in_row;
    ++rows;
  }
  if (rows == 0) return false;
  GridAreas* areas = sheet.arena().allocate_array<GridAreas>(1);
  areas->cells = sheet.arena().copy_array(cells, cell_count);
  areas->rows = static_cast<uint16_t>(rows);
  areas->columns = static_cast<uint16_t>(columns);
  out = CssValue{};
  out.type = ValueType::GridAreas;
  out.count = static_cast<uint16_t>(rows);
  out.areas = areas;
  return true;
}

}  // namespace orlan::css

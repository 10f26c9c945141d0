#include "area.h"

#include <limits>
#include <utility>

#include "decimal.h"
#include "mask.h"
#include "utf.h"
#include "white_space.h"

namespace tw {

namespace {

std::optional<std::int32_t> parse_int32(std::string_view text) {
  return parse_decimal<std::int32_t>(text);
}

}  // namespace

std::optional<ClickEntry> parse_entry_line(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(line.substr(start));
      break;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
  if (fields.size() < 4) return std::nullopt;

  std::string_view position = trim_white_space(fields[0]);
  std::size_t separator = position.find_first_of("xX");
  if (separator == std::string_view::npos || separator == 0) return std::nullopt;
  auto x = parse_int32(trim_white_space(position.substr(0, separator)));
  auto y = parse_int32(trim_white_space(position.substr(separator + 1)));
  if (!x || !y) return std::nullopt;

  ClickEntry entry;
  entry.x = *x;
  entry.y = *y;
  // The button and the kind never skip a line: anything unknown is the left button, a single click.
  auto mouse = parse_int32(trim_white_space(fields[1]));
  entry.mouse = mouse == 1 ? kMouseRight : mouse == 2 ? kMouseWheel : kMouseLeft;
  auto click = parse_int32(trim_white_space(fields[2]));
  entry.click = click == 1 ? kClickDouble : kClickSingle;
  // The delays go to the delay parser untrimmed: it reads spaces as zero digits.
  entry.delay1 = parse_delay(fields[3]);
  entry.delay2 = fields.size() > 4 ? parse_delay(fields[4]) : entry.delay1;
  if (entry.delay2 < entry.delay1) entry.delay2 = entry.delay1;
  return entry;
}

std::string format_entry_line(const ClickEntry& entry) {
  std::string line = std::to_string(entry.x);
  line += 'x';
  line += std::to_string(entry.y);
  for (std::uint32_t value :
       {std::uint32_t{entry.mouse}, std::uint32_t{entry.click}, entry.delay1, entry.delay2}) {
    line += ',';
    line += std::to_string(value);
  }
  return line;
}

std::string write_list_text(std::span<const ClickEntry> entries) {
  std::string text;
  for (const ClickEntry& entry : entries) {
    text += format_entry_line(entry);
    text += "\r\n";
  }
  return text;
}

std::optional<ListText> read_list_text(std::string_view text, std::size_t max_entries) {
  if (!is_valid_utf8(text)) return std::nullopt;
  ListText list;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    std::optional<ClickEntry> entry = parse_entry_line(line);
    if (!entry) continue;
    // Only an entry past the limit makes the text capped: bad lines after the last one
    // taken lose nothing.
    if (list.entries.size() == max_entries) {
      list.capped = true;
      break;
    }
    list.entries.push_back(*entry);
  }
  return list;
}

std::optional<std::vector<ClickEntry>> read_list_text(std::string_view text) {
  std::optional<ListText> list = read_list_text(text, std::numeric_limits<std::size_t>::max());
  if (!list) return std::nullopt;
  return std::move(list->entries);
}

}  // namespace tw

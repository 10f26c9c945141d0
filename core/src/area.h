#pragma once

// One recorded click and the text of list files (.lst): UTF-8, one entry per line written as
// "<x>x<y>,<mouse>,<click>,<delay1>,<delay2>" and CR LF. The reader is more tolerant than the
// writer: LF or CR LF, spaces, upper-case X, four fields, time text for the delays.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

enum : std::uint8_t { kMouseLeft = 0, kMouseRight = 1, kMouseWheel = 2 };
enum : std::uint8_t { kClickSingle = 0, kClickDouble = 1 };

struct ClickEntry {
  std::int32_t x = 0;  // screen position, physical pixels, virtual-screen coordinates
  std::int32_t y = 0;
  std::uint32_t delay1 = 0;  // wait after the click, milliseconds; delay1 <= delay2
  std::uint32_t delay2 = 0;
  std::uint8_t mouse = kMouseLeft;    // kMouseLeft, kMouseRight or kMouseWheel
  std::uint8_t click = kClickSingle;  // kClickSingle or kClickDouble

  bool operator==(const ClickEntry&) const = default;
};

// One line of a list file (without its line break). nullopt when the line is skipped: fewer
// than four fields, or a position that is not "<int32> x <int32>". A bad button or click kind
// reads as left / single, a bad delay as one second; delay2 is raised to delay1.
std::optional<ClickEntry> parse_entry_line(std::string_view line);

// "<x>x<y>,<mouse>,<click>,<delay1>,<delay2>" without a line break.
std::string format_entry_line(const ClickEntry& entry);

// The whole file: every entry followed by CR LF, nothing else (empty for an empty list).
std::string write_list_text(std::span<const ClickEntry> entries);

// The entries of a whole file in file order, skipped lines dropped. nullopt when `text` is
// not valid UTF-8 (the caller reports "stream did not contain valid UTF-8").
std::optional<std::vector<ClickEntry>> read_list_text(std::string_view text);

// The first entries of a file, at most a given number of them.
struct ListText {
  std::vector<ClickEntry> entries;
  // A line after the last entry taken would have yielded one more: the text holds more
  // entries than were asked for. False when only skipped lines follow.
  bool capped = false;
};

// As above, but reading stops after `max_entries` entries (zero takes none). The whole of
// `text` must still be valid UTF-8, so the outcome never depends on where reading stopped
// and the entries are always the first ones read_list_text(text) gives.
std::optional<ListText> read_list_text(std::string_view text, std::size_t max_entries);

}  // namespace tw

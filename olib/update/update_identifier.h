#pragma once

// The per-installation identifier `OUID` the update requests carry: its layout and how a
// registry value's bytes are read as text. Reading and storing it is update_identifier_win.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace olib::update {

struct UtcTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Seconds since 1970-01-01 UTC as a calendar time; times before 1970 count as 1970-01-01.
UtcTime utc_from_unix_seconds(std::int64_t seconds);

// 32 characters: first as 8 upper-case hex digits, the date as YYMMDD, middle as 4 hex
// digits, the time as HHMMSS, last as 8 hex digits.
std::string make_identifier(std::uint32_t first, const UtcTime& now, std::uint16_t middle,
                            std::uint32_t last);

// Registry value types the identifier may be stored as.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegMultiSz = 7;

// A stored value as UTF-8 text: string types are UTF-16 (unpaired surrogates replaced,
// trailing NULs dropped; a multi-string's inner NULs become line feeds); any other type is
// no text at all.
std::optional<std::string> registry_value_text(std::uint32_t type,
                                               const std::vector<std::uint8_t>& bytes);

}  // namespace olib::update

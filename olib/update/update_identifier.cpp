#include "update_identifier.h"

#include "utf.h"

#include <cstdio>

namespace olib::update {

UtcTime utc_from_unix_seconds(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  UtcTime time;
  time.hour = static_cast<int>(rest / 3600);
  time.minute = static_cast<int>(rest % 3600 / 60);
  time.second = static_cast<int>(rest % 60);
  // Days to a proleptic Gregorian date (eras of 400 years, March-based years).
  std::int64_t z = days + 719468;
  std::int64_t era = z / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  time.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  time.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  time.year = static_cast<int>(yoe + era * 400 + (time.month <= 2 ? 1 : 0));
  return time;
}

std::string make_identifier(std::uint32_t first, const UtcTime& now, std::uint16_t middle,
                            std::uint32_t last) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X%02d%02d%02d%04X%02d%02d%02d%08X",
                static_cast<unsigned>(first), now.year % 100, now.month, now.day,
                static_cast<unsigned>(middle), now.hour, now.minute, now.second,
                static_cast<unsigned>(last));
  return text;
}

std::optional<std::string> registry_value_text(std::uint32_t type,
                                               const std::vector<std::uint8_t>& bytes) {
  if (type != kRegSz && type != kRegExpandSz && type != kRegMultiSz) return std::nullopt;
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  if (type == kRegMultiSz) {
    for (char16_t& unit : units) {
      if (unit == u'\0') unit = u'\n';
    }
  }
  return tw::utf16_to_utf8(units);
}

}  // namespace olib::update

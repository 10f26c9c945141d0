#pragma once

// The per-installation identifier the launcher makes when the registry has none yet.
// Same 32-character layout as the main program's, but from a seeded pseudo-random
// generator and the local clock.

#include <cstdint>
#include <random>
#include <string>

namespace twsvc {

struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// 8 upper-case hex digits of `first`, YYMMDD, 4 hex digits of `middle`, HHMMSS and 8 hex
// digits of `last`. Fields are masked to their width (year modulo 100), so the result
// always has 32 characters.
std::u16string format_identifier(std::uint32_t first, const LocalTime& when, std::uint32_t middle,
                                 std::uint32_t last);

// A new identifier for `when`: the two long parts are below 2,147,483,647, the short part
// below 65,535.
std::u16string make_identifier(const LocalTime& when, std::mt19937& random);

}  // namespace twsvc

#pragma once

// The runner's random numbers: waits inside a delay range and the pause inside a double
// click. A xorshift64* generator, one per thread, seeded on first use.

#include <cstdint>

namespace tw {

class XorShift64Star {
 public:
  // A zero state would only ever produce zeros; it is replaced by a fixed odd constant.
  explicit XorShift64Star(std::uint64_t seed) noexcept;

  // The next 31-bit value: the state stepped by xor-shifts 12, 25, 27, multiplied by
  // 0x2545F4914F6CDD1D (mod 2^64) and shifted right by 33.
  std::uint64_t next_value() noexcept;
  // An integer in 0..n-1 (next value mod n); 0 for n = 0 (no state step then).
  std::uint64_t below(std::uint64_t n) noexcept;

  std::uint64_t state() const noexcept { return m_state; }

 private:
  std::uint64_t m_state;
};

// 0..n-1 from this thread's generator (0 for n = 0). The generator is seeded on its first
// use from the system time in nanoseconds mixed with an address.
std::uint64_t random_below(std::uint64_t n) noexcept;

}  // namespace tw

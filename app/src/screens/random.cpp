#include "random.h"

#include <chrono>

namespace tw {

namespace {

constexpr std::uint64_t kMultiplier = 0x2545F4914F6CDD1DULL;
constexpr std::uint64_t kNonZeroSeed = 0x9E3779B97F4A7C15ULL;

std::uint64_t first_seed() noexcept {
  static thread_local int anchor = 0;
  auto nanoseconds =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
  auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&anchor));
  // Odd multiplier spreads the address bits over the whole word before mixing.
  return nanoseconds ^ (address * kNonZeroSeed);
}

}  // namespace

XorShift64Star::XorShift64Star(std::uint64_t seed) noexcept
    : m_state(seed != 0 ? seed : kNonZeroSeed) {}

std::uint64_t XorShift64Star::next_value() noexcept {
  m_state ^= m_state >> 12;
  m_state ^= m_state << 25;
  m_state ^= m_state >> 27;
  return (m_state * kMultiplier) >> 33;
}

std::uint64_t XorShift64Star::below(std::uint64_t n) noexcept {
  if (n == 0) return 0;
  return next_value() % n;
}

std::uint64_t random_below(std::uint64_t n) noexcept {
  static thread_local XorShift64Star generator(first_seed());
  return generator.below(n);
}

}  // namespace tw

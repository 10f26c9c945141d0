#include "key_translation.h"

#include "orlan/orlan.h"

namespace orlan::host {

namespace {

// Windows virtual-key codes (the values of the platform's VK_ constants).
enum VirtualKey : std::uint32_t {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVk0 = 0x30,
  kVk9 = 0x39,
  kVkA = 0x41,
  kVkZ = 0x5A,
  kVkLeftWindows = 0x5B,
  kVkRightWindows = 0x5C,
  kVkF1 = 0x70,
  kVkF12 = 0x7B,
};

constexpr std::uint32_t kDeadKeyBit = 0x80000000u;

bool is_high_surrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
std::uint32_t combine(std::uint32_t high, std::uint32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

}  // namespace

std::uint32_t engine_key_code(std::uint32_t vk, std::uint32_t mapped) noexcept {
  if (vk == kVkSpace || (vk >= kVk0 && vk <= kVk9) || (vk >= kVkA && vk <= kVkZ)) return vk;
  if (vk >= kVkF1 && vk <= kVkF12) return kKeyF1 + (vk - kVkF1);
  switch (vk) {
    case kVkBack: return kKeyBackspace;
    case kVkTab: return kKeyTab;
    case kVkReturn: return kKeyEnter;
    case kVkEscape: return kKeyEscape;
    case kVkDelete: return kKeyDelete;
    case kVkInsert: return kKeyInsert;
    case kVkHome: return kKeyHome;
    case kVkEnd: return kKeyEnd;
    case kVkPrior: return kKeyPageUp;
    case kVkNext: return kKeyPageDown;
    case kVkLeft: return kKeyLeft;
    case kVkRight: return kKeyRight;
    case kVkUp: return kKeyUp;
    case kVkDown: return kKeyDown;
    case kVkShift: return kKeyShift;
    case kVkControl: return kKeyControl;
    case kVkMenu: return kKeyAlt;
    case kVkLeftWindows:
    case kVkRightWindows: return kKeyWindows;
    default: break;
  }
  // A dead key's value has its top bit set: it is no character of its own.
  if (mapped & kDeadKeyBit) return 0;
  return mapped > 31 ? mapped : 0;
}

std::uint32_t modifier_bits(bool shift, bool control, bool alt, bool windows) noexcept {
  return (shift ? kModShift : 0) | (control ? kModCtrl : 0) | (alt ? kModAlt : 0) |
         (windows ? kModWin : 0);
}

bool should_ask_layout(std::uint32_t mapped, bool dead_key_pending) noexcept {
  if (mapped & kDeadKeyBit) return false;
  return mapped >= 32 && !dead_key_pending;
}

KeyCharacter produced_character(std::uint32_t mapped, const char16_t* units, int count) noexcept {
  KeyCharacter result;
  if (mapped & kDeadKeyBit) {
    result.dead = true;
    return result;
  }
  if (mapped < 32 || !units || count <= 0) return result;
  std::uint32_t first = units[0];
  if (count >= 2 && is_high_surrogate(first) && is_low_surrogate(units[1])) {
    result.code_point = combine(first, units[1]);
  } else if (count == 1 && first >= 32 && !is_high_surrogate(first) && !is_low_surrogate(first)) {
    result.code_point = first;
  }
  return result;
}

std::uint32_t SurrogateJoiner::feed(std::uint16_t unit) noexcept {
  if (is_high_surrogate(unit)) {
    m_pending = unit;  // an earlier high surrogate without its partner is dropped
    return 0;
  }
  if (is_low_surrogate(unit)) {
    std::uint16_t high = m_pending;
    m_pending = 0;
    return high ? combine(high, unit) : 0;
  }
  m_pending = 0;
  return unit;
}

std::uint32_t utf8_offset_of(const char16_t* text, std::size_t length, std::size_t units) noexcept {
  if (units > length) units = length;
  std::uint32_t bytes = 0;
  for (std::size_t i = 0; i < units;) {
    std::uint32_t unit = text[i];
    if (is_high_surrogate(unit) && i + 1 < length && is_low_surrogate(text[i + 1])) {
      if (i + 2 > units) break;  // a position inside a pair stays before it
      bytes += 4;
      i += 2;
      continue;
    }
    bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;  // a lone surrogate is U+FFFD
    ++i;
  }
  return bytes;
}

}  // namespace orlan::host

#pragma once

// The system cursor shown for a CSS `cursor` keyword. Portable: the Win32 host maps each
// entry to its IDC_ cursor.

#include <cstdint>

namespace orlan::host {

enum class SystemCursor : std::uint8_t {
  kNone,  // no cursor at all
  kArrow,
  kSizeWE,
  kSizeAll,
  kHand,
  kWait,
  kAppStarting,
  kHelp,
  kCross,
  kSizeNWSE,
  kSizeNESW,
  kSizeNS,
  kNo,
  kIBeam,
};

// `keyword`: a css::kw id. Anything without a cursor of its own gets the arrow.
SystemCursor cursor_for_keyword(std::uint16_t keyword) noexcept;

}  // namespace orlan::host

#pragma once

// The main window's size and place: the fixed client size scaled for the window's DPI and
// the position that centres the outer window on a monitor's work area.

#include <cstdint>

namespace tw {

// Client size at 96 DPI.
inline constexpr std::int32_t kClientWidth = 611;
inline constexpr std::int32_t kClientHeight = 463;

struct PixelSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct PixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// dpi / 96 x 611 by dpi / 96 x 463, computed in single precision and truncated.
PixelSize scaled_client_size(std::uint32_t dpi);

// The top-left corner that centres `outer` on `work` (may lie left of or above the work
// area when the window is larger).
PixelPoint centred_origin(const PixelRect& work, PixelSize outer);

}  // namespace tw

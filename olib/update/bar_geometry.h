#pragma once

// Where the update bar sits: glued under its host window, or above it when there is no
// room under it in the work area. Device pixels, integer arithmetic.

namespace olib::update {

struct BarRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const BarRect&) const = default;
};

// DPI values below 96 count as 96.
int bar_dpi(int dpi) noexcept;
// 28 px and 6 px at 96 DPI.
int bar_height(int dpi) noexcept;
int bar_gap(int dpi) noexcept;

// The bar takes the host's left edge and width, `gap` below the host; when that would end
// below the work area's bottom it goes `gap` above the host's top instead.
BarRect place_update_bar(const BarRect& host, const BarRect& work_area, int dpi) noexcept;

}  // namespace olib::update

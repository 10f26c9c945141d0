#include "bar_geometry.h"

namespace olib::update {

int bar_dpi(int dpi) noexcept {
  return dpi < 96 ? 96 : dpi;
}
int bar_height(int dpi) noexcept {
  return 28 * bar_dpi(dpi) / 96;
}
int bar_gap(int dpi) noexcept {
  return 6 * bar_dpi(dpi) / 96;
}

BarRect place_update_bar(const BarRect& host, const BarRect& work_area, int dpi) noexcept {
  int height = bar_height(dpi);
  int gap = bar_gap(dpi);
  BarRect bar{host.left, host.bottom + gap, host.right, host.bottom + gap + height};
  if (bar.bottom > work_area.bottom) {
    bar.bottom = host.top - gap;
    bar.top = bar.bottom - height;
  }
  return bar;
}

}  // namespace olib::update

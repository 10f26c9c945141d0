#include "window_metrics.h"

namespace tw {

PixelSize scaled_client_size(std::uint32_t dpi) {
  // Single precision on purpose: the window keeps the size the program always had, e.g.
  // 611 x 463 at 120 DPI is 763 x 578 (763.75, 578.75 truncated).
  float factor = static_cast<float>(dpi) / 96.0f;
  return {static_cast<std::int32_t>(factor * static_cast<float>(kClientWidth)),
          static_cast<std::int32_t>(factor * static_cast<float>(kClientHeight))};
}

PixelPoint centred_origin(const PixelRect& work, PixelSize outer) {
  return {work.left + (work.right - work.left - outer.width) / 2,
          work.top + (work.bottom - work.top - outer.height) / 2};
}

}  // namespace tw

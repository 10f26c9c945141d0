// Feeds arbitrary bytes to the SVG reader and checks what it hands to the renderer: every
// draw record names segments that exist and carries a paint.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "svg_detect.h"
#include "svg_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)orlan::svg::looks_like_svg(data, size);
  auto image = orlan::svg::parse_svg(data, size);
  if (!image) return 0;
  for (const auto& draw : image->draws) {
    if (draw.segment_count == 0 ||
        draw.first_segment + static_cast<std::uint64_t>(draw.segment_count) >
            image->segments.size()) {
      std::abort();
    }
    if (draw.fill == 0 && draw.stroke == 0) std::abort();
    if (!(draw.stroke_width >= 0) || !(draw.fill_alpha >= 0 && draw.fill_alpha <= 1)) std::abort();
  }
  if (!(image->view_width > 0) || !(image->view_height > 0)) std::abort();
  return 0;
}

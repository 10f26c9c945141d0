#pragma once

// Intrinsic sizes of raster images read from their headers, without decoding.

#include <cstddef>
#include <cstdint>

namespace orlan::image {

// PNG, BMP, GIF or JPEG: true with the size in pixels (both at least 1) when the header
// is complete and plausible; false for anything else.
bool read_image_header(const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                       std::int32_t* height);

}  // namespace orlan::image

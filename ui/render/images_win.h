#pragma once

// Raster image decoding with WIC. Windows-only.

#include <cstddef>
#include <cstdint>

#include "graphics_win.h"

namespace orlan::render {

// The first frame of the bytes, decoded into 32-bit premultiplied BGRA.
HRESULT decode_image(const std::uint8_t* bytes, std::size_t length,
                     Com<IWICBitmapSource>& out) noexcept;

}  // namespace orlan::render

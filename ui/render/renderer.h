#pragma once

// The renderer: draws one window's display list with the platform's 2D drawing interface,
// presents only the damaged region, and supplies layout's text measurer. One renderer per
// window, created by the host on the first frame with a non-empty client area; a frame
// that fails destroys it and the next frame builds a new one and repaints in full.
//
// This header is portable (a window is passed as a plain pointer); the implementation is
// Windows-only.

#include <cstdint>

#include "display_list.h"

namespace orlan {
class AtomTable;
}

namespace orlan::render {

struct Renderer;

// Creates the renderer for `window` (an HWND) with its client size in device pixels and
// its DPI scale (1 = 96 DPI). Null on failure, with the message in last_error().
Renderer* create_renderer(void* window, std::int32_t pixel_width, std::int32_t pixel_height,
                          float scale) noexcept;
void destroy_renderer(Renderer* renderer) noexcept;

// Draws the list. `damage` null: the whole buffer. False when the frame failed: the caller
// destroys the renderer and repaints in full with a new one.
bool render(Renderer& renderer, const DisplayList& list, const AtomTable& atoms,
            std::uint32_t clear_color, const Rect* damage, const ItemBounds& bounds) noexcept;

// False when the buffers could not be resized (the renderer is then unusable).
bool resize(Renderer& renderer, std::int32_t pixel_width, std::int32_t pixel_height) noexcept;
void set_dpi(Renderer& renderer, float scale) noexcept;
// Whether the last present found the window occluded.
bool occluded(const Renderer& renderer) noexcept;

// Layout's text measurer backed by the platform's font system, or the engine's fallback
// measurer when the font factories cannot be created.
const TextMeasurer& text_measurer() noexcept;

}  // namespace orlan::render

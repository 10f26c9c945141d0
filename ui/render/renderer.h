#pragma once

// The renderer: draws one window's display list with the platform's 2D drawing interface,
// presents only the damaged region, and supplies layout's text measurer. One renderer per
// window, created by the host on the first frame with a non-empty client area; a frame
// that fails destroys it and the next frame builds a new one and repaints in full.
//
// This header is portable (a window is passed as a plain pointer); the implementation is
// Windows-only.

#include <cstddef>
#include <cstdint>

#include "display_list.h"
#include "font_faces.h"

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

// Starts making the graphics device on a thread of its own and drawing a small offscreen
// frame with it, so that the first window frame does not wait for what a software
// graphics stack builds on first use. The first renderer waits for it. Call once, early,
// from the thread that renders; nothing else may use the device meanwhile.
void warm_up_graphics_in_background() noexcept;

// Layout's text measurer backed by the platform's font system, or the engine's fallback
// measurer when the font factories cannot be created.
const TextMeasurer& text_measurer() noexcept;

// ---- Fonts and images ----

// Installs the application's font loader (null: none) and the hook through which every
// @font-face of a newly loaded author sheet reaches it. Bytes the loader supplies are
// copied into the process-wide font-face registry; text in that family then uses them.
void set_font_loader(void* context, FontLoader loader) noexcept;

// The image information function the view installs for image_set: the header check
// first, else the platform decoder's size of the first frame (true when both are > 0).
// Same signature as image::ImageInfoFunction; `context` is unused.
bool image_info(void* context, const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                std::int32_t* height);

// ---- Test seams ----

// Makes the next EndDraw, Present and buffer resize report these results instead of
// their own (0: no injection). Cases the system cannot be made to produce on demand,
// such as a removed device.
void inject_failures_for_test(std::int32_t end_draw_hresult, std::int32_t present_hresult,
                              std::int32_t resize_hresult = 0) noexcept;
// While enabled, every frame copies the buffer it drew (before presenting it) into
// memory: 0xAARRGGBB pixels, row by row. Null before the first captured frame.
void set_frame_capture_for_test(Renderer& renderer, bool enabled) noexcept;
const std::uint32_t* captured_frame_for_test(const Renderer& renderer, std::int32_t* width,
                                             std::int32_t* height) noexcept;

}  // namespace orlan::render

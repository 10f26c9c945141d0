#pragma once

// The document's side of images: its registry, lookups by later stages, the renderer's
// information function, and the refresh of elements that show an image.

#include <cstddef>
#include <cstdint>

#include "document.h"
#include "image_registry.h"

namespace orlan {

// The entry registered under `name` (an atom of the document), or null. An entry always
// has bytes; a name that was never set has none.
const image::ImageEntry* find_image(Document& document, Atom name) noexcept;

// Installs the function that sizes raster images (the renderer's platform decoder); null
// restores the header check. False when out of memory.
bool set_image_info_function(Document& document, void* context,
                             image::ImageInfoFunction function) noexcept;

// Whether an element's computed style has a background layer showing the image `name`.
// The style stage installs this once computed styles exist; until then only `img`
// elements are refreshed.
using BackgroundImageUseCheck = bool (*)(const Node& element, Atom name);
void set_background_image_use_check(BackgroundImageUseCheck check) noexcept;

// Marks layout- and paint-dirty every `img` element whose `src` is `name` and every
// element whose background uses it.
void refresh_image_users(Document& document, Atom name) noexcept;

}  // namespace orlan

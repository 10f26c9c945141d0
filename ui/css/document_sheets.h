#pragma once

// The document's three style sheets: the built-in user-agent sheet (parsed when a
// document is created), the author sheet (replaced by each load_css) and the scratch
// sheet the cascade resets per element for `style` attributes and deferred shorthands.
//
// Linking this library installs the sheet hooks of the document tree, so every document
// created afterwards gets its sheets. load_css itself is declared in the engine's public
// header.

#include <string_view>

#include "style_sheet.h"

#include "orlan/orlan.h"

namespace orlan {

struct Document;

// load_css (declared in orlan/orlan.h) is defined beside these.

namespace css {

// Installs the document hooks (done automatically at start-up; calling it again is
// harmless).
void install_document_sheets() noexcept;

// The atom interner behind a document's sheets (its atom table), for callers that build
// their own sheet for a document (an SVG image's style element, for example). Null when
// the document has no sheets.
AtomInterner* document_atoms(Document& document) noexcept;

// Called by load_css for each @font-face pair of the new author sheet, in order. The
// renderer installs it; without one, font faces are only recorded in the sheet.
using FontFaceLoader = void (*)(Document& document, std::string_view family,
                                std::string_view source);
void set_font_face_loader(FontFaceLoader loader) noexcept;

}  // namespace css
}  // namespace orlan

#pragma once

// The document's three style sheets: the built-in user-agent sheet (parsed when a
// document is created), the author sheet (replaced by each load_css) and the scratch
// sheet the cascade resets per element for `style` attributes and deferred shorthands.
//
// These are part of the document library: create_document makes the sheets itself
// (unless a test installed other hooks), so no document is ever without them. load_css
// itself is declared in the engine's public header.

#include <string_view>

#include "restyle_facts.h"
#include "style_sheet.h"

#include "orlan/orlan.h"

namespace orlan {

struct Document;

// load_css (declared in orlan/orlan.h) is defined beside these.

namespace css {

// Makes and frees the three sheets of a document; create_document and destroy_document
// call these unless other hooks are installed. False when out of memory.
bool create_document_sheets(Document& document) noexcept;
void destroy_document_sheets(Document& document) noexcept;

// Installs the built-in sheet hooks again (the same as installing none).
void install_document_sheets() noexcept;

// What class, attribute and state changes reach through the current sheets; null when
// the document has no sheets.
const RestyleFacts* restyle_facts(const Document& document) noexcept;

// load_css keeps the author sheet it replaced alive, because computed styles and
// animation records still point into it, until the style pass has restyled everything
// from the new one; the pass then calls this.
void release_retired_author_sheet(Document& document) noexcept;

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

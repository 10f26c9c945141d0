#pragma once

// The HTML parser behind load_html: one forgiving pass over UTF-8 bytes into the
// document tree.

#include <cstddef>

#include "document.h"

namespace orlan {

// Replaces the document's tree with the parsed text. kOk, or kOutOfMemory with the
// message "html: out of memory" (the tree built so far stays).
Status parse_html(Document& document, const char* text, std::size_t length);

}  // namespace orlan

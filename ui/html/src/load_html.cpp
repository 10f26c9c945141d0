#include "html_parser.h"
#include "last_error.h"
#include "orlan/orlan.h"
#include "view.h"

namespace orlan {

Status load_html(View* view, const char* text, std::size_t length) {
  if (!view || (!text && length > 0)) {
    set_last_error("load_html: bad argument");
    return kBadArgument;
  }
  return parse_html(*view->document, text, length);
}

}  // namespace orlan

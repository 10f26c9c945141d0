// Feeds arbitrary bytes to image_set on a real document with a few img users. The first
// byte picks one of four names so that replacement and refresh paths run as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document.h"
#include "image_set.h"
#include "orlan/orlan.h"
#include "view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const kNames[] = {"logo.svg", "a", "icon.png", "b"};
  orlan::View* view = orlan::create_view();
  if (!view) return 0;
  orlan::Document* doc = orlan::document(view);
  orlan::Node* body = orlan::create_element(doc, "body", 4);
  orlan::link_child(*doc->root, *body, nullptr);
  for (const char* name : kNames) {
    orlan::Node* img = orlan::create_element(doc, "img", 3);
    orlan::set_attribute(img, "src", 3, name, std::char_traits<char>::length(name));
    orlan::append_child(body, img);
  }
  for (int round = 0; round < 2 && size > 0; ++round) {
    const char* name = kNames[data[0] & 3];
    const orlan::Status status =
        orlan::image_set(doc, name, std::char_traits<char>::length(name), data + 1, size - 1);
    const auto* entry = orlan::find_image(*doc, doc->atoms.lookup(name));
    if (status == orlan::kOk &&
        (!entry || entry->width < 1 || entry->height < 1 || entry->length != size - 1)) {
      std::abort();
    }
  }
  orlan::destroy_view(view);
  return 0;
}

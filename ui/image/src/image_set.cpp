#include "image_set.h"

#include <algorithm>
#include <new>
#include <string_view>

#include "last_error.h"
#include "orlan/orlan.h"

namespace orlan {

namespace {

BackgroundImageUseCheck g_background_check = nullptr;

void destroy_registry(image::ImageRegistry* registry) {
  delete registry;
}

image::ImageRegistry* ensure_registry(Document& document) noexcept {
  if (!document.images) {
    document.images = new (std::nothrow) image::ImageRegistry;
    if (!document.images) return nullptr;
    document.destroy_images = &destroy_registry;
  }
  return document.images;
}

// Names in messages: at most what fits the message buffer anyway.
int printable_length(std::size_t length) {
  return static_cast<int>(std::min<std::size_t>(length, kLastErrorSize));
}

}  // namespace

const image::ImageEntry* find_image(Document& document, Atom name) noexcept {
  if (!document.images || name == 0) return nullptr;
  return document.images->find(name);
}

bool set_image_info_function(Document& document, void* context,
                             image::ImageInfoFunction function) noexcept {
  image::ImageRegistry* registry = ensure_registry(document);
  if (!registry) return false;
  registry->set_info_function(context, function);
  return true;
}

void set_background_image_use_check(BackgroundImageUseCheck check) noexcept {
  g_background_check = check;
}

void refresh_image_users(Document& document, Atom name) noexcept {
  Node* const root = document.root;
  if (!root) return;
  const std::string_view name_text = document.atoms.text(name);
  // Attribute names are interned lower-cased; no atom means no element has a `src`.
  const Atom src = document.atoms.lookup_lower("src");
  Node* node = root->first_child;
  while (node) {
    if (node->is_element()) {
      bool uses = false;
      if (src != 0 && node->has_tag(TagId::kImg)) {
        const Attribute* attribute = find_attribute(*node, src);
        uses = attribute && std::string_view(attribute->value ? attribute->value : "",
                                             attribute->length) == name_text;
      }
      if (!uses && g_background_check) uses = g_background_check(*node, name);
      if (uses) mark_dirty(*node, kDirtyLayout | kDirtyPaint);
    }
    if (node->first_child) {
      node = node->first_child;
      continue;
    }
    while (node != root && !node->next_sibling) node = node->parent;
    if (node == root) break;
    node = node->next_sibling;
  }
}

Status image_set(Document* document, const char* name, std::size_t name_length, const void* bytes,
                 std::size_t length) {
  if (!document || !name || !bytes || name_length == 0 || length == 0) {
    set_last_error("image_set: bad argument");
    return kBadArgument;
  }
  image::ImageRegistry* registry = ensure_registry(*document);
  if (!registry) {
    set_last_error("out of memory");
    return kOutOfMemory;
  }
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  image::PreparedImage prepared;
  switch (registry->prepare(data, length, prepared)) {
    case image::ImageResult::kOk:
      break;
    case image::ImageResult::kCannotParseSvg:
      set_last_error("image_set: cannot parse SVG '%.*s'", printable_length(name_length), name);
      return kBadArgument;
    case image::ImageResult::kUnsupported:
      set_last_error("image_set: unsupported or corrupt image '%.*s'",
                     printable_length(name_length), name);
      return kBadArgument;
    case image::ImageResult::kBadArgument:
      set_last_error("image_set: bad argument");
      return kBadArgument;
    case image::ImageResult::kOutOfMemory:
      set_last_error("out of memory");
      return kOutOfMemory;
  }
  // Names are case-sensitive atoms of the document.
  Atom atom = 0;
  if (!document->atoms.intern(std::string_view(name, name_length), atom) ||
      registry->store(atom, data, length, std::move(prepared)) != image::ImageResult::kOk) {
    set_last_error("out of memory");
    return kOutOfMemory;
  }
  refresh_image_users(*document, atom);
  return kOk;
}

}  // namespace orlan

#include "image_registry.h"

#include <cmath>
#include <cstring>
#include <new>

#include "image_header.h"
#include "svg_detect.h"
#include "svg_parser.h"

namespace orlan::image {

bool header_image_info(void*, const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                       std::int32_t* height) {
  return read_image_header(bytes, length, width, height);
}

std::int32_t svg_intrinsic_size(float size) {
  // Rounded half up; NaN and sizes below one half give 1, sizes beyond the range the
  // largest size.
  const double rounded = std::floor(static_cast<double>(size) + 0.5);
  if (!(rounded >= 1)) return 1;
  if (rounded >= 2147483647.0) return 2147483647;
  return static_cast<std::int32_t>(rounded);
}

ImageRegistry::~ImageRegistry() {
  while (ImageEntry* entry = m_first) {
    m_first = entry->next;
    delete[] entry->bytes;
    delete entry->svg;
    delete entry;
  }
}

void ImageRegistry::set_info_function(void* context, ImageInfoFunction function) {
  m_info_context = function ? context : nullptr;
  m_info = function ? function : &header_image_info;
}

ImageResult ImageRegistry::prepare(const std::uint8_t* bytes, std::size_t length,
                                   PreparedImage& out) const {
  if (bytes == nullptr || length == 0) return ImageResult::kBadArgument;
  if (svg::looks_like_svg(bytes, length)) {
    out.svg = svg::parse_svg(bytes, length);
    if (!out.svg) return ImageResult::kCannotParseSvg;
    out.width = svg_intrinsic_size(out.svg->width);
    out.height = svg_intrinsic_size(out.svg->height);
    return ImageResult::kOk;
  }
  std::int32_t width = 0, height = 0;
  if (!m_info(m_info_context, bytes, length, &width, &height) || width <= 0 || height <= 0) {
    return ImageResult::kUnsupported;
  }
  out.svg.reset();
  out.width = width;
  out.height = height;
  return ImageResult::kOk;
}

ImageResult ImageRegistry::store(std::uint32_t name, const std::uint8_t* bytes, std::size_t length,
                                 PreparedImage&& prepared) {
  auto* copy = new (std::nothrow) std::uint8_t[length];
  if (!copy) return ImageResult::kOutOfMemory;
  std::memcpy(copy, bytes, length);
  ImageEntry* entry = const_cast<ImageEntry*>(find(name));
  if (!entry) {
    entry = new (std::nothrow) ImageEntry;
    if (!entry) {
      delete[] copy;
      return ImageResult::kOutOfMemory;
    }
    entry->name = name;
    entry->next = m_first;
    m_first = entry;
  }
  delete[] entry->bytes;
  delete entry->svg;
  entry->bytes = copy;
  entry->length = length;
  entry->svg = prepared.svg.release();
  entry->width = prepared.width;
  entry->height = prepared.height;
  entry->generation = ++m_counter;
  return ImageResult::kOk;
}

ImageResult ImageRegistry::set(std::uint32_t name, const std::uint8_t* bytes, std::size_t length) {
  PreparedImage prepared;
  const ImageResult result = prepare(bytes, length, prepared);
  if (result != ImageResult::kOk) return result;
  return store(name, bytes, length, std::move(prepared));
}

const ImageEntry* ImageRegistry::find(std::uint32_t name) const {
  for (const ImageEntry* entry = m_first; entry; entry = entry->next) {
    if (entry->name == name) return entry;
  }
  return nullptr;
}

}  // namespace orlan::image

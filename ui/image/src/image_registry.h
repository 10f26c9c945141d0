#pragma once

// The images of one document: raster or SVG bytes registered under a name, with their
// intrinsic sizes and a generation that tells a renderer its cached bitmap is stale.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "vector_image.h"

namespace orlan::image {

// Sizes an image without decoding it: true with both sizes >= 1 when the bytes are an
// image this function understands.
using ImageInfoFunction = bool (*)(void* context, const std::uint8_t* bytes, std::size_t length,
                                   std::int32_t* width, std::int32_t* height);

// The default information function: only the header check (PNG, BMP, GIF, JPEG).
bool header_image_info(void* context, const std::uint8_t* bytes, std::size_t length,
                       std::int32_t* width, std::int32_t* height);

struct ImageEntry {
  std::uint32_t name = 0;         // case-sensitive atom of the document
  std::uint8_t* bytes = nullptr;  // the registry's own copy
  std::uint64_t length = 0;
  svg::VectorImage* svg = nullptr;  // the parsed image for SVG bytes, else null
  std::int32_t width = 1;           // intrinsic size in CSS pixels, at least 1
  std::int32_t height = 1;
  std::uint32_t generation = 0;  // the registry's counter when this entry was last set
  ImageEntry* next = nullptr;    // older entries
};

enum class ImageResult {
  kOk,
  kBadArgument,
  kCannotParseSvg,  // looked like SVG but did not parse
  kUnsupported,     // the information function refused the bytes
  kOutOfMemory,
};

// Checked and sized bytes, ready to be stored under a name.
struct PreparedImage {
  std::unique_ptr<svg::VectorImage> svg;
  std::int32_t width = 1;
  std::int32_t height = 1;
};

// An intrinsic size from an SVG's float size: rounded half up, at least 1.
std::int32_t svg_intrinsic_size(float size);

class ImageRegistry {
 public:
  ImageRegistry() = default;
  ~ImageRegistry();
  ImageRegistry(const ImageRegistry&) = delete;
  ImageRegistry& operator=(const ImageRegistry&) = delete;

  // Null restores the header check.
  void set_info_function(void* context, ImageInfoFunction function);

  // Detects SVG and parses it, or sizes the bytes with the information function.
  ImageResult prepare(const std::uint8_t* bytes, std::size_t length, PreparedImage& out) const;
  // Copies the bytes and stores them with the prepared image under `name`, replacing
  // what the name had and taking the next generation. On kOutOfMemory nothing changes.
  ImageResult store(std::uint32_t name, const std::uint8_t* bytes, std::size_t length,
                    PreparedImage&& prepared);
  // prepare, then store.
  ImageResult set(std::uint32_t name, const std::uint8_t* bytes, std::size_t length);

  // The entry of a name, or null.
  const ImageEntry* find(std::uint32_t name) const;
  // The newest entry; older ones follow through `next`.
  const ImageEntry* first() const { return m_first; }
  // How many times an image was set.
  std::uint32_t counter() const { return m_counter; }

 private:
  ImageEntry* m_first = nullptr;
  std::uint32_t m_counter = 0;
  void* m_info_context = nullptr;
  ImageInfoFunction m_info = &header_image_info;
};

}  // namespace orlan::image

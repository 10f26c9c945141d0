#include "image_header.h"

#include <cstring>

namespace orlan::image {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}
std::uint32_t be16(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 8 | p[1];
}
std::uint32_t le16(const std::uint8_t* p) {
  return std::uint32_t{p[1]} << 8 | p[0];
}

bool png(const std::uint8_t* b, std::size_t n, std::int32_t& w, std::int32_t& h) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n < 24 || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0) {
    return false;
  }
  const std::uint32_t width = be32(b + 16);
  const std::uint32_t height = be32(b + 20);
  // Both fit a signed 32-bit size: non-zero with the top bit clear.
  if (width == 0 || (width & 0x80000000u) || height == 0 || (height & 0x80000000u)) return false;
  w = static_cast<std::int32_t>(width);
  h = static_cast<std::int32_t>(height);
  return true;
}

bool bmp(const std::uint8_t* b, std::size_t n, std::int32_t& w, std::int32_t& h) {
  if (n < 26 || b[0] != 'B' || b[1] != 'M') return false;
  const auto width = static_cast<std::int32_t>(le32(b + 18));
  const auto height = static_cast<std::int32_t>(le32(b + 22));
  // A negative height marks a top-down bitmap; the most negative value has no magnitude.
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  w = width;
  h = height < 0 ? -height : height;
  return true;
}

bool gif(const std::uint8_t* b, std::size_t n, std::int32_t& w, std::int32_t& h) {
  if (n < 10 || std::memcmp(b, "GIF8", 4) != 0) return false;
  const std::uint32_t width = le16(b + 6);
  const std::uint32_t height = le16(b + 8);
  if (width == 0 || height == 0) return false;
  w = static_cast<std::int32_t>(width);
  h = static_cast<std::int32_t>(height);
  return true;
}

bool jpeg(const std::uint8_t* b, std::size_t n, std::int32_t& w, std::int32_t& h) {
  if (n < 2 || b[0] != 0xFF || b[1] != 0xD8) return false;
  std::size_t pos = 2;
  while (n - pos >= 10) {
    if (b[pos] != 0xFF) return false;
    // Fill bytes: a run of FF before the marker byte.
    while (pos + 1 < n && b[pos + 1] == 0xFF) ++pos;
    if (n - pos < 10) return false;
    const std::uint8_t marker = b[pos + 1];
    if (marker == 0xD9 || marker == 0xDA) return false;  // end of image, start of scan
    const bool start_of_frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (start_of_frame) {
      const std::uint32_t height = be16(b + pos + 5);
      const std::uint32_t width = be16(b + pos + 7);
      if (width == 0 || height == 0) return false;
      w = static_cast<std::int32_t>(width);
      h = static_cast<std::int32_t>(height);
      return true;
    }
    pos += 2 + be16(b + pos + 2);
    if (pos > n) return false;
  }
  return false;
}

}  // namespace

bool read_image_header(const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                       std::int32_t* height) {
  if (bytes == nullptr || length == 0) return false;
  std::int32_t w = 0, h = 0;
  const bool ok = png(bytes, length, w, h) || bmp(bytes, length, w, h) ||
                  gif(bytes, length, w, h) || jpeg(bytes, length, w, h);
  if (!ok) return false;
  if (width) *width = w;
  if (height) *height = h;
  return true;
}

}  // namespace orlan::image

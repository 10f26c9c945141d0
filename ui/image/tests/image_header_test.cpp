#include "image_header.h"

#include <gtest/gtest.h>

#include <vector>

using orlan::image::read_image_header;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Size {
  bool ok = false;
  std::int32_t width = -1;
  std::int32_t height = -1;
};

Size size_of(const Bytes& bytes) {
  Size s;
  s.ok = read_image_header(bytes.data(), bytes.size(), &s.width, &s.height);
  return s;
}

void put_be32(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v >> 24, b[at + 1] = v >> 16, b[at + 2] = v >> 8, b[at + 3] = v;
}
void put_le32(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v, b[at + 1] = v >> 8, b[at + 2] = v >> 16, b[at + 3] = v >> 24;
}

Bytes png(std::uint32_t width, std::uint32_t height) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  b.resize(33);
  put_be32(b, 16, width);
  put_be32(b, 20, height);
  b[24] = 8;  // bit depth
  b[25] = 6;  // RGBA
  return b;
}

Bytes bmp(std::int32_t width, std::int32_t height) {
  Bytes b(54, 0);
  b[0] = 'B', b[1] = 'M';
  put_le32(b, 14, 40);
  put_le32(b, 18, static_cast<std::uint32_t>(width));
  put_le32(b, 22, static_cast<std::uint32_t>(height));
  return b;
}

Bytes gif(std::uint16_t width, std::uint16_t height) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  b.push_back(width & 0xFF), b.push_back(width >> 8);
  b.push_back(height & 0xFF), b.push_back(height >> 8);
  b.push_back(0), b.push_back(0), b.push_back(0);
  return b;
}

// SOI, an APP0 segment, a DHT segment, then a start-of-frame with the given marker.
Bytes jpeg(std::uint8_t frame_marker, std::uint16_t width, std::uint16_t height) {
  Bytes b = {0xFF, 0xD8};
  const Bytes app0 = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  b.insert(b.end(), app0.begin(), app0.end());
  const Bytes dht = {0xFF, 0xC4, 0x00, 0x06, 0x00, 0x01, 0x02, 0x03};
  b.insert(b.end(), dht.begin(), dht.end());
  const Bytes sof = {0xFF,
                     frame_marker,
                     0x00,
                     0x11,
                     0x08,
                     static_cast<std::uint8_t>(height >> 8),
                     static_cast<std::uint8_t>(height),
                     static_cast<std::uint8_t>(width >> 8),
                     static_cast<std::uint8_t>(width),
                     0x03,
                     0x01,
                     0x22,
                     0x00};
  b.insert(b.end(), sof.begin(), sof.end());
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

}  // namespace

TEST(PngHeader, ReadsBigEndianSizeFromIhdr) {
  const Size s = size_of(png(640, 0x00012345));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 640);
  EXPECT_EQ(s.height, 0x12345);
}

TEST(PngHeader, TruncatedOrWithoutIhdrFails) {
  Bytes b = png(10, 10);
  b.resize(23);
  EXPECT_FALSE(size_of(b).ok);
  b = png(10, 10);
  b[12] = 'i';
  EXPECT_FALSE(size_of(b).ok);
  b = png(10, 10);
  b[7] = 0;
  EXPECT_FALSE(size_of(b).ok);
}

TEST(PngHeader, TopBitOrZeroSizeFails) {
  EXPECT_FALSE(size_of(png(10, 0x80000001u)).ok);
  EXPECT_FALSE(size_of(png(0x80000000u, 10)).ok);
  EXPECT_FALSE(size_of(png(0, 10)).ok);
  EXPECT_FALSE(size_of(png(10, 0)).ok);
  EXPECT_TRUE(size_of(png(0x7FFFFFFF, 1)).ok);
}

TEST(BmpHeader, ReadsLittleEndianSize) {
  const Size s = size_of(bmp(0x1234, 300));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 0x1234);
  EXPECT_EQ(s.height, 300);
}

TEST(BmpHeader, NegativeHeightIsTopDown) {
  const Size s = size_of(bmp(16, -48));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 16);
  EXPECT_EQ(s.height, 48);
}

TEST(BmpHeader, BadSizesAndTruncationFail) {
  EXPECT_FALSE(size_of(bmp(-16, 16)).ok);
  EXPECT_FALSE(size_of(bmp(0, 16)).ok);
  EXPECT_FALSE(size_of(bmp(16, 0)).ok);
  EXPECT_FALSE(size_of(bmp(16, INT32_MIN)).ok);
  Bytes b = bmp(16, 16);
  b.resize(25);
  EXPECT_FALSE(size_of(b).ok);
  b.resize(26);
  EXPECT_TRUE(size_of(b).ok);
}

TEST(GifHeader, ReadsLittleEndianSixteenBitSize) {
  const Size s = size_of(gif(0x0102, 0x0A0B));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 0x0102);
  EXPECT_EQ(s.height, 0x0A0B);
  EXPECT_TRUE(size_of(gif(65535, 1)).ok);
}

TEST(GifHeader, ZeroSizeOrTruncationFails) {
  EXPECT_FALSE(size_of(gif(0, 5)).ok);
  EXPECT_FALSE(size_of(gif(5, 0)).ok);
  Bytes b = gif(5, 5);
  b.resize(9);
  EXPECT_FALSE(size_of(b).ok);
}

TEST(JpegHeader, SkipsSegmentsUpToTheFrame) {
  const Size s = size_of(jpeg(0xC0, 1920, 1080));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 1920);
  EXPECT_EQ(s.height, 1080);
  // Progressive and other frame kinds count; C4 (Huffman tables), C8 and CC do not.
  EXPECT_EQ(size_of(jpeg(0xC2, 7, 9)).width, 7);
  EXPECT_EQ(size_of(jpeg(0xCF, 7, 9)).height, 9);
  EXPECT_FALSE(size_of(jpeg(0xC8, 7, 9)).ok);
  EXPECT_FALSE(size_of(jpeg(0xCC, 7, 9)).ok);
}

TEST(JpegHeader, FillBytesBeforeAMarkerAreSkipped) {
  Bytes b = jpeg(0xC0, 33, 44);
  b.insert(b.begin() + 2, {0xFF, 0xFF, 0xFF});
  const Size s = size_of(b);
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.width, 33);
  EXPECT_EQ(s.height, 44);
}

TEST(JpegHeader, ScanOrEndBeforeTheFrameFails) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x08, 1, 2, 3, 4, 5, 6,
             0xFF, 0xC0, 0,    17,   8,    0,    9, 0, 9, 3, 0};
  EXPECT_TRUE(size_of(b).ok);  // an ordinary segment before the frame
  b[3] = 0xDA;
  EXPECT_FALSE(size_of(b).ok);
  b[3] = 0xD9;
  EXPECT_FALSE(size_of(b).ok);
}

TEST(JpegHeader, TruncatedFrameOrMissingMarkerFails) {
  Bytes b = jpeg(0xC0, 10, 12);
  b.resize(b.size() - 2 - 13 + 10);  // exactly the ten bytes the frame's size needs
  EXPECT_EQ(size_of(b).height, 10 + 2);
  b.pop_back();  // the frame header is cut short
  EXPECT_FALSE(size_of(b).ok);
  b = jpeg(0xC0, 10, 10);
  b[2] = 0x00;  // the first segment does not start with FF
  EXPECT_FALSE(size_of(b).ok);
  EXPECT_FALSE(size_of(jpeg(0xC0, 0, 10)).ok);
  EXPECT_FALSE(size_of(Bytes{0xFF, 0xD8}).ok);
}

TEST(ImageHeader, UnknownBytesFail) {
  EXPECT_FALSE(size_of(Bytes{'G', 'I', 'F', '7', '9', 'a', 1, 0, 1, 0}).ok);
  EXPECT_FALSE(size_of(Bytes(64, 0)).ok);
  EXPECT_FALSE(read_image_header(nullptr, 10, nullptr, nullptr));
}

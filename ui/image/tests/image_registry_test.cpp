#include "image_registry.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace orlan::image;

namespace {

const std::uint8_t* bytes_of(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

ImageResult set_text(ImageRegistry& registry, std::uint32_t name, std::string_view text) {
  return registry.set(name, bytes_of(text), text.size());
}

std::vector<std::uint8_t> gif(std::uint8_t width, std::uint8_t height) {
  return {'G', 'I', 'F', '8', '7', 'a', width, 0, height, 0, 0, 0, 0};
}

}  // namespace

TEST(SvgIntrinsicSize, RoundsHalfUpWithOneAsTheLeast) {
  EXPECT_EQ(svg_intrinsic_size(0.4f), 1);
  EXPECT_EQ(svg_intrinsic_size(0.0f), 1);
  EXPECT_EQ(svg_intrinsic_size(-7.0f), 1);
  EXPECT_EQ(svg_intrinsic_size(2.49f), 2);
  EXPECT_EQ(svg_intrinsic_size(2.5f), 3);
  EXPECT_EQ(svg_intrinsic_size(3e38f), 2147483647);
  EXPECT_EQ(svg_intrinsic_size(std::numeric_limits<float>::quiet_NaN()), 1);
}

TEST(ImageRegistry, SvgEntryKeepsParsedImageAndRoundedSize) {
  ImageRegistry registry;
  const std::string_view text = "<svg width='0.4' height='16.5'><rect width='1' height='1'/></svg>";
  ASSERT_EQ(set_text(registry, 7, text), ImageResult::kOk);
  const ImageEntry* entry = registry.find(7);
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->svg, nullptr);
  EXPECT_EQ(entry->svg->draws.size(), 1u);
  EXPECT_EQ(entry->width, 1);
  EXPECT_EQ(entry->height, 17);
  EXPECT_EQ(entry->generation, 1u);
  ASSERT_EQ(entry->length, text.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->bytes), 5), "<svg ");
}

TEST(ImageRegistry, RasterEntrySizedByHeader) {
  ImageRegistry registry;
  const auto bytes = gif(20, 30);
  ASSERT_EQ(registry.set(3, bytes.data(), bytes.size()), ImageResult::kOk);
  const ImageEntry* entry = registry.find(3);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->svg, nullptr);
  EXPECT_EQ(entry->width, 20);
  EXPECT_EQ(entry->height, 30);
  // The registry keeps a copy, not the caller's buffer.
  EXPECT_NE(entry->bytes, bytes.data());
  EXPECT_EQ(entry->bytes[6], 20);
}

TEST(ImageRegistry, FailuresByKind) {
  ImageRegistry registry;
  EXPECT_EQ(registry.set(1, nullptr, 4), ImageResult::kBadArgument);
  EXPECT_EQ(set_text(registry, 1, ""), ImageResult::kBadArgument);
  EXPECT_EQ(set_text(registry, 1, "<svg width='3'"), ImageResult::kCannotParseSvg);
  // "<svg" followed by a letter is not SVG; as a raster image it is unknown.
  EXPECT_EQ(set_text(registry, 1, "<svgx><rect/></svgx>"), ImageResult::kUnsupported);
  EXPECT_EQ(registry.find(1), nullptr);
  EXPECT_EQ(registry.counter(), 0u);
}

TEST(ImageRegistry, SettingAgainReplacesAndTakesTheNextGeneration) {
  ImageRegistry registry;
  ASSERT_EQ(set_text(registry, 5, "<svg width='8' height='8'/>"), ImageResult::kOk);
  ASSERT_EQ(set_text(registry, 6, "<svg width='9' height='9'/>"), ImageResult::kOk);
  const ImageEntry* first = registry.find(5);
  ASSERT_EQ(first->generation, 1u);
  const auto bytes = gif(4, 2);
  ASSERT_EQ(registry.set(5, bytes.data(), bytes.size()), ImageResult::kOk);
  const ImageEntry* again = registry.find(5);
  EXPECT_EQ(again, first);  // the same entry, updated
  EXPECT_EQ(again->generation, 3u);
  EXPECT_EQ(again->svg, nullptr);
  EXPECT_EQ(again->width, 4);
  EXPECT_EQ(again->length, bytes.size());
  EXPECT_EQ(registry.find(6)->generation, 2u);
}

TEST(ImageRegistry, RejectedImageLeavesTheEarlierOne) {
  ImageRegistry registry;
  ASSERT_EQ(set_text(registry, 5, "<svg width='8' height='6'/>"), ImageResult::kOk);
  EXPECT_EQ(set_text(registry, 5, "<svg"), ImageResult::kCannotParseSvg);
  EXPECT_EQ(set_text(registry, 5, "not an image"), ImageResult::kUnsupported);
  const ImageEntry* entry = registry.find(5);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->width, 8);
  EXPECT_EQ(entry->height, 6);
  EXPECT_EQ(entry->generation, 1u);
  EXPECT_EQ(registry.counter(), 1u);
}

TEST(ImageRegistry, EntriesAreListedNewestFirst) {
  ImageRegistry registry;
  for (std::uint32_t name : {1u, 2u, 3u}) {
    ASSERT_EQ(set_text(registry, name, "<svg/>"), ImageResult::kOk);
  }
  std::vector<std::uint32_t> names;
  for (const ImageEntry* e = registry.first(); e; e = e->next) names.push_back(e->name);
  EXPECT_EQ(names, (std::vector<std::uint32_t>{3, 2, 1}));
}

namespace {

struct Decoder {
  int calls = 0;
};

bool fake_decoder(void* context, const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                  std::int32_t* height) {
  auto* decoder = static_cast<Decoder*>(context);
  ++decoder->calls;
  if (length < 4 || bytes[0] != 'W') return false;
  *width = bytes[1];
  *height = bytes[2];
  return true;
}

}  // namespace

TEST(ImageRegistry, InstalledInformationFunctionSizesRasterBytes) {
  ImageRegistry registry;
  Decoder decoder;
  registry.set_info_function(&decoder, &fake_decoder);
  const std::uint8_t wic[] = {'W', 12, 34, 0};
  ASSERT_EQ(registry.set(1, wic, sizeof wic), ImageResult::kOk);
  EXPECT_EQ(registry.find(1)->width, 12);
  EXPECT_EQ(registry.find(1)->height, 34);
  // SVG never reaches the information function.
  ASSERT_EQ(set_text(registry, 2, "<svg/>"), ImageResult::kOk);
  EXPECT_EQ(decoder.calls, 1);
  // A size of zero from the function is a failure too.
  const std::uint8_t empty[] = {'W', 0, 5, 0};
  EXPECT_EQ(registry.set(3, empty, sizeof empty), ImageResult::kUnsupported);
  // Null restores the header check.
  registry.set_info_function(&decoder, nullptr);
  EXPECT_EQ(registry.set(4, wic, sizeof wic), ImageResult::kUnsupported);
  const auto bytes = gif(1, 1);
  EXPECT_EQ(registry.set(4, bytes.data(), bytes.size()), ImageResult::kOk);
  EXPECT_EQ(decoder.calls, 2);
}

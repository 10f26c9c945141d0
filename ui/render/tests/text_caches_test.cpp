// The process-wide text caches: formats keyed by family name, size, weight and style with
// ids that are never reused; run widths in most-recently-used buckets; and the font-face
// registry whose generation drops the formats.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "font_faces.h"
#include "text_caches.h"

namespace orlan::render {
namespace {

std::vector<std::intptr_t> g_released;
void record_release(void* handle) {
  g_released.push_back(reinterpret_cast<std::intptr_t>(handle));
}
void* handle_of(int n) {
  return reinterpret_cast<void*>(static_cast<std::intptr_t>(n));
}

TextFormatKey key(const char* family, float size = 16, int weight = 400, bool italic = false) {
  return TextFormatKey{family, size, weight, italic};
}

TEST(TextFormatCache, KeyedByFamilyNameSizeWeightAndStyle) {
  g_released.clear();
  TextFormatCache cache(&record_release);
  TextFormat* a = cache.insert(key("Arial"), handle_of(1));
  ASSERT_NE(a, nullptr);
  const std::uint32_t id = a->id;
  EXPECT_NE(id, 0u);
  EXPECT_EQ(cache.find(key("Arial"))->id, id);
  EXPECT_EQ(cache.find(key("Arial", 17)), nullptr);
  EXPECT_EQ(cache.find(key("Arial", 16, 700)), nullptr);
  EXPECT_EQ(cache.find(key("Arial", 16, 400, true)), nullptr);
  EXPECT_EQ(cache.find(key("Arial Black")), nullptr);
}

TEST(TextFormatCache, FullCacheDropsTheOldestAndNeverReusesAnId) {
  g_released.clear();
  std::set<std::uint32_t> ids;
  {
    TextFormatCache cache(&record_release);
    for (int i = 0; i < 64; ++i) {
      TextFormat* f = cache.insert(key("F", 10.f + i), handle_of(100 + i));
      ASSERT_NE(f, nullptr);
      EXPECT_TRUE(ids.insert(f->id).second);
    }
    EXPECT_EQ(cache.size(), 64u);
    EXPECT_TRUE(g_released.empty());
    // Looking the oldest up does not make it younger: it is dropped first.
    ASSERT_NE(cache.find(key("F", 10)), nullptr);
    TextFormat* f = cache.insert(key("G"), handle_of(500));
    EXPECT_TRUE(ids.insert(f->id).second);
    EXPECT_EQ(g_released, (std::vector<std::intptr_t>{100}));
    EXPECT_EQ(cache.find(key("F", 10)), nullptr);
    EXPECT_NE(cache.find(key("F", 11)), nullptr);
    EXPECT_EQ(cache.size(), 64u);

    // A new font-face generation drops everything; new formats get new ids.
    cache.sync_generation(1);
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(g_released.size(), 65u);
    for (int i = 0; i < 64; ++i) {
      TextFormat* again = cache.insert(key("F", 10.f + i), handle_of(200 + i));
      EXPECT_TRUE(ids.insert(again->id).second) << "id " << again->id << " reused";
    }
    cache.sync_generation(1);  // the same generation keeps the entries
    EXPECT_EQ(cache.size(), 64u);
  }
  EXPECT_EQ(g_released.size(), 129u);  // the destructor released the rest
}

TEST(WidthCache, BucketsHoldFourRunsMostRecentFirst) {
  static WidthCache cache;  // 8,192 entries: not on the stack
  cache.clear();
  // Five formats whose runs fall into one bucket: the same text and letter-spacing,
  // format ids that differ only above the bucket mask.
  const std::uint32_t ids[5] = {1, 1 + 2048, 1 + 4096, 1 + 6144, 1 + 8192};
  const std::uint32_t bucket = WidthCache::bucket_of(ids[0], 0, "run");
  for (std::uint32_t id : ids) ASSERT_EQ(WidthCache::bucket_of(id, 0, "run"), bucket);

  for (int i = 0; i < 4; ++i) cache.store(ids[i], 0, "run", 10.f + i);
  float width = 0;
  ASSERT_TRUE(cache.find(ids[0], 0, "run", width));  // moves to the front
  EXPECT_EQ(width, 10);
  EXPECT_EQ(cache.format_at(bucket, 0), ids[0]);
  EXPECT_EQ(cache.format_at(bucket, 3), ids[1]);

  cache.store(ids[4], 0, "run", 14);  // drops the least recently used: ids[1]
  EXPECT_FALSE(cache.find(ids[1], 0, "run", width));
  for (int i : {0, 2, 3, 4}) {
    ASSERT_TRUE(cache.find(ids[i], 0, "run", width)) << i;
    EXPECT_EQ(width, 10.f + i);
  }
}

TEST(WidthCache, ExactTextLetterSpacingAndLengthLimit) {
  static WidthCache cache;
  cache.clear();
  float width = 0;
  cache.store(7, 0, "abc", 30);
  EXPECT_FALSE(cache.find(7, 0, "abd", width));
  EXPECT_FALSE(cache.find(7, 0.5f, "abc", width));
  EXPECT_FALSE(cache.find(8, 0, "abc", width));
  EXPECT_TRUE(cache.find(7, 0, "abc", width));
  cache.store(7, 0.5f, "abc", 31.5f);
  EXPECT_TRUE(cache.find(7, 0.5f, "abc", width));
  EXPECT_EQ(width, 31.5f);

  const std::string long_text(513, 'x');
  cache.store(7, 0, long_text, 1);
  EXPECT_FALSE(cache.find(7, 0, long_text, width));
  const std::string limit(512, 'x');
  cache.store(7, 0, limit, 2);
  EXPECT_TRUE(cache.find(7, 0, limit, width));
  // Format id 0 is never a format.
  cache.store(0, 0, "abc", 5);
  EXPECT_FALSE(cache.find(0, 0, "abc", width));
}

struct LoaderLog {
  std::vector<std::string> calls;
  std::vector<std::uint8_t> font{1, 2, 3, 4};
  bool answer = true;
};

bool fake_loader(void* context, const char* family, std::size_t family_length, const char* source,
                 std::size_t source_length, const std::uint8_t** bytes, std::size_t* length) {
  auto* log = static_cast<LoaderLog*>(context);
  log->calls.push_back(std::string(family, family_length) + "|" +
                       std::string(source, source_length));
  if (!log->answer) return false;
  *bytes = log->font.data();
  *length = log->font.size();
  return true;
}

TEST(FontFaces, LoaderBytesBumpTheGeneration) {
  FontFaceRegistry registry;
  LoaderLog log;
  registry.request("Inter", "inter.ttf");  // no loader yet: recorded only
  EXPECT_EQ(registry.generation(), 0u);
  EXPECT_EQ(registry.find("Inter"), nullptr);

  registry.set_loader(&log, &fake_loader);
  registry.request("Inter", "inter.ttf");
  EXPECT_EQ(log.calls, (std::vector<std::string>{"Inter|inter.ttf"}));
  EXPECT_EQ(registry.generation(), 1u);
  const FontFaceEntry* entry = registry.find("inter");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->bytes, log.font);

  // The same face again (another load_css of the same sheet) is not asked for again.
  registry.request("Inter", "inter.ttf");
  EXPECT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(registry.generation(), 1u);

  // A loader without the font leaves the family without bytes.
  log.answer = false;
  registry.request("Missing", "m.ttf");
  EXPECT_EQ(registry.find("Missing"), nullptr);
  EXPECT_EQ(registry.generation(), 1u);
}

TEST(FontFaces, RegistryHoldsAtMost32Families) {
  FontFaceRegistry registry;
  const std::uint8_t bytes[] = {9};
  for (int i = 0; i < 40; ++i) {
    registry.supply("F" + std::to_string(i), "s", bytes, 1);
  }
  EXPECT_EQ(registry.size(), 32u);
  EXPECT_NE(registry.find("F31"), nullptr);
  EXPECT_EQ(registry.find("F32"), nullptr);
  // A known family can still be replaced.
  EXPECT_TRUE(registry.supply("F0", "t", bytes, 1));
}

// A font whose "Te" is kerned, whose "fi" is a narrower ligature and which cannot
// measure "~"; every other run is the sum of its characters.
struct KernedFont {
  int calls = 0;
  static float advance(char c) { return 3.25f + static_cast<float>(c % 7) * 0.75f; }
  static float whole(std::string_view text) {
    if (text.find('~') != std::string_view::npos) return -1;
    float w = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
      w += advance(text[k]);
      if (k > 0 && text[k - 1] == 'T' && text[k] == 'e') w -= 0.6f;
      if (k > 0 && text[k - 1] == 'f' && text[k] == 'i') w -= 1.5f;
    }
    return w;
  }
  static float measure(void* self, std::string_view text) {
    ++static_cast<KernedFont*>(self)->calls;
    return whole(text);
  }
};

TEST(CharacterAdvances, SumsOnlyWhatEveryPairShowsToBeExact) {
  KernedFont font;
  CharacterAdvances advances;
  // A page with few texts never sums (and never pays for learning pairs).
  EXPECT_LT(advances.summed_width("512x384", KernedFont::measure, &font), 0);
  EXPECT_EQ(font.calls, 0);
  for (std::uint32_t i = 0; i < CharacterAdvances::kLearnAfter; ++i) advances.count_whole_run();

  for (std::string_view text : {"Test", "final", "a~b", "two words", "caf\xC3\xA9"})
    EXPECT_LT(advances.summed_width(text, KernedFont::measure, &font), 0) << text;
  EXPECT_EQ(advances.summed_width("Left", KernedFont::measure, &font), KernedFont::whole("Left"));
  EXPECT_EQ(advances.summed_width(std::string(65, '1'), KernedFont::measure, &font), -1);

  // Thousands of distinct positions cost a few hundred measurements in all.
  font.calls = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string text = std::to_string(i * 7 - 900) + "x" + std::to_string(i * 13 % 2000);
    ASSERT_FLOAT_EQ(advances.summed_width(text, KernedFont::measure, &font), KernedFont::whole(text))
        << text;
  }
  EXPECT_LT(font.calls, 200);
}

}  // namespace
}  // namespace orlan::render

// Layout's record of measured widths: each distinct text is measured once per font, the
// answers are exactly the measurer's, and a change of measurer or fonts starts over.

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "text_width_cache.h"

namespace {

using orlan::FontDescription;

// The fallback's answers, counted per font size and text; the font generation is the
// test's to change.
struct CountingMeasurer {
  std::map<std::pair<float, std::string>, int> calls;
  std::uint32_t fonts = 0;
  float scale = 1;
  orlan::TextMeasurer measurer{this, measure, metrics, generation};

  static float measure(void* user, const orlan::AtomTable& atoms, const FontDescription& font,
                       const char* text, std::size_t length) {
    auto* self = static_cast<CountingMeasurer*>(user);
    ++self->calls[{font.size, std::string(text, length)}];
    return self->scale *
           orlan::fallback_text_measurer().measure(nullptr, atoms, font, text, length);
  }
  static orlan::FontMetrics metrics(void*, const orlan::AtomTable& atoms,
                                    const FontDescription& font) {
    return orlan::fallback_text_measurer().metrics(nullptr, atoms, font);
  }
  static std::uint32_t generation(void* user) { return static_cast<CountingMeasurer*>(user)->fonts; }
  int most_calls_of_one_text() const {
    int most = 0;
    for (const auto& [key, n] : calls) most = std::max(most, n);
    return most;
  }
};

std::string repeated_rows(int count) {
  std::string html =
      "<style>td{white-space:nowrap;overflow:hidden;text-overflow:ellipsis}"
      ".big{font-size:20px}</style><table style='table-layout:fixed;width:300px'>";
  for (int i = 0; i < count; ++i)
    html += "<tr><td>row " + std::to_string(i % 7) + "</td><td>Left click</td><td class=big>" +
            "Left click</td></tr>";
  return html + "</table><p>Some words that wrap, some words that wrap.</p>";
}

TEST(TextWidthCache, EachTextIsMeasuredOncePerFontAndLayoutIsUnchanged) {
  const std::string html = repeated_rows(60);
  orlan::View* plain = orlan::create_view();
  ASSERT_EQ(orlan::load_page(plain, html, {}), orlan::kOk);
  orlan::layout_document(*orlan::document(plain), 400, 300, nullptr);

  CountingMeasurer counting;
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, html, {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, &counting.measurer);
  EXPECT_EQ(orlan::dump_layout(d), orlan::dump_layout(*orlan::document(plain)));
  EXPECT_EQ(counting.most_calls_of_one_text(), 1);
  // Both sizes of "Left" were measured, each once.
  EXPECT_EQ((counting.calls[{16.f, "Left"}]), 1);
  EXPECT_EQ((counting.calls[{20.f, "Left"}]), 1);

  // Other widths, and again: nothing new to measure.
  const std::size_t distinct = counting.calls.size();
  orlan::layout_document(d, 250, 300, &counting.measurer);
  orlan::layout_document(d, 400, 300, &counting.measurer);
  EXPECT_EQ(counting.most_calls_of_one_text(), 1);
  EXPECT_EQ(counting.calls.size(), distinct);

  // New fonts: the same texts may now measure differently, so they are measured again.
  counting.fonts = 1;
  counting.scale = 1.5f;
  orlan::layout_document(d, 401, 300, &counting.measurer);
  EXPECT_EQ(counting.most_calls_of_one_text(), 2);
  EXPECT_NE(orlan::dump_layout(d), orlan::dump_layout(*orlan::document(plain)));

  // Another measurer (the fallback): its own answers, not the record's.
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(orlan::dump_layout(d), orlan::dump_layout(*orlan::document(plain)));
  orlan::destroy_view(view);
  orlan::destroy_view(plain);
}

TEST(TextWidthCache, FontsAreToldApartAndOddAnswersCountAsZero) {
  struct Recording {
    static float measure(void*, const orlan::AtomTable&, const FontDescription& f,
                         const char* text, std::size_t length) {
      if (length > 0 && text[0] == '!') return -4;
      if (length > 0 && text[0] == '?') return std::numeric_limits<float>::quiet_NaN();
      return f.size + f.weight / 100 + f.italic * 1000 + f.letter_spacing * 10000 +
             static_cast<float>(f.family) * 100000 + static_cast<float>(length) / 1000;
    }
    static orlan::FontMetrics metrics(void*, const orlan::AtomTable&, const FontDescription& f) {
      return {f.size, f.weight};
    }
  };
  const orlan::TextMeasurer measurer{nullptr, Recording::measure, Recording::metrics};
  orlan::AtomTable atoms;
  orlan::TextWidthCache cache;
  cache.use(measurer);
  FontDescription base;
  FontDescription fonts[6] = {base, base, base, base, base, base};
  fonts[1].size = 17;
  fonts[2].weight = 700;
  fonts[3].italic = 1;
  fonts[4].letter_spacing = 1;
  fonts[5].family = 3;
  for (int round = 0; round < 2; ++round) {
    for (const FontDescription& f : fonts) {
      EXPECT_EQ(cache.measure(atoms, f, "hello"), Recording::measure(nullptr, atoms, f, "", 5));
      EXPECT_EQ(cache.metrics(atoms, f).descent, f.weight);
    }
  }
  EXPECT_EQ(cache.measurer_calls(), 6u);
  EXPECT_EQ(cache.measure(atoms, base, "!negative"), 0);
  EXPECT_EQ(cache.measure(atoms, base, "?not a number"), 0);
  EXPECT_EQ(cache.measure(atoms, base, ""), 0);
  // Texts too long to keep are measured every time, and right.
  const std::string long_text(orlan::TextWidthCache::kMaxTextBytes + 1, 'w');
  const std::uint64_t before = cache.measurer_calls();
  EXPECT_EQ(cache.measure(atoms, base, long_text),
            Recording::measure(nullptr, atoms, base, "", long_text.size()));
  cache.measure(atoms, base, long_text);
  EXPECT_EQ(cache.measurer_calls(), before + 2);
  // Thousands of texts: the record grows and every answer stays right.
  for (int i = 0; i < 5000; ++i) {
    const std::string text = std::to_string(i) + "x" + std::to_string(2 * i);
    ASSERT_EQ(cache.measure(atoms, base, text),
              Recording::measure(nullptr, atoms, base, "", text.size()))
        << text;
  }
  for (int i = 0; i < 5000; i += 97) cache.measure(atoms, base, std::to_string(i) + "x" + std::to_string(2 * i));
  EXPECT_EQ(cache.measurer_calls(), before + 2 + 5000);
}

}  // namespace

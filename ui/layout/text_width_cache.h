#pragma once

// Widths of the texts layout has measured, per document: a large table repeats the same
// few cell texts thousands of times and lays its rows out again after every change, and a
// real measurer costs far more per call than a lookup. Each distinct text is measured once
// per font; the record is dropped when the measurer or its fonts change.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "layout_box.h"

namespace orlan {

class TextWidthCache {
 public:
  // Entries kept before the whole record starts over (about 16 MB of texts at most).
  static constexpr std::uint32_t kMaxEntries = 1u << 19;
  // Longer texts are measured every time: they are rare, and unlikely to repeat.
  static constexpr std::size_t kMaxTextBytes = 256;

  TextWidthCache() noexcept = default;
  ~TextWidthCache();
  TextWidthCache(const TextWidthCache&) = delete;
  TextWidthCache& operator=(const TextWidthCache&) = delete;

  // Called at the start of each layout run: a different measurer, or one whose fonts
  // changed, makes every recorded width stale.
  void use(const TextMeasurer& measurer) noexcept;

  // The width of the text in the font, from the record or else from the measurer (and
  // then recorded). Never negative; non-finite answers count as 0.
  float measure(const AtomTable& atoms, const FontDescription& font, std::string_view text) noexcept;
  FontMetrics metrics(const AtomTable& atoms, const FontDescription& font) noexcept;

  std::uint32_t size() const noexcept { return m_count; }
  // How many times the measurer was asked for a width (tests and benchmarks).
  std::uint64_t measurer_calls() const noexcept { return m_calls; }
  void clear() noexcept;

 private:
  struct FontKey {
    std::uint32_t family = 0;
    std::uint32_t size_bits = 0, weight_bits = 0, spacing_bits = 0;
    std::uint32_t italic = 0;
    bool operator==(const FontKey&) const = default;
  };
  struct Entry {
    std::uint64_t hash = 0;  // 0: free
    FontKey font;
    std::uint32_t text_offset = 0;
    std::uint32_t text_length = 0;
    float width = 0;
  };
  struct MetricsEntry {
    FontKey font;
    FontMetrics metrics;
    bool used = false;
  };
  static constexpr int kMetricsSlots = 16;

  static FontKey key_of(const FontDescription& font) noexcept;
  float measure_directly(const AtomTable& atoms, const FontDescription& font,
                         std::string_view text) noexcept;
  bool grow() noexcept;
  bool store_text(std::string_view text, std::uint32_t& offset) noexcept;

  TextMeasurer m_measurer{};
  std::uint32_t m_generation = 0;
  Entry* m_entries = nullptr;
  std::uint32_t m_capacity = 0;  // a power of two, or 0
  std::uint32_t m_count = 0;
  char* m_texts = nullptr;
  std::size_t m_texts_used = 0, m_texts_capacity = 0;
  MetricsEntry m_metrics[kMetricsSlots];
  int m_next_metrics = 0;
  std::uint64_t m_calls = 0;
};

// The document's record, made on first use; null only when it cannot be allocated.
TextWidthCache* text_widths_of(Document& document) noexcept;

}  // namespace orlan

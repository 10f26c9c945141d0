#include "text_width_cache.h"

#include <cmath>
#include <cstring>
#include <new>

#include "document.h"
#include "memory.h"

namespace orlan {

namespace {

constexpr std::uint32_t kFirstCapacity = 1024;
constexpr std::size_t kFirstTextBytes = 16 * 1024;

std::uint32_t bits_of(float value) noexcept {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::uint64_t mix(std::uint64_t h, std::uint64_t value) noexcept {
  h ^= value + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

float sane_width(float w) noexcept {
  return std::isfinite(w) && w > 0 ? w : 0;
}

}  // namespace

TextWidthCache::~TextWidthCache() {
  system_free(m_entries);
  system_free(m_texts);
}

TextWidthCache::FontKey TextWidthCache::key_of(const FontDescription& font) noexcept {
  FontKey key;
  key.family = font.family;
  key.size_bits = bits_of(font.size);
  key.weight_bits = bits_of(font.weight);
  key.spacing_bits = bits_of(font.letter_spacing);
  key.italic = font.italic;
  return key;
}

void TextWidthCache::clear() noexcept {
  if (m_entries) std::memset(static_cast<void*>(m_entries), 0, sizeof(Entry) * m_capacity);
  m_count = 0;
  m_texts_used = 0;
  for (MetricsEntry& m : m_metrics) m = MetricsEntry{};
}

void TextWidthCache::use(const TextMeasurer& measurer) noexcept {
  const std::uint32_t generation = measurer.generation ? measurer.generation(measurer.user) : 0;
  if (measurer.user == m_measurer.user && measurer.measure == m_measurer.measure &&
      measurer.metrics == m_measurer.metrics && measurer.generation == m_measurer.generation &&
      generation == m_generation) {
    return;
  }
  clear();
  m_measurer = measurer;
  m_generation = generation;
}

float TextWidthCache::measure_directly(const AtomTable& atoms, const FontDescription& font,
                                       std::string_view text) noexcept {
  ++m_calls;
  return sane_width(m_measurer.measure(m_measurer.user, atoms, font, text.data(), text.size()));
}

bool TextWidthCache::grow() noexcept {
  const std::uint32_t capacity = m_capacity ? m_capacity * 2 : kFirstCapacity;
  auto* entries = static_cast<Entry*>(system_allocate(sizeof(Entry) * capacity));
  if (!entries) return false;
  std::memset(static_cast<void*>(entries), 0, sizeof(Entry) * capacity);
  for (std::uint32_t i = 0; i < m_capacity; ++i) {
    const Entry& e = m_entries[i];
    if (e.hash == 0) continue;
    std::uint32_t slot = static_cast<std::uint32_t>(e.hash) & (capacity - 1);
    while (entries[slot].hash != 0) slot = (slot + 1) & (capacity - 1);
    entries[slot] = e;
  }
  system_free(m_entries);
  m_entries = entries;
  m_capacity = capacity;
  return true;
}

bool TextWidthCache::store_text(std::string_view text, std::uint32_t& offset) noexcept {
  if (m_texts_used + text.size() > m_texts_capacity) {
    std::size_t capacity = m_texts_capacity ? m_texts_capacity * 2 : kFirstTextBytes;
    while (capacity < m_texts_used + text.size()) capacity *= 2;
    auto* texts = static_cast<char*>(system_allocate(capacity));
    if (!texts) return false;
    if (m_texts_used) std::memcpy(texts, m_texts, m_texts_used);
    system_free(m_texts);
    m_texts = texts;
    m_texts_capacity = capacity;
  }
  if (!text.empty()) std::memcpy(m_texts + m_texts_used, text.data(), text.size());
  offset = static_cast<std::uint32_t>(m_texts_used);
  m_texts_used += text.size();
  return true;
}

float TextWidthCache::measure(const AtomTable& atoms, const FontDescription& font,
                              std::string_view text) noexcept {
  if (text.empty() || !m_measurer.measure) return 0;
  if (text.size() > kMaxTextBytes) return measure_directly(atoms, font, text);
  const FontKey key = key_of(font);
  std::uint64_t h = 14695981039346656037ull;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  h = mix(h, key.family);
  h = mix(h, key.size_bits);
  h = mix(h, key.weight_bits);
  h = mix(h, key.spacing_bits);
  h = mix(h, key.italic);
  if (h == 0) h = 1;
  if (m_capacity) {
    for (std::uint32_t slot = static_cast<std::uint32_t>(h) & (m_capacity - 1);;
         slot = (slot + 1) & (m_capacity - 1)) {
      const Entry& e = m_entries[slot];
      if (e.hash == 0) break;
      if (e.hash == h && e.font == key && e.text_length == text.size() &&
          std::memcmp(m_texts + e.text_offset, text.data(), text.size()) == 0) {
        return e.width;
      }
    }
  }
  const float width = measure_directly(atoms, font, text);
  // Full: start over rather than keep widths of texts that may be long gone.
  if (m_count >= kMaxEntries) clear();
  // At most half full, so that a miss ends at a free slot soon.
  if ((m_count + 1) * 2 > m_capacity && !grow()) return width;
  std::uint32_t offset = 0;
  if (!store_text(text, offset)) return width;
  std::uint32_t slot = static_cast<std::uint32_t>(h) & (m_capacity - 1);
  while (m_entries[slot].hash != 0) slot = (slot + 1) & (m_capacity - 1);
  Entry& e = m_entries[slot];
  e.hash = h;
  e.font = key;
  e.text_offset = offset;
  e.text_length = static_cast<std::uint32_t>(text.size());
  e.width = width;
  ++m_count;
  return width;
}

FontMetrics TextWidthCache::metrics(const AtomTable& atoms, const FontDescription& font) noexcept {
  const FontKey key = key_of(font);
  for (const MetricsEntry& m : m_metrics) {
    if (m.used && m.font == key) return m.metrics;
  }
  const FontMetrics metrics = m_measurer.metrics(m_measurer.user, atoms, font);
  MetricsEntry& slot = m_metrics[m_next_metrics];
  m_next_metrics = (m_next_metrics + 1) % kMetricsSlots;
  slot.font = key;
  slot.metrics = metrics;
  slot.used = true;
  return metrics;
}

TextWidthCache* text_widths_of(Document& document) noexcept {
  if (document.text_widths) return document.text_widths;
  void* memory = system_allocate(sizeof(TextWidthCache));
  if (!memory) return nullptr;
  document.text_widths = new (memory) TextWidthCache;
  document.destroy_text_widths = [](TextWidthCache* cache) {
    if (!cache) return;
    cache->~TextWidthCache();
    system_free(cache);
  };
  return document.text_widths;
}

}  // namespace orlan

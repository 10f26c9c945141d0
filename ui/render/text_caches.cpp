#include "text_caches.h"

#include <cmath>
#include <new>
#include <utility>

namespace orlan::render {

TextFormatCache::~TextFormatCache() {
  clear();
}

void TextFormatCache::release(TextFormat& entry) noexcept {
  if (entry.handle && m_release) m_release(entry.handle);
  entry = TextFormat{};
}

void TextFormatCache::clear() noexcept {
  for (std::uint32_t i = 0; i < m_count; ++i) release(m_entries[i]);
  m_count = 0;
}

void TextFormatCache::sync_generation(std::uint32_t generation) noexcept {
  if (generation == m_generation) return;
  clear();
  m_generation = generation;
}

TextFormat* TextFormatCache::find(const TextFormatKey& key) noexcept {
  for (std::uint32_t i = 0; i < m_count; ++i) {
    if (m_entries[i].key == key) return &m_entries[i];
  }
  return nullptr;
}

TextFormat* TextFormatCache::insert(const TextFormatKey& key, void* handle) noexcept {
  std::uint32_t slot = m_count;
  if (m_count == kCapacity) {
    slot = 0;
    for (std::uint32_t i = 1; i < m_count; ++i) {
      if (m_entries[i].created < m_entries[slot].created) slot = i;
    }
    release(m_entries[slot]);
  } else {
    ++m_count;
  }
  TextFormat& entry = m_entries[slot];
  try {
    entry.key = key;
  } catch (const std::bad_alloc&) {
    if (handle && m_release) m_release(handle);
    // Keep the table dense: move the last entry into the freed slot.
    --m_count;
    if (slot != m_count) m_entries[slot] = std::move(m_entries[m_count]);
    m_entries[m_count] = TextFormat{};
    return nullptr;
  }
  entry.id = m_next_id++;
  if (m_next_id == 0) m_next_id = 1;  // 2^32 formats: wraps only after billions of fonts
  entry.handle = handle;
  entry.created = ++m_clock;
  entry.has_metrics = false;
  entry.metrics = {};
  entry.advances.reset();
  return &entry;
}

std::uint32_t WidthCache::hash_text(std::string_view text) noexcept {
  std::uint32_t h = 2166136261u;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

namespace {

std::int32_t spacing_units(float letter_spacing) noexcept {
  const float units = letter_spacing * 64;
  if (!std::isfinite(units) || std::fabs(units) > 1e9f) return 0;
  return static_cast<std::int32_t>(units);
}

}  // namespace

std::uint32_t WidthCache::bucket_of(std::uint32_t format_id, float letter_spacing,
                                    std::string_view text) noexcept {
  return (static_cast<std::uint32_t>(spacing_units(letter_spacing)) ^ format_id ^ hash_text(text)) &
         (kBuckets - 1);
}

bool WidthCache::find(std::uint32_t format_id, float letter_spacing, std::string_view text,
                      float& width) noexcept {
  if (format_id == 0 || text.size() > kMaxTextBytes) return false;
  const std::int32_t spacing = spacing_units(letter_spacing);
  const std::uint32_t hash = hash_text(text);
  Entry* bucket =
      m_entries[(static_cast<std::uint32_t>(spacing) ^ format_id ^ hash) & (kBuckets - 1)];
  for (std::uint32_t way = 0; way < kWays; ++way) {
    Entry& e = bucket[way];
    if (e.format_id == format_id && e.spacing == spacing && e.hash == hash && e.text == text) {
      width = e.width;
      for (std::uint32_t k = way; k > 0; --k) std::swap(bucket[k], bucket[k - 1]);
      return true;
    }
  }
  return false;
}

void WidthCache::store(std::uint32_t format_id, float letter_spacing, std::string_view text,
                       float width) noexcept {
  if (format_id == 0 || text.size() > kMaxTextBytes) return;
  const std::int32_t spacing = spacing_units(letter_spacing);
  const std::uint32_t hash = hash_text(text);
  Entry* bucket =
      m_entries[(static_cast<std::uint32_t>(spacing) ^ format_id ^ hash) & (kBuckets - 1)];
  for (std::uint32_t k = kWays - 1; k > 0; --k) std::swap(bucket[k], bucket[k - 1]);
  Entry& front = bucket[0];
  try {
    front.text.assign(text);
  } catch (const std::bad_alloc&) {
    front = Entry{};
    return;
  }
  front.format_id = format_id;
  front.spacing = spacing;
  front.hash = hash;
  front.width = width;
}

void WidthCache::clear() noexcept {
  for (auto& bucket : m_entries) {
    for (Entry& e : bucket) e = Entry{};
  }
}

float CharacterAdvances::advance(int c, Measure measure, void* context) noexcept {
  const int i = c - kFirst;
  if (!m_known[i]) {
    const char text = static_cast<char>(c);
    m_advances[i] = measure(context, std::string_view(&text, 1));
    m_known[i] = true;
  }
  return m_advances[i];
}

float CharacterAdvances::summed_width(std::string_view text, Measure measure,
                                      void* context) noexcept {
  if (m_whole_runs < kLearnAfter || text.empty() || text.size() > kMaxRunBytes) return -1;
  for (char ch : text) {
    const int c = static_cast<unsigned char>(ch);
    if (c < kFirst || c > kLast) return -1;
  }
  float sum = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const int c = static_cast<unsigned char>(text[k]);
    const float w = advance(c, measure, context);
    if (!(w >= 0) || !std::isfinite(w)) return -1;
    sum += w;
    if (k == 0) continue;
    const int b = static_cast<unsigned char>(text[k - 1]);
    std::uint8_t& pair = m_pairs[b - kFirst][c - kFirst];
    if (pair == kUnknown) {
      const float both = measure(context, text.substr(k - 1, 2));
      const float apart = advance(b, measure, context) + w;
      // Kerning moves a pair by at least a few hundredths of a pixel; rounding in a sum
      // of two advances stays far below that.
      pair = std::isfinite(both) && both >= 0 && std::fabs(both - apart) <= 1e-3f ? kExact : kShaped;
    }
    if (pair != kExact) return -1;
  }
  return sum;
}

}  // namespace orlan::render

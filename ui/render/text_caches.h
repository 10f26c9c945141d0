#pragma once

// The process-wide caches behind text drawing and measuring: text formats (one per
// family name, size, weight and style) and run widths. Both are portable; the font system
// object a format stands for is an opaque handle released through the cache's callback.
//
// Format ids are never reused, so a width cached for a format that was since dropped can
// never be mistaken for one of a newer format.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "layout_box.h"  // FontMetrics

namespace orlan::render {

struct TextFormatKey {
  std::string family;  // the selected family name (after select_family)
  float size = 0;
  int weight = 400;  // already clamped
  bool italic = false;
  bool operator==(const TextFormatKey&) const = default;
};

// Widths of short ASCII runs as sums of their characters' advances, for a font where that
// is exact: every pair of neighbours in a summed run has been measured once and found as
// wide as its two characters apart (no kerning, no ligature between them). A table of
// thousands of distinct numbers then costs a few hundred measurements in all instead of
// one per number. Summing starts only after kLearnAfter runs were measured whole, so a
// page with few texts never pays for the pairs.
class CharacterAdvances {
 public:
  static constexpr std::uint32_t kLearnAfter = 256;
  static constexpr std::size_t kMaxRunBytes = 64;
  // Measures a run whole: its width, or a negative or non-finite value on failure.
  using Measure = float (*)(void* context, std::string_view text);

  // The run's width as a sum, or a negative value when summing is not (yet) known to be
  // exact for it: a character outside printable ASCII, a pair found to change when shaped,
  // or a failed measurement. Measures characters and pairs it has not seen.
  float summed_width(std::string_view text, Measure measure, void* context) noexcept;
  // Counts a run that was measured whole.
  void count_whole_run() noexcept { ++m_whole_runs; }

 private:
  static constexpr int kFirst = 0x21, kLast = 0x7E, kCount = kLast - kFirst + 1;
  enum : std::uint8_t { kUnknown = 0, kExact = 1, kShaped = 2 };
  float advance(int c, Measure measure, void* context) noexcept;

  std::uint32_t m_whole_runs = 0;
  float m_advances[kCount] = {};  // valid where m_known
  bool m_known[kCount] = {};
  std::uint8_t m_pairs[kCount][kCount] = {};
};

struct TextFormat {
  TextFormatKey key;
  std::uint32_t id = 0;    // never 0 for a live entry; never reused
  void* handle = nullptr;  // the font system's format object
  std::uint64_t created = 0;
  bool has_metrics = false;  // metrics below were measured
  FontMetrics metrics;
  // Made when the format first measures a run; null when that failed.
  std::unique_ptr<CharacterAdvances> advances;
};

class TextFormatCache {
 public:
  static constexpr std::uint32_t kCapacity = 64;
  using ReleaseHandle = void (*)(void* handle);

  explicit TextFormatCache(ReleaseHandle release) noexcept : m_release(release) {}
  ~TextFormatCache();
  TextFormatCache(const TextFormatCache&) = delete;
  TextFormatCache& operator=(const TextFormatCache&) = delete;

  // Drops every entry when the font-face generation differs from the one the entries
  // were made under (a font arrived or changed).
  void sync_generation(std::uint32_t generation) noexcept;
  TextFormat* find(const TextFormatKey& key) noexcept;
  // Stores a new format (the cache owns `handle` from now on). When full, the oldest
  // entry is dropped first. Null only when the key could not be copied (the handle is
  // then released).
  TextFormat* insert(const TextFormatKey& key, void* handle) noexcept;
  // Releases every handle (the ids go on counting).
  void clear() noexcept;

  std::uint32_t size() const noexcept { return m_count; }
  std::uint32_t generation() const noexcept { return m_generation; }

 private:
  void release(TextFormat& entry) noexcept;

  ReleaseHandle m_release;
  TextFormat m_entries[kCapacity];
  std::uint32_t m_count = 0;
  std::uint32_t m_next_id = 1;
  std::uint64_t m_clock = 0;
  std::uint32_t m_generation = 0;
};

// Widths of short runs: 2,048 buckets of 4 entries each in most-recently-used order.
class WidthCache {
 public:
  static constexpr std::uint32_t kBuckets = 2048;
  static constexpr std::uint32_t kWays = 4;
  static constexpr std::size_t kMaxTextBytes = 512;

  // The bucket of a run: letter-spacing in 1/64 px, the format id and the text's hash.
  static std::uint32_t bucket_of(std::uint32_t format_id, float letter_spacing,
                                 std::string_view text) noexcept;
  static std::uint32_t hash_text(std::string_view text) noexcept;

  // A hit moves the entry to the front of its bucket.
  bool find(std::uint32_t format_id, float letter_spacing, std::string_view text,
            float& width) noexcept;
  // Puts the width at the front of its bucket, dropping the bucket's last entry. Texts
  // longer than kMaxTextBytes are not stored.
  void store(std::uint32_t format_id, float letter_spacing, std::string_view text,
             float width) noexcept;
  void clear() noexcept;

  // For tests: the format ids of one bucket, front first (0 for a free slot).
  std::uint32_t format_at(std::uint32_t bucket, std::uint32_t way) const noexcept {
    return m_entries[bucket][way].format_id;
  }

 private:
  struct Entry {
    std::uint32_t format_id = 0;  // 0: free
    std::int32_t spacing = 0;     // letter-spacing x 64
    std::uint32_t hash = 0;
    float width = 0;
    std::string text;
  };
  Entry m_entries[kBuckets][kWays];
};

}  // namespace orlan::render

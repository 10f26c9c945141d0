#pragma once

// The tags the engine knows by number, with the parser class of each.

#include <cstdint>
#include <string_view>

namespace orlan {

// Parser classes of a known tag (bit set).
inline constexpr std::uint8_t kTagVoid = 0x01;          // no content, never pushed
inline constexpr std::uint8_t kTagRawText = 0x02;       // text up to its end tag, no references
inline constexpr std::uint8_t kTagEscapableRaw = 0x04;  // the same, with character references
inline constexpr std::uint8_t kTagInHead = 0x08;        // belongs in head
inline constexpr std::uint8_t kTagBlock = 0x10;         // block-level

enum class TagId : std::int16_t {
  kUnknown = -1,
  kA = 0,
  kBody = 1,
  kBr = 2,
  kButton = 3,
  kCaption = 4,
  kCol = 5,
  kColgroup = 6,
  kDiv = 7,
  kFooter = 8,
  kH1 = 9,
  kH6 = 14,
  kHead = 15,
  kHeader = 16,
  kHr = 17,
  kHtml = 18,
  kImg = 19,
  kInput = 20,
  kLabel = 21,
  kLi = 22,
  kLink = 23,
  kMain = 24,
  kMeta = 25,
  kNav = 26,
  kOl = 27,
  kOption = 28,
  kP = 29,
  kScript = 30,
  kSection = 31,
  kSelect = 32,
  kSpan = 33,
  kStyle = 34,
  kTable = 35,
  kTbody = 36,
  kTd = 37,
  kTextarea = 38,
  kTfoot = 39,
  kTh = 40,
  kThead = 41,
  kTitle = 42,
  kTr = 43,
  kUl = 44,
};

inline constexpr int kKnownTagCount = 45;

// Index of the lower-cased name in the known-tag table (binary search), or kUnknown.
TagId find_known_tag(std::string_view lower_name) noexcept;
// Parser class bits of a tag; 0 for kUnknown.
std::uint8_t tag_class(TagId id) noexcept;
// The table's name of a known tag; empty for kUnknown.
std::string_view known_tag_name(TagId id) noexcept;

}  // namespace orlan

#include "known_tags.h"

#include <algorithm>
#include <array>

namespace orlan {

namespace {

struct KnownTag {
  std::string_view name;
  std::uint8_t classes;
};

constexpr std::uint8_t V = kTagVoid, R = kTagRawText, E = kTagEscapableRaw, H = kTagInHead,
                       B = kTagBlock;

// Sorted by name; the position is the tag id.
constexpr std::array<KnownTag, kKnownTagCount> kTags = {{
    {"a", 0},          {"body", B},     {"br", V},        {"button", 0},   {"caption", B},
    {"col", V},        {"colgroup", B}, {"div", B},       {"footer", B},   {"h1", B},
    {"h2", B},         {"h3", B},       {"h4", B},        {"h5", B},       {"h6", B},
    {"head", B},       {"header", B},   {"hr", V | B},    {"html", B},     {"img", V},
    {"input", V},      {"label", 0},    {"li", B},        {"link", V | H}, {"main", B},
    {"meta", V | H},   {"nav", B},      {"ol", B},        {"option", 0},   {"p", B},
    {"script", R | H}, {"section", B},  {"select", 0},    {"span", 0},     {"style", R | H},
    {"table", B},      {"tbody", B},    {"td", B},        {"textarea", E}, {"tfoot", B},
    {"th", B},         {"thead", B},    {"title", E | H}, {"tr", B},       {"ul", B},
}};

constexpr bool table_is_sorted() {
  for (std::size_t i = 1; i < kTags.size(); ++i)
    if (!(kTags[i - 1].name < kTags[i].name)) return false;
  return true;
}
static_assert(table_is_sorted(), "the known-tag table must stay sorted for binary search");

}  // namespace

TagId find_known_tag(std::string_view lower_name) noexcept {
  auto it =
      std::lower_bound(kTags.begin(), kTags.end(), lower_name,
                       [](const KnownTag& tag, std::string_view name) { return tag.name < name; });
  if (it == kTags.end() || it->name != lower_name) return TagId::kUnknown;
  return static_cast<TagId>(it - kTags.begin());
}

std::uint8_t tag_class(TagId id) noexcept {
  auto index = static_cast<int>(id);
  if (index < 0 || index >= kKnownTagCount) return 0;
  return kTags[index].classes;
}

std::string_view known_tag_name(TagId id) noexcept {
  auto index = static_cast<int>(id);
  if (index < 0 || index >= kKnownTagCount) return {};
  return kTags[index].name;
}

}  // namespace orlan

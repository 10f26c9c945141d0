#pragma once

// Internal: what the style stage keeps per document, and the pieces its files share.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "computed_style.h"
#include "document.h"
#include "rule_index.h"
#include "style_arena.h"
#include "style_sheet.h"

namespace orlan::style {

struct MatchedRule {
  std::uint32_t specificity = 0;
  std::uint32_t order = 0;  // origin * 2^24 + the rule's index in its sheet
  const css::StyleRule* rule = nullptr;
};

inline constexpr int kMaxMatchedRules = 256;
// Text produced by var() substitution beyond this size drops the declaration.
inline constexpr std::size_t kMaxSubstitutedText = 64 * 1024;
// Bytes of custom-property text a single substitution may read in all (references
// repeated at every level would otherwise multiply the work without bound).
inline constexpr std::size_t kMaxSubstitutionWork = 1024 * 1024;
inline constexpr int kMaxVarDepth = 8;
// The active arena may grow this much past its size after the last full restyle (and
// to more than twice that size) before the styles are compacted into the other arena.
inline constexpr std::size_t kCompactionGrowth = 1024 * 1024;

// Counters of the style pass, for tests and benchmarks.
struct StylePassStats {
  std::uint64_t elements_styled = 0;  // style computations (generated boxes included)
  std::uint64_t nodes_visited = 0;    // nodes the restyle walk looked at
  std::uint64_t styles_shared = 0;    // computations given back in favour of a sibling's
  std::uint64_t full_restyles = 0;
  std::uint64_t compactions = 0;
};

struct PayloadCacheEntry {
  std::uint64_t hash = 0;
  std::size_t size = 0;
  const void* data = nullptr;
};

struct StyleState {
  StyleArena arenas[2];
  int active = 0;
  std::size_t reference_size = 0;  // active arena size after the last full restyle

  RuleIndex user_agent_index;
  RuleIndex author_index;
  const css::StyleSheet* indexed_author = nullptr;
  std::uint32_t indexed_generation = 0;

  alignas(16) unsigned char initial_storage[sizeof(ComputedStyle)] = {};
  std::uint32_t sans_serif = 0;
  std::uint32_t marker_tag = 0, before_tag = 0, after_tag = 0;

  MatchedRule matched[kMaxMatchedRules];
  int matched_count = 0;

  std::string var_text;  // substitution output
  std::vector<CustomProperty> custom_scratch;

  // Payloads copied into the active arena, found again by their bytes, so equal lists
  // keep one address (style sharing and change detection compare pointers).
  static constexpr int kPayloadCacheSize = 256;
  PayloadCacheEntry payload_cache[kPayloadCacheSize];
  // Slots filled since the current computation began (given back if it is shared).
  static constexpr std::uint32_t kCacheLogSize = 64;
  std::uint16_t cache_log[kCacheLogSize] = {};
  std::uint32_t cache_log_count = 0;

  StylePassStats stats;

  // List numbering within one restyle walk: the item numbered last and how many items
  // precede it inclusive, so that the next item of the same list counts on from there.
  // A new walk (the tree may have changed since) starts over.
  std::uint32_t walk_serial = 1;
  struct {
    std::uint32_t serial = 0;
    const Node* item = nullptr;
    std::int64_t count = 0;
  } last_numbered;

  const ComputedStyle& initial() const {
    return *reinterpret_cast<const ComputedStyle*>(initial_storage);
  }
  StyleArena& arena() { return arenas[active]; }
};

// The document's style state, made on first use; null when out of memory.
StyleState* ensure_state(Document& document) noexcept;
inline StyleState* state_of(const Document& document) {
  return document.style_state;
}

// Copies `size` bytes into the active arena, or returns an earlier copy of the same
// bytes. Null when out of memory.
const void* intern_payload(StyleState& state, const void* data, std::size_t size) noexcept;
void clear_payload_cache(StyleState& state) noexcept;
// Forgets the cache entries made since cache_log_count was last set to 0.
void forget_logged_payloads(StyleState& state) noexcept;

// compute_style without the checks: the indexes are current.
ComputedStyle* compute_style_in_state(Document& document, StyleState& state, Node& element,
                                      const ComputedStyle* parent) noexcept;

template <class T>
const T* intern_array(StyleState& state, const T* items, std::size_t count) {
  if (!items || count == 0) return nullptr;
  return static_cast<const T*>(intern_payload(state, items, sizeof(T) * count));
}

// Indexes of the sheets, rebuilt when the author sheet changed or `force` is set.
void refresh_rule_indexes(Document& document, StyleState& state, bool force) noexcept;

// The style pass counters of a document (zero before its first pass).
const StylePassStats& style_pass_stats(const Document& document) noexcept;
void reset_style_pass_stats(Document& document) noexcept;

// Matches the sheets for `element` (kind 0) or for its pseudo-element `kind` into
// state.matched, sorted into cascade order.
void match_rules(Document& document, StyleState& state, const Node& element, int kind) noexcept;

// The style of a pseudo-element box of `owner` (kind 1 before, 2 after, 4 marker) from
// the owner's style; null when out of memory. With `require_match`, null also when no
// rule names the pseudo-element for this owner.
ComputedStyle* compute_pseudo_style(Document& document, Node& owner,
                                    const ComputedStyle& owner_style, int kind,
                                    bool require_match) noexcept;

// var() substitution of `text` with the custom properties of `style` into
// state.var_text. False when it fails (unknown name without fallback, a missing ")",
// nesting deeper than 8 levels, or more text than the limits allow).
bool substitute_var(const Document& document, StyleState& state, const ComputedStyle& style,
                    std::string_view text) noexcept;

}  // namespace orlan::style

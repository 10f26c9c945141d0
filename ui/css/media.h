#pragma once

// Media queries: parsing of an @media prelude and evaluation against the document's
// media state.

#include <cstdint>
#include <string_view>

namespace orlan::css {

struct MediaQuery {
  float min_width = -1;  // CSS pixels; -1: no limit
  float max_width = -1;
  float min_height = -1;
  float max_height = -1;
  uint8_t never = 0;         // used something unsupported: matches nothing
  uint8_t color_scheme = 0;  // 0 any, 1 dark, 2 light
  int8_t hover = -1;         // -1 any, 1 hover, 0 none
  int8_t pointer = -1;       // -1 any, 2 fine, 1 coarse, 0 none
  uint8_t orientation = 0;   // 0 any, 1 landscape, 2 portrait
};

struct MediaState {
  float width = 0;  // viewport, CSS pixels
  float height = 0;
  bool dark = false;
  bool coarse_pointer = false;
};

// `prelude` is the whole "@media ..." text; its first token is skipped.
MediaQuery parse_media_query(std::string_view prelude);

// A null query (a rule outside @media) always matches.
bool media_matches(const MediaQuery* query, const MediaState& state);

}  // namespace orlan::css

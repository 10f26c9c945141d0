#pragma once

// The style sheet turns every name (tags, attributes, ids, classes, keyframe and font
// names, strings) into a 32-bit atom of the document's atom table, so that matching and
// the cascade compare integers. The sheet reaches that table through this interface;
// the document supplies it. Atom 0 is the empty string and means none.

#include <cstdint>
#include <string_view>

namespace orlan::css {

class AtomInterner {
 public:
  virtual ~AtomInterner() = default;
  // Case-sensitive: ids, classes, attribute values, keyframe and font names, strings.
  virtual uint32_t intern(std::string_view text) = 0;
  // ASCII A-Z folded to lower case first: tag and attribute names.
  virtual uint32_t intern_lower(std::string_view text) = 0;
};

}  // namespace orlan::css

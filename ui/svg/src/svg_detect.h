#pragma once

#include <cstddef>
#include <cstdint>

namespace orlan::svg {

// True when the bytes are SVG text: after an optional UTF-8 byte-order mark, white space,
// "<?...?>" declarations, "<!--...-->" comments and other "<!...>" declarations, the text
// starts with "<svg" followed by white space, ">", "/" or the end of the data.
bool looks_like_svg(const std::uint8_t* bytes, std::size_t length);

}  // namespace orlan::svg

#pragma once

// Web addresses that come from outside (the update service's replies) are opened only when
// they are plainly web pages: an absolute http:// or https:// URL (scheme in any case)
// with a host, and no control characters or blanks anywhere. Anything else could make the
// shell start a local program, a script or a network-share path.

#include <string_view>

namespace tw {

bool is_openable_web_url(std::string_view url) noexcept;

}  // namespace tw

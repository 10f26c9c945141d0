#pragma once

// Web addresses that come from outside (the update service's replies) are opened only when
// they are plainly web pages: an absolute http:// or https:// URL (scheme in any case)
// with a host, and no control characters or blanks anywhere. Anything else could make the
// shell start a local program, a script or a network-share path.

#include <string_view>

namespace tw {

bool is_openable_web_url(std::string_view url) noexcept;

// Endpoints the program sends to (update and report services, and the variables that
// replace them): "https://" for any host, plain "http://" only for a loopback host
// (localhost, 127.0.0.0/8, [::1]), so a stray variable can never send anything unencrypted
// across a network. Schemes are compared byte-exact, as the HTTP client does.
bool is_allowed_endpoint(std::string_view url) noexcept;

}  // namespace tw

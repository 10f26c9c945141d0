#pragma once

// The launcher's one request to the update service, through WinINet. Kept apart from
// everything else: WinINet's header cannot share a translation unit with WinHTTP's.

#include <string>
#include <string_view>

namespace twsvc {

// GET `url` with the launcher's user agent, a direct connection, no cache, and
// `header_block` as extra headers; the status code is not looked at. The body comes back
// one character per byte, at most its first 4 MiB; empty when the session or the request
// cannot be opened.
std::string fetch_with_wininet(std::u16string_view url, std::u16string_view header_block);

}  // namespace twsvc

#pragma once

// What the launcher sends to the update service: endpoint, user agent, header block and the
// main program's version text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace twsvc {

// The built-in endpoint; the environment variable TAPWRIGHT_UPDATE_URL replaces it (the
// main program's update check honours the same variable).
inline constexpr std::u16string_view kDefaultUpdateEndpoint =
    u"https://update.orlannet.com/api.init.php";
inline constexpr char16_t kUpdateEndpointVariable[] = u"TAPWRIGHT_UPDATE_URL";

// The browser-like user agent of the launcher's session (an ANSI string for the session call).
inline constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/115.0.0.0 Safari/537.36";

// The override when it is set and not blank (trimmed), else the built-in endpoint. An
// override that is neither an https URL nor a plain http URL to a loopback host gives the
// empty text: the check asks nothing.
std::u16string choose_update_endpoint(std::optional<std::u16string_view> override_value);

// "User-Version: " version CR LF "User-Debug: false" CR LF "User-Union: " identifier, with
// no line end after the last header. An empty identifier still sends the header, empty; so
// does one holding a CR, LF or NUL (it could inject a header line).
std::u16string request_header_block(std::u16string_view version, std::u16string_view identifier);

// The fixed file version as "major.minor.build.revision" from its two double-words.
std::u16string format_file_version(std::uint32_t version_ms, std::uint32_t version_ls);

// Version sent when the main program carries no version resource.
inline constexpr std::u16string_view kNoVersion = u"0.0.0.0";

}  // namespace twsvc

#include "web_url.h"
#include "ascii.h"

namespace tw {

namespace {}  // namespace

bool is_openable_web_url(std::string_view url) noexcept {
  for (char c : url) {
    auto byte = static_cast<unsigned char>(c);
    // C0 controls, blank and DEL; a shell would split or reinterpret them.
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  std::string_view rest;
  if (ascii_istarts_with(url, "http://")) {
    rest = url.substr(7);
  } else if (ascii_istarts_with(url, "https://")) {
    rest = url.substr(8);
  } else {
    return false;
  }
  // The authority ends at the first "/", "?" or "#"; after any "user@" it must name a host.
  std::size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  if (!host.empty() && host.front() == '[') {
    std::size_t close = host.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    return close + 1 == host.size() || host[close + 1] == ':';
  }
  host = host.substr(0, host.find(':'));
  if (host.empty()) return false;
  // "\\" would turn http:\\server\share-like forms into UNC paths on some shells.
  return host.find('\\') == std::string_view::npos;
}

}  // namespace tw

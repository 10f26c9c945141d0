#include "web_url.h"
#include "ascii.h"

namespace tw {

namespace {

// The host of an authority-led URL remainder ("host[:port][/...]"), brackets kept.
std::string_view host_of(std::string_view rest) noexcept {
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority = authority.substr(at + 1);
  }
  if (!authority.empty() && authority.front() == '[') {
    std::size_t close = authority.find(']');
    return close == std::string_view::npos ? std::string_view() : authority.substr(0, close + 1);
  }
  return authority.substr(0, authority.find(':'));
}

// 127.a.b.c in dotted decimal, each part 0..255.
bool is_loopback_ipv4(std::string_view host) noexcept {
  int parts = 0;
  std::size_t pos = 0;
  while (pos <= host.size()) {
    std::size_t end = host.find('.', pos);
    if (end == std::string_view::npos) end = host.size();
    std::string_view part = host.substr(pos, end - pos);
    if (part.empty() || part.size() > 3) return false;
    int value = 0;
    for (char c : part) {
      if (!is_ascii_digit(c)) return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255 || (parts == 0 && value != 127)) return false;
    ++parts;
    pos = end + 1;
  }
  return parts == 4;
}

bool is_loopback_host(std::string_view host) noexcept {
  return ascii_iequals(host, "localhost") || host == "[::1]" || is_loopback_ipv4(host);
}

}  // namespace

bool is_allowed_endpoint(std::string_view url) noexcept {
  for (char c : url) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  if (url.starts_with("https://")) return !host_of(url.substr(8)).empty();
  if (url.starts_with("http://")) return is_loopback_host(host_of(url.substr(7)));
  return false;
}

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

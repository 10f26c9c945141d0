#include "request.h"

#include "utf.h"
#include "web_url.h"

namespace twsvc {

namespace {

bool is_blank(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

std::u16string_view trim(std::u16string_view text) noexcept {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

void append_decimal(std::u16string& out, unsigned value) {
  char16_t digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

std::u16string choose_update_endpoint(std::optional<std::u16string_view> override_value) {
  if (override_value) {
    std::u16string_view trimmed = trim(*override_value);
    if (!trimmed.empty()) {
      // Plain http only to this computer (a test server); anything else is no endpoint.
      if (!tw::is_allowed_endpoint(tw::utf16_to_utf8(trimmed))) return {};
      return std::u16string(trimmed);
    }
  }
  return std::u16string(kDefaultUpdateEndpoint);
}

std::u16string request_header_block(std::u16string_view version, std::u16string_view identifier) {
  // A line break (or a NUL, which would cut the block short) in the stored identifier
  // could inject a header; such an identifier is sent as none, as when the registry
  // cannot give one.
  if (identifier.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos) {
    identifier = {};
  }
  std::u16string block = u"User-Version: ";
  block += version;
  block += u"\r\nUser-Debug: false\r\nUser-Union: ";
  block += identifier;
  return block;
}

std::u16string format_file_version(std::uint32_t version_ms, std::uint32_t version_ls) {
  std::u16string text;
  append_decimal(text, version_ms >> 16);
  text += u'.';
  append_decimal(text, version_ms & 0xFFFF);
  text += u'.';
  append_decimal(text, version_ls >> 16);
  text += u'.';
  append_decimal(text, version_ls & 0xFFFF);
  return text;
}

}  // namespace twsvc

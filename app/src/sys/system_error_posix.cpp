#include "system_error.h"

#include <cerrno>
#include <cstring>

namespace tw::sys {

std::string system_error_text(std::uint32_t code) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  if (text == nullptr || *text == '\0') return "error " + std::to_string(code);
  return text;
}

std::uint32_t last_error_code() {
  return static_cast<std::uint32_t>(errno);
}

}  // namespace tw::sys

#include "system_error.h"

#include "utf.h"
#include "win32_include.h"

namespace tw::sys {

std::string system_error_text(std::uint32_t code) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message;
  if (length != 0 && text != nullptr) message.assign(text, length);
  if (text != nullptr) LocalFree(text);
  // System texts end with CR LF (sometimes after a full stop and a blank).
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  if (message.empty()) return "error " + std::to_string(code);
  return tw::utf16_to_utf8(message);
}

std::uint32_t last_error_code() {
  return GetLastError();
}

}  // namespace tw::sys

#include "system_error.h"

#include "utf.h"
#include "win32_include.h"

namespace tw::sys {

namespace {

// FormatMessageW's text without the CR LF (sometimes after a full stop and a blank) that
// system texts end with; empty when there is none.
std::string format_message(DWORD source, const void* module, std::uint32_t code) {
  wchar_t* text = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS,
                     module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message;
  if (length != 0 && text != nullptr) message.assign(text, length);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  return tw::utf16_to_utf8(message);
}

}  // namespace

std::string system_error_text(std::uint32_t code) {
  std::string message = format_message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  if (message.empty()) return "error " + std::to_string(code);
  return message;
}

std::string module_error_text(const void* module, std::uint32_t code) {
  if (module == nullptr) return {};
  return format_message(FORMAT_MESSAGE_FROM_HMODULE, module, code);
}

std::uint32_t last_error_code() {
  return GetLastError();
}

}  // namespace tw::sys

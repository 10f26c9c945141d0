#include <string>

#include "scrub.h"
#include "utf.h"
#include "win32_include.h"

namespace olib::except {

UserEnvironment current_user_environment() {
  // The wide environment: values are UTF-16 there whatever the code page.
  auto read = [](const wchar_t* name) -> std::optional<std::string> {
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    std::wstring value(needed, L'\0');
    DWORD got = GetEnvironmentVariableW(name, value.data(), needed);
    if (got >= needed) return std::nullopt;
    value.resize(got);
    return tw::utf16_to_utf8(std::wstring_view(value));
  };
  return UserEnvironment{read(L"USERPROFILE"), read(L"HOME"), read(L"USERNAME"), read(L"USER")};
}

}  // namespace olib::except

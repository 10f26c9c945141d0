#include "system_theme.h"

#include "win32_include.h"

namespace tw::sys {

bool system_prefers_dark() {
  DWORD value = 1;
  DWORD size = sizeof value;
  LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
  return status == ERROR_SUCCESS && value == 0;
}

}  // namespace tw::sys

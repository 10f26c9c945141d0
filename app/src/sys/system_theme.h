#pragma once

// The system's app theme: the value AppsUseLightTheme under HKEY_CURRENT_USER, key
// Software\Microsoft\Windows\CurrentVersion\Themes\Personalize.

namespace tw::sys {

// True when AppsUseLightTheme reads as the DWORD 0; false (light) when it is non-zero,
// missing or unreadable.
bool system_prefers_dark();

}  // namespace tw::sys

#pragma once

// The main window: a fixed-size top-level window whose client area is the engine's view of
// the main screen. Its procedure routes close, session end, size, activation, the run
// timer, the hotkeys, DPI and theme changes to the view and to the screen's callbacks,
// which live in slots of the UI thread.

#include <memory>
#include <string>

#include "main_screen.h"
#include "screen_view.h"
#include "win32_include.h"

namespace tw::wnd {

inline constexpr const wchar_t* kMainWindowClass = L"TFrmTapwright";
// Caption, system menu and minimise box: no resizing frame, no maximise box.
inline constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(kMainWindowStyle == 0x00CA0000);

// Registers the class (icon resource 1 of the executable, else the system's application
// icon) and creates the window with `title`, its client area 611 x 463 scaled for the
// window's DPI, centred on the nearest monitor's work area, with a dark title bar. The
// window is not shown. Null when it cannot be created.
HWND create_main_window(const std::wstring& title);

// The UI thread's slots. Installing a view destroys the one installed before; the
// callbacks replace the installed ones (an empty function empties its slot).
void install_view(std::unique_ptr<ScreenView> view);
ScreenView* installed_view() noexcept;
void install_callbacks(ScreenCallbacks callbacks);
// Empties the callback slots, then destroys the installed view (document first, then
// its handlers).
void release_view();

// Sets the document's preferred colour scheme from the system's app theme.
void apply_system_theme(orlan::Document* document);

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);

}  // namespace tw::wnd

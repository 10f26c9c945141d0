#pragma once

// The main window: a fixed-size top-level window whose client area is the engine's view of
// the main screen. Its procedure routes close, session end, size, activation, the run
// timer, the hotkeys, DPI and theme changes to the view and to the screen's callbacks,
// which live in slots of the UI thread.

#include <memory>
#include <string>

#include "main_screen.h"
#include "message_dialog_options.h"
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

// Wraps the message dialog's `show` so that a message (OK only) raised while its owner is
// still hidden waits for the window: it counts as shown at once and comes up once
// show_main_window() has shown the window. Questions are shown at once.
ShowDialog show_once_window_visible(ShowDialog show);
// Shows the window, then (posted to it) the messages that waited for it.
void show_main_window(HWND window);

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

// Inside a catch block: the exception being handled is a fault outside the page's handlers.
// A fatal internal error was reported when it was raised; anything else (a failed
// allocation, a stray exception) is reported here through the same fatal-error facility, so
// the crash reporter sees it. Then it is written to standard error with "[wnd] ". The caller
// ends the program.
void report_current_exception() noexcept;

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM w, LPARAM l);

}  // namespace tw::wnd

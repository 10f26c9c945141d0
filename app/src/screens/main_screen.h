#pragma once

// The main screen as a whole: the page and its stylesheet (both compiled in), the logo, and
// building the screen on a loaded document: options, hotkeys, the click list, every event
// binding, the update check, and the callbacks the main window routes to it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "screen_context.h"
#include "screen_view.h"

namespace tw {

// The page template expanded for the language's catalogue column.
std::string main_page_html(std::string_view language);
// The stylesheet: the common part followed by the screen's own part.
std::string_view main_stylesheet();
// The logo's SVG text, registered as "logo.svg" before the page is used.
std::string_view logo_svg();

// What the main window calls: closing (at most once: later calls do nothing), a hotkey
// message (its id) and a tick of the run timer (id 1).
struct ScreenCallbacks {
  std::function<void()> close;
  std::function<void(int id)> hotkey;
  std::function<void()> timer;
};

// Builds the screen on the view's loaded document. `context.state` is the window's fresh
// AppState (its language and window already set); `context.shell` must be set (a null
// shell is a fatal internal error); `app_name` is the localised app.name. In order: the logo
// is registered as "logo.svg", the notification setup runs (a failure is one "[toast] "
// line on standard error), options and hotkeys are read from the settings and shown, empty
// delay inputs get 00:01.00, `repeat` gets its placeholder, the list file
// (`context.list_path`, else the default one) is loaded and the table rendered, every page
// event is bound, both hotkeys are registered, the status shows "Waiting", and the update
// check is started. A failure to start the update thread is a fatal internal error ("failed
// to spawn thread"). Messages (a list file that cannot be read or was past the load's
// limits, a hotkey another program holds) are shown through `context.dialog` with the
// state released.
ScreenCallbacks build_main_screen(ScreenView& view, const ScreenContext& context,
                                  std::string_view app_name);

}  // namespace tw

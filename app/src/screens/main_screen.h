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

// What the main window calls: closing (at most once), a hotkey message (its id) and a tick
// of the run timer (id 1).
struct ScreenCallbacks {
  std::function<void()> close;
  std::function<void(int id)> hotkey;
  std::function<void()> timer;
};

// Builds the screen on the view's loaded document. `context.state` is the window's fresh
// AppState; `app_name` is the localised app.name. A failure to start the update thread is a
// fatal internal error ("failed to spawn thread").
ScreenCallbacks build_main_screen(ScreenView& view, const ScreenContext& context,
                                  std::string_view app_name);

}  // namespace tw

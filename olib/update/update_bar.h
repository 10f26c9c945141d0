#pragma once

// The update bar (Windows only): a thin clickable strip glued under (or above) the host
// window, on a thread of its own ("olib-update-bar"). Only one bar exists at a time.

#include "update_request.h"

#include <optional>
#include <string_view>

struct HWND__;

namespace olib::update {

// Replaces any bar shown with a new one for `host`. Errors: "empty_url", "bad_url" (not an
// http(s) web address), "no_host" (null or no longer a window), "spawn_failed".
std::optional<UpdateError> show_update_bar(HWND__* host, std::string_view url,
                                           std::string_view label);

// The bar window now shown, or null (for tests and diagnostics).
HWND__* current_update_bar();

}  // namespace olib::update

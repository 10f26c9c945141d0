#pragma once

// What closing the main window does to the screen: the run stops (silently), both global
// hotkeys are unregistered and the list is written to the default list file (an empty
// list deletes it). A failed write shows msg.error in the message dialog. A list file that
// was there but not all read when the screen was built (it could not be read, or only its
// first entries were loaded) is never deleted, and is moved aside (Tapwright.lst.bak) before
// the list is written.

#include <optional>

#include "file_path.h"
#include "screen_context.h"

namespace tw {

// `list_path`: where the list goes; nullopt is the default list file beside the program.
void close_screen(const ScreenContext& context,
                  const std::optional<sys::FilePath>& list_path = std::nullopt);

}  // namespace tw

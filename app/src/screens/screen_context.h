#pragma once

// Everything the main screen's handlers work with: the shared state, the page and the
// desktop services of the main window. Handlers copy it; the main window keeps every
// referenced object alive as long as its view.

#include <optional>

#include "app_state.h"
#include "click_list.h"
#include "desktop.h"
#include "file_path.h"
#include "message_dialog.h"
#include "notifier.h"
#include "orlan/orlan.h"
#include "page.h"
#include "settings_store.h"
#include "shell.h"

namespace tw {

struct ScreenContext {
  SharedAppState* state;
  orlan::Document* document;
  Desktop* desktop;
  Notifier* notifier;
  MessageDialog* dialog;
  SettingsStore* settings;
  Shell* shell = nullptr;  // web pages, file dialogs, row menu, notifications, update
  // The list loaded when the screen is built and written when it closes; nullopt is the
  // default list file beside the program.
  std::optional<sys::FilePath> list_path = std::nullopt;
  // How much of a list file a load takes, at start and with Open.
  ListLimits list_limits{};

  Page page() const noexcept { return Page(document); }
};

}  // namespace tw

#pragma once

// The update check of the main program (Windows only): once per start, on its own thread,
// ask the update service, show the update bar and/or the update dialog, send "hold" when
// the dialog's check box was ticked, and when the user accepts, open the download in the
// browser and close the host window (WM_CLOSE: the program ends through its own close
// path) or, when there is no host window any more, end the process with 0. Every failure
// is one "[update] " line on standard error.

#include "update_request.h"

#include <string>
#include <string_view>

struct HWND__;

namespace olib::update {

// Starts the check on a detached thread ("olib-update") and returns at once. `language` is
// the interface language tag, `title` the dialog's window title, `host` the main window
// (the bar's host and the dialog's owner while it is still a window). False when the thread
// cannot be started (after its "[update] " line).
bool run_update_check(std::string language, std::string title, HWND__* host);

struct UpdateCheckOutcome {
  bool accepted = false;   // the user chose Yes in the update dialog
  std::string update_url;  // what to open then
};

// The check's steps on the calling thread, without the final opening and exit:
// request, parse, bar, dialog, "hold" request. run_update_check is this plus the ending.
UpdateCheckOutcome check_for_update(const UpdateConfig& config, std::string_view title,
                                    HWND__* host);

}  // namespace olib::update

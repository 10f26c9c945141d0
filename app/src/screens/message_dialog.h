#pragma once

// The application's modal message and confirmation dialog. The main window supplies the
// real one (a task dialog owned by the main window). A dialog pumps messages: nobody may
// hold the screen's state while showing one.

#include <string>

#include "click_list.h"

namespace tw {

class MessageDialog {
 public:
  virtual ~MessageDialog() = default;
  // An information message with OK.
  virtual void show_message(const std::string& text) = 0;
  // A Yes/No question; true only for Yes (a dialog that cannot be shown counts as No).
  virtual bool ask_yes_no(const std::string& text) = 0;

  // Adapters for the list operations.
  ShowMessage message_callback() {
    return [this](const std::string& text) { show_message(text); };
  }
  AskYesNo question_callback() {
    return [this](const std::string& text) { return ask_yes_no(text); };
  }
};

}  // namespace tw

#include "screen_close.h"

#include "hotkeys.h"
#include "runner.h"

namespace tw {

void close_screen(const ScreenContext& context,
                  const std::optional<sys::FilePath>& list_path) {
  stop_run(context, StopCause::kWindowClose);
  unregister_hotkeys(context);
  // The failure dialog pumps messages: save a copy, not while holding the state.
  ClickList list;
  std::string language;
  OldFile old_file = OldFile::kReplace;
  {
    SharedAppState::Access state = context.state->access();
    list = state->list;
    language = state->language;
    if (state->list_file_not_all_read) old_file = OldFile::kKeep;
  }
  save_list(list, list_path, language, context.dialog->message_callback(), old_file);
}

}  // namespace tw

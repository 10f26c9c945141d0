#include "screen_list.h"

#include <string>
#include <utility>

#include "catalog.h"
#include "click_table.h"
#include "decimal.h"
#include "fatal.h"

namespace tw {

namespace {

constexpr std::int32_t kRightButton = 2;

FileDialogTexts file_dialog_texts(std::string_view title_key, std::string_view language) {
  return FileDialogTexts{std::string(i18n::text(title_key, language)),
                         std::string(i18n::text("group.record", language))};
}

Shell& shell_of(const ScreenContext& context) {
  ensure(context.shell != nullptr, "main screen without a shell");
  return *context.shell;
}

// Puts a load into the state (unless a run started meanwhile: a run's list is not replaced)
// and returns the text to show once the state is released.
std::string apply_load(const ScreenContext& context, ListLoad load) {
  SharedAppState::Access state = context.state->access();
  if (state->running) return {};
  if (load.apply_to(state->list)) render_click_table(context.page(), state->list, state->language, state->shown_table);
  return std::move(load.error);
}

void clear_clicked(const ScreenContext& context) {
  std::string question;
  {
    SharedAppState::Access state = context.state->access();
    if (state->running || state->list.empty()) return;
    question = i18n::text("msg.clear_all", state->language);
  }
  if (!context.dialog->ask_yes_no(question)) return;
  SharedAppState::Access state = context.state->access();
  // The dialog's loop may have let a hotkey start a run: a run's list stays as it is.
  if (state->running) return;
  state->list.clear();
  render_click_table(context.page(), state->list, state->language, state->shown_table);
}

void open_clicked(const ScreenContext& context) {
  std::string language;
  {
    SharedAppState::Access state = context.state->access();
    if (state->running) return;
    language = state->language;
  }
  std::optional<sys::FilePath> path =
      shell_of(context).choose_list_to_open(file_dialog_texts("btn.open", language));
  if (!path) return;
  std::string error = apply_load(context, load_list(*path, language, context.list_limits));
  if (!error.empty()) context.dialog->show_message(error);
}

void save_clicked(const ScreenContext& context) {
  std::string language = context.state->access()->language;
  std::optional<sys::FilePath> path =
      shell_of(context).choose_list_to_save(file_dialog_texts("btn.save", language));
  if (!path) return;
  // The list as it is now (entries may have been added while the dialog was open), saved
  // from a copy: the failure message pumps messages.
  ClickList list = context.state->access()->list;
  save_list(list, *path, language, context.dialog->message_callback());
}

void perform_row_command(ClickList& list, RowCommand command, std::size_t index) {
  switch (command) {
    case RowCommand::kMoveUp:
      list.move_up(index);
      break;
    case RowCommand::kMoveDown:
      list.move_down(index);
      break;
    case RowCommand::kDelete:
      list.remove(index);
      break;
    case RowCommand::kNone:
      break;
  }
}

void rows_pressed(const ScreenContext& context, PageEvent& event) {
  std::optional<std::size_t> index = row_index_at(event.target);
  if (!index) return;
  Page page = context.page();
  RowMenuTexts texts;
  {
    SharedAppState::Access state = context.state->access();
    if (state->running || *index >= state->list.size()) return;
    state->list.set_marker(*index);
    render_click_table(page, state->list, state->language, state->shown_table);
    if (orlan::event_button(event.event) != kRightButton) return;
    texts = RowMenuTexts{std::string(i18n::text("menu.up", state->language)),
                         std::string(i18n::text("menu.down", state->language)),
                         std::string(i18n::text("menu.delete", state->language))};
  }
  RowCommand command = shell_of(context).track_row_menu(texts);
  if (command == RowCommand::kNone) return;
  SharedAppState::Access state = context.state->access();
  // The menu's loop dispatches hotkey messages: a run started meanwhile keeps its list.
  if (state->running) return;
  perform_row_command(state->list, command, *index);
  render_click_table(page, state->list, state->language, state->shown_table);
}

}  // namespace

void load_list_into_screen(const ScreenContext& context) {
  std::string language = context.state->access()->language;
  ListLoad load = load_list(context.list_path, language, context.list_limits);
  context.state->access()->list_file_not_all_read = load.not_all_read();
  std::string error = apply_load(context, std::move(load));
  if (!error.empty()) context.dialog->show_message(error);
}

std::optional<std::size_t> row_index_at(orlan::Node* element) {
  for (orlan::Node* node = element; node != nullptr; node = orlan::parent(node)) {
    std::size_t length = 0;
    const char* text = orlan::get_attribute(node, "data-i", 6, &length);
    if (text == nullptr) continue;
    std::string_view digits(text, length);
    // Unsigned: a "+" is taken, a "-" never.
    if (!digits.empty() && digits.front() == '-') return std::nullopt;
    return parse_decimal<std::size_t>(digits);
  }
  return std::nullopt;
}

void bind_list_events(ScreenView& view, const ScreenContext& context) {
  view.on("btn-clear", "click", [context](PageEvent&) { clear_clicked(context); });
  view.on("btn-open", "click", [context](PageEvent&) { open_clicked(context); });
  view.on("btn-save", "click", [context](PageEvent&) { save_clicked(context); });
  view.on("rows", "mousedown", [context](PageEvent& event) { rows_pressed(context, event); });
}

}  // namespace tw

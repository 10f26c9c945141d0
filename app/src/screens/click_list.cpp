#include "click_list.h"

#include <utility>

#include "catalog.h"
#include "fatal.h"
#include "file_io.h"
#include "module_path.h"
#include "system_error.h"

namespace tw {

namespace {

constexpr const char* kListFileName = "Tapwright.lst";

std::filesystem::path chosen_path(const std::optional<std::filesystem::path>& path) {
  return path ? *path : default_list_path();
}

// The description of a failed file call as the message dialog shows it.
std::string failure_text(const sys::FileResult& result) {
  if (result.status == sys::FileStatus::ShortWrite) return std::string(kShortWriteText);
  return sys::system_error_text(result.error);
}

}  // namespace

const ClickEntry& ClickList::at(std::size_t index) const {
  ensure(index < m_entries.size(), "click list index out of range");
  return m_entries[index];
}

void ClickList::set_marker(std::size_t index) {
  ensure(index < m_entries.size(), "row marker past the end of the click list");
  m_marked = index;
}

void ClickList::append(const ClickEntry& entry) {
  m_entries.push_back(entry);
}

void ClickList::replace(std::vector<ClickEntry> entries) {
  m_entries = std::move(entries);
  m_marked.reset();
}

bool ClickList::move_up(std::size_t index) {
  if (index == 0 || index >= m_entries.size()) return false;
  std::swap(m_entries[index - 1], m_entries[index]);
  m_marked = index - 1;
  return true;
}

bool ClickList::move_down(std::size_t index) {
  if (index + 1 >= m_entries.size()) return false;
  std::swap(m_entries[index], m_entries[index + 1]);
  m_marked = index + 1;
  return true;
}

bool ClickList::remove(std::size_t index) {
  if (index >= m_entries.size()) return false;
  m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
  m_marked.reset();
  return true;
}

void ClickList::clear() noexcept {
  m_entries.clear();
  m_marked.reset();
}

std::filesystem::path default_list_path_beside(const std::filesystem::path& executable) {
  if (executable.empty() || !executable.has_parent_path()) return kListFileName;
  return executable.parent_path() / kListFileName;
}

std::filesystem::path default_list_path() {
  return default_list_path_beside(sys::executable_path());
}

std::string list_error_text(std::string_view language, std::string_view description) {
  std::string text(i18n::text("msg.error", language));
  text += '\n';
  text.append(description);
  return text;
}

bool ListLoad::apply_to(ClickList& list) {
  if (status != Status::kLoaded) return false;
  list.replace(std::move(entries));
  entries.clear();
  return true;
}

ListLoad load_list(const std::optional<std::filesystem::path>& path, std::string_view language) {
  ListLoad load;
  sys::FileRead read = sys::read_whole_file(chosen_path(path));
  // No file yet (the first start) or no access: nothing to load and nothing to say.
  if (read.result.status == sys::FileStatus::CannotOpen) return load;
  if (!read.result.ok()) {
    load.status = ListLoad::Status::kFailed;
    load.error = list_error_text(language, failure_text(read.result));
    return load;
  }
  std::optional<std::vector<ClickEntry>> entries = read_list_text(read.bytes);
  if (!entries) {
    load.status = ListLoad::Status::kFailed;
    load.error = list_error_text(language, kInvalidUtf8Text);
    return load;
  }
  load.status = ListLoad::Status::kLoaded;
  load.entries = std::move(*entries);
  return load;
}

void save_list(const ClickList& list, const std::optional<std::filesystem::path>& path,
               std::string_view language, const ShowMessage& show_message) {
  std::filesystem::path target = chosen_path(path);
  if (list.empty()) {
    sys::remove_file_quietly(target);
    return;
  }
  sys::FileResult result = sys::replace_file(target, write_list_text(list.entries()));
  if (!result.ok()) show_message(list_error_text(language, failure_text(result)));
}

bool clear_list(ClickList& list, std::string_view language, const AskYesNo& ask) {
  if (list.empty()) return false;
  if (!ask(std::string(i18n::text("msg.clear_all", language)))) return false;
  list.clear();
  return true;
}

}  // namespace tw

#include "click_list.h"

#include <cstdio>
#include <utility>

#include "catalog.h"
#include "fatal.h"
#include "file_io.h"
#include "module_path.h"
#include "system_error.h"

namespace tw {

namespace {

constexpr const char* kListFileName = "Tapwright.lst";

sys::FilePath chosen_path(const std::optional<sys::FilePath>& path) {
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

sys::FilePath default_list_path_beside(const sys::FilePath& executable) {
  if (executable.empty() || !executable.has_parent_path()) return sys::path_from_utf8(kListFileName);
  return executable.parent_path() / sys::path_from_utf8(kListFileName);
}

sys::FilePath default_list_path() {
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

ListLoad load_list(const std::optional<sys::FilePath>& path, std::string_view language) {
  ListLoad load;
  sys::FileRead read = sys::read_whole_file(chosen_path(path));
  // No file yet (the first start) or no access: nothing to load and nothing to say. A file
  // that is there but held by another program is remembered: it must not be lost at close.
  if (read.result.status == sys::FileStatus::CannotOpen) {
    if (sys::file_exists(chosen_path(path))) load.status = ListLoad::Status::kLocked;
    return load;
  }
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

std::optional<sys::FilePath> move_aside(const sys::FilePath& path, std::string& error) {
  const std::string name = sys::path_to_utf8(path);
  for (int n = 1; n < 1000; ++n) {
    sys::FilePath aside =
        sys::path_from_utf8(n == 1 ? name + ".bak" : name + "." + std::to_string(n) + ".bak");
    if (sys::file_exists(aside)) continue;
    sys::FileResult moved = sys::move_file(path, aside);
    if (!moved.ok()) {
      error = failure_text(moved);
      return std::nullopt;
    }
    return aside;
  }
  error = "no free name";
  return std::nullopt;
}

void save_list(const ClickList& list, const std::optional<sys::FilePath>& path,
               std::string_view language, const ShowMessage& show_message, OldFile old_file) {
  sys::FilePath target = chosen_path(path);
  if (old_file == OldFile::kKeep) {
    // What the user saved there was never read: it is not deleted, nor written over
    // before a copy of it is safe.
    if (list.empty()) return;
    if (sys::file_exists(target)) {
      std::string error;
      std::optional<sys::FilePath> aside = move_aside(target, error);
      if (!aside) {
        std::fprintf(stderr, "[list] 읽지 못한 목록 파일을 옮기지 못해 그대로 둡니다 (%s): %s\n",
                     sys::path_to_utf8(target).c_str(), error.c_str());
        std::fflush(stderr);
        return;
      }
      std::fprintf(stderr, "[list] 읽지 못한 목록 파일을 %s(으)로 옮겨 두었습니다\n",
                   sys::path_to_utf8(*aside).c_str());
      std::fflush(stderr);
    }
  }
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

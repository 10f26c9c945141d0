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

// "16 MiB" for whole mebibytes, else "<n> bytes".
std::string size_text(std::size_t bytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  if (bytes != 0 && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
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

std::string too_many_entries_text(std::size_t max_entries) {
  std::string count = std::to_string(max_entries);
  return "the file holds more than " + count + " entries; only the first " + count + " were loaded";
}

std::string too_many_bytes_text(std::size_t max_bytes) {
  std::string size = size_text(max_bytes);
  return "the file is larger than " + size + "; only the entries in its first " + size +
         " were loaded";
}

ListLoad load_list(const std::optional<sys::FilePath>& path, std::string_view language,
                   const ListLimits& limits) {
  ListLoad load;
  sys::FileRead read = sys::read_file_start(chosen_path(path), limits.max_bytes);
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
  std::string_view text = read.bytes;
  // The byte limit cut the file: what follows the last line break read is a line cut short,
  // perhaps inside a character, and is neither parsed nor checked as UTF-8.
  if (read.more) {
    std::size_t last_break = text.rfind('\n');
    text =
        last_break == std::string_view::npos ? std::string_view{} : text.substr(0, last_break + 1);
  }
  std::optional<ListText> list = read_list_text(text, limits.max_entries);
  if (!list) {
    load.status = ListLoad::Status::kFailed;
    load.error = list_error_text(language, kInvalidUtf8Text);
    return load;
  }
  load.status = ListLoad::Status::kLoaded;
  load.entries = std::move(list->entries);
  load.capped = list->capped || read.more;
  if (list->capped) {
    load.error = list_error_text(language, too_many_entries_text(limits.max_entries));
  } else if (read.more) {
    load.error = list_error_text(language, too_many_bytes_text(limits.max_bytes));
  }
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
    // What the user saved there was not all read: it is not deleted, nor written over
    // before a copy of it is safe.
    if (list.empty()) return;
    if (sys::file_exists(target)) {
      std::string error;
      std::optional<sys::FilePath> aside = move_aside(target, error);
      if (!aside) {
        std::fprintf(stderr, "[list] 다 읽지 못한 목록 파일을 옮기지 못해 그대로 둡니다 (%s): %s\n",
                     sys::path_to_utf8(target).c_str(), error.c_str());
        std::fflush(stderr);
        return;
      }
      std::fprintf(stderr, "[list] 다 읽지 못한 목록 파일을 %s(으)로 옮겨 두었습니다\n",
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

#pragma once

// The click list of the main screen with its row marker, the list operations of the row
// context menu and the Clear button, and loading and saving list files.
//
// The list operations are only called while no run is in progress (the context menu and the
// Clear button do nothing during a run); the caller re-renders the click table after any
// change. Nothing is written to disk until save_list.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "area.h"
#include "file_path.h"

namespace tw {

class ClickList {
 public:
  const std::vector<ClickEntry>& entries() const noexcept { return m_entries; }
  std::size_t size() const noexcept { return m_entries.size(); }
  bool empty() const noexcept { return m_entries.empty(); }
  // Entry `index`; an index past the end is a fatal internal error.
  const ClickEntry& at(std::size_t index) const;

  // The row marker: the row drawn active and, during a record run, the entry being played.
  // nullopt when no row is marked. It always designates an existing entry.
  std::optional<std::size_t> marked_row() const noexcept { return m_marked; }
  // Marks row `index`; an index past the end is a fatal internal error.
  void set_marker(std::size_t index);
  void clear_marker() noexcept { m_marked.reset(); }

  // Pushes at the end (the add-record hotkey). The marker stays where it was.
  void append(const ClickEntry& entry);
  // Replaces every entry (loading a file); clears the marker.
  void replace(std::vector<ClickEntry> entries);
  // Swaps `index` with the row above and marks it there. False (nothing changes) for row 0
  // or an index past the end.
  bool move_up(std::size_t index);
  // Swaps `index` with the row below and marks it there. False for the last row or past it.
  bool move_down(std::size_t index);
  // Removes `index`; later rows move up; clears the marker. False for an index past the end.
  bool remove(std::size_t index);
  // Empties the list and clears the marker.
  void clear() noexcept;

 private:
  std::vector<ClickEntry> m_entries;
  std::optional<std::size_t> m_marked;
};

// Shows a text in the application's modal message dialog.
using ShowMessage = std::function<void(const std::string& text)>;
// Asks a Yes/No question in the message dialog; true for Yes.
using AskYesNo = std::function<bool(const std::string& text)>;

// Descriptions of the failures that have no system error code.
inline constexpr std::string_view kInvalidUtf8Text = "stream did not contain valid UTF-8";
inline constexpr std::string_view kShortWriteText = "failed to write whole buffer";

// How much of a list file one load takes, so that a huge file still opens the window at
// once. The bytes hold 100000 entries of the longest form the program writes (47 bytes with
// CR LF) more than three times over.
inline constexpr std::size_t kMaxLoadedEntries = 100000;
inline constexpr std::size_t kMaxLoadedBytes = std::size_t{16} << 20;

struct ListLimits {
  std::size_t max_entries = kMaxLoadedEntries;
  std::size_t max_bytes = kMaxLoadedBytes;
};

// The descriptions of a load that stopped at a limit, with the limit's own figure:
// "the file holds more than 100000 entries; only the first 100000 were loaded" and
// "the file is larger than 16 MiB; only the entries in its first 16 MiB were loaded".
std::string too_many_entries_text(std::size_t max_entries);
std::string too_many_bytes_text(std::size_t max_bytes);

// "Tapwright.lst" beside the executable; the relative "Tapwright.lst" when the executable's
// path is unknown (empty) or has no folder.
sys::FilePath default_list_path_beside(const sys::FilePath& executable);
sys::FilePath default_list_path();

// What reading a list file gave. Nothing is shown from here: the caller applies the entries
// to the list while it holds the screen's state and shows `error` after releasing it.
struct ListLoad {
  enum class Status {
    kLoaded,  // `entries` holds what the file yields (possibly nothing), or its first
              // part when `capped`
    kNoFile,  // there is no file (the first start): nothing to load or report
    kLocked,  // the file exists but cannot be opened (another program holds it): nothing
              // is reported
    kFailed,  // reading failed or the file is not UTF-8: `error` is the dialog's text
  };
  Status status = Status::kNoFile;
  std::vector<ClickEntry> entries;
  // kLoaded only: the file went past a limit and `entries` is its first part; `error` then
  // says so, to be shown after the entries are applied.
  bool capped = false;
  std::string error;

  // The file is there but not all it holds was read (locked, failed, or capped): whatever
  // the user saved in it must survive this session (see OldFile::kKeep).
  bool not_all_read() const noexcept {
    return status == Status::kLocked || status == Status::kFailed || capped;
  }

  // For kLoaded: replaces the whole list with the entries (clearing the marker) and
  // returns true. Otherwise the list stays as it was.
  bool apply_to(ClickList& list);
};

// Reads the list file at `path` (the default list path when nullopt). Lines that do not
// parse are skipped. A failure's text is msg.error in `language`, a line break and the
// description.
//
// At most `limits.max_bytes` of the file are read; when the file is longer, the part after
// the last line break read (a line, perhaps a character, cut short) is dropped, and only
// the rest must be UTF-8. Of that, the first `limits.max_entries` entries are taken. A load
// that went past either limit is kLoaded and `capped`, and its `error` is msg.error, a line
// break and too_many_entries_text when another entry followed the last one taken, else
// too_many_bytes_text. A file of exactly max_entries entries, or with only skipped lines
// after them, is not capped.
ListLoad load_list(const std::optional<sys::FilePath>& path, std::string_view language,
                   const ListLimits& limits = {});

// What saving does with the file already at the target.
enum class OldFile {
  kReplace,  // written over; deleted for an empty list
  // Not all of the file was read when the list was loaded (it could not be read, or went
  // past the load's limits): it is never deleted, and before the list is written it is
  // moved aside to the first free name of "<name>.bak", "<name>.2.bak", ... (one "[list] "
  // line on standard error names it). When it cannot be moved, nothing is written.
  kKeep,
};

// Writes the list to `path` (the default list path when nullopt), replacing the file
// atomically; a failure shows msg.error, a line break and the description, and leaves the old
// file as it was. An empty list deletes the file instead (read-only too), silently.
void save_list(const ClickList& list, const std::optional<sys::FilePath>& path,
               std::string_view language, const ShowMessage& show_message,
               OldFile old_file = OldFile::kReplace);

// Moves the file at `path` to the first free name of path.bak, path.2.bak, ...; the new
// path, or nullopt (with the system's description in `error`) when it cannot be moved.
std::optional<sys::FilePath> move_aside(const sys::FilePath& path, std::string& error);

// The Clear button: with entries, asks msg.clear_all and empties the list on Yes. With an
// empty list nothing is asked. True when the list was emptied.
bool clear_list(ClickList& list, std::string_view language, const AskYesNo& ask);

// msg.error in `language`, a line break, and `description`.
std::string list_error_text(std::string_view language, std::string_view description);

}  // namespace tw

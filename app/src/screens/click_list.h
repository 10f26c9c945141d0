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

// "Tapwright.lst" beside the executable; the relative "Tapwright.lst" when the executable's
// path is unknown (empty) or has no folder.
sys::FilePath default_list_path_beside(const sys::FilePath& executable);
sys::FilePath default_list_path();

// What reading a list file gave. Nothing is shown from here: the caller applies the entries
// to the list while it holds the screen's state and shows `error` after releasing it.
struct ListLoad {
  enum class Status {
    kLoaded,    // `entries` holds what the file yields (possibly nothing)
    kNoFile,    // there is no file (the first start): nothing to load or report
    kLocked,    // the file exists but cannot be opened (another program holds it): nothing
                // is reported
    kFailed,    // reading failed or the file is not UTF-8: `error` is the dialog's text
  };
  Status status = Status::kNoFile;
  std::vector<ClickEntry> entries;
  std::string error;

  // The file is there but what it holds was not read: whatever the user saved in it must
  // survive this session (see OldFile::kKeep).
  bool left_unread() const noexcept { return status == Status::kLocked || status == Status::kFailed; }

  // For kLoaded: replaces the whole list with the entries (clearing the marker) and
  // returns true. Otherwise the list stays as it was.
  bool apply_to(ClickList& list);
};

// Reads the list file at `path` (the default list path when nullopt). Lines that do not
// parse are skipped. A failure's text is msg.error in `language`, a line break and the
// description.
ListLoad load_list(const std::optional<sys::FilePath>& path, std::string_view language);

// What saving does with the file already at the target.
enum class OldFile {
  kReplace,  // written over; deleted for an empty list
  // The file could not be read when the list was loaded: it is never deleted, and before
  // the list is written it is moved aside to the first free name of "<name>.bak",
  // "<name>.2.bak", ... (one "[list] " line on standard error names it). When it cannot be
  // moved, nothing is written.
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

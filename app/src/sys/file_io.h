#pragma once

// Bounded reads and atomic whole-file replacement for the list files.
// Windows: the wide file API (CreateFileW, MoveFileExW); elsewhere POSIX calls.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "file_path.h"
#include "write_all.h"

namespace tw::sys {

struct FileRead {
  FileResult result;
  std::string bytes;  // what was read, when result.ok()
  bool more = false;  // the file holds bytes past `bytes`
};

// Reads the first `max_bytes` bytes of the file, or all of it when it is shorter; `more` says
// whether it goes on past them. Reads no further than one byte past `max_bytes`, whatever the
// file's size. CannotOpen when it cannot be opened (missing, no access, a folder on Windows);
// Failed when a read fails after opening (`bytes` is then empty).
FileRead read_file_start(const FilePath& path, std::size_t max_bytes);

// Replaces `target` with a file holding exactly `bytes`, or leaves it untouched.
//
// The bytes go to a new temporary file in the target's folder, are flushed to the disk, and
// the temporary file is then moved over the target in one step (MoveFileExW with
// replace-existing and write-through; rename elsewhere). Whatever fails, the old file stays as
// it was and the temporary file is removed, so a crash, a full disk or a locked target never
// leaves a truncated list behind.
FileResult replace_file(const FilePath& target, std::string_view bytes);

// The steps of replace_file, for callers (and tests) that write in pieces. Destroying it
// before commit() succeeded removes the temporary file and leaves the target alone.
class AtomicFileReplace {
 public:
  explicit AtomicFileReplace(FilePath target);
  ~AtomicFileReplace();
  AtomicFileReplace(const AtomicFileReplace&) = delete;
  AtomicFileReplace& operator=(const AtomicFileReplace&) = delete;

  // Creates the temporary file beside the target.
  FileResult open();
  // Appends to the temporary file. Only after open() succeeded.
  FileResult write(std::string_view bytes);
  // Flushes and closes the temporary file and moves it over the target. On failure the
  // temporary file is removed at once.
  FileResult commit();

  const FilePath& temp_path() const noexcept { return m_temp; }

 private:
  struct Handle;
  void discard() noexcept;

  FilePath m_target;
  FilePath m_temp;
  std::unique_ptr<Handle> m_handle;
};

// Deletes the file, a read-only one too; every failure (a missing file included) is ignored.
void remove_file_quietly(const FilePath& path) noexcept;

// Whether a file (not a folder) is at `path`, even one that cannot be opened.
bool file_exists(const FilePath& path) noexcept;

// Renames `from` to `to`, which must not exist yet (an existing `to` is a failure and stays).
FileResult move_file(const FilePath& from, const FilePath& to);

// Paths to and from UTF-8 text. Done here with the program's own UTF-8 code: the standard
// library's conversions bring its whole locale machinery into the executable.
FilePath path_from_utf8(std::string_view text);
std::string path_to_utf8(const FilePath& path);

}  // namespace tw::sys

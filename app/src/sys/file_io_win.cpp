#include <algorithm>
#include <atomic>
#include <limits>
#include <string>

#include "file_io.h"
#include "utf.h"
#include "win32_include.h"

namespace tw::sys {

namespace {

std::uint32_t last_error() {
  return static_cast<std::uint32_t>(GetLastError());
}

// Owns a file handle.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE get() const noexcept { return m_handle; }
  bool valid() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }
  // Closes the handle; false when CloseHandle failed.
  bool close() noexcept {
    if (!valid()) return true;
    BOOL closed = CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE m_handle;
};

std::atomic<unsigned> g_temp_counter{0};

FilePath temp_name_for(const FilePath& target, unsigned attempt) {
  std::wstring name = target.filename().native();
  name += L'.';
  name += std::to_wstring(GetCurrentProcessId());
  name += L'-';
  name += std::to_wstring(attempt);
  name += L".tmp";
  return target.parent_path() / name;
}

}  // namespace

struct AtomicFileReplace::Handle {
  explicit Handle(HANDLE handle) : file(handle) {}
  FileHandle file;
};

FileRead read_file_start(const FilePath& path, std::size_t max_bytes) {
  FileRead read;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    read.result = {FileStatus::CannotOpen, last_error()};
    return read;
  }
  // One byte past the limit tells whether the file goes on (its size may change meanwhile).
  const std::size_t wanted =
      max_bytes < std::numeric_limits<std::size_t>::max() ? max_bytes + 1 : max_bytes;
  char buffer[16384];
  while (read.bytes.size() < wanted) {
    DWORD chunk = static_cast<DWORD>(std::min(sizeof buffer, wanted - read.bytes.size()));
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, chunk, &got, nullptr)) {
      read.result = {FileStatus::Failed, last_error()};
      read.bytes.clear();
      break;
    }
    if (got == 0) break;
    read.bytes.append(buffer, got);
  }
  if (read.bytes.size() > max_bytes) {
    read.bytes.resize(max_bytes);
    read.more = true;
  }
  return read;
}

AtomicFileReplace::AtomicFileReplace(FilePath target) : m_target(std::move(target)) {}

AtomicFileReplace::~AtomicFileReplace() {
  discard();
}

void AtomicFileReplace::discard() noexcept {
  m_handle.reset();
  if (!m_temp.empty()) DeleteFileW(m_temp.c_str());
  m_temp.clear();
}

FileResult AtomicFileReplace::open() {
  discard();
  for (int tries = 0; tries < 100; ++tries) {
    FilePath temp = temp_name_for(m_target, g_temp_counter++);
    HANDLE handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return {FileStatus::Failed, error};
    }
    m_handle = std::make_unique<Handle>(handle);
    m_temp = std::move(temp);
    return {};
  }
  return {FileStatus::Failed, ERROR_FILE_EXISTS};
}

FileResult AtomicFileReplace::write(std::string_view bytes) {
  if (!m_handle) return {FileStatus::Failed, ERROR_INVALID_HANDLE};
  HANDLE file = m_handle->file.get();
  FileResult result = write_all(bytes, [file](const char* data, std::size_t size) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr)) return WriteStep{0, last_error(), false};
    return WriteStep{written, 0, false};
  });
  if (!result.ok()) discard();
  return result;
}

FileResult AtomicFileReplace::commit() {
  if (!m_handle) return {FileStatus::Failed, ERROR_INVALID_HANDLE};
  FileResult result;
  if (!FlushFileBuffers(m_handle->file.get())) result = {FileStatus::Failed, last_error()};
  if (!m_handle->file.close() && result.ok()) result = {FileStatus::Failed, last_error()};
  // A read-only list file is not saved over, as with an in-place write (some file systems
  // let a rename replace it regardless).
  if (result.ok()) {
    DWORD attributes = GetFileAttributesW(m_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      result = {FileStatus::Failed, ERROR_ACCESS_DENIED};
  }
  if (result.ok() && !MoveFileExW(m_temp.c_str(), m_target.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    result = {FileStatus::Failed, last_error()};
  }
  if (!result.ok()) {
    discard();
    return result;
  }
  m_handle.reset();
  m_temp.clear();
  return result;
}

FileResult replace_file(const FilePath& target, std::string_view bytes) {
  AtomicFileReplace replace(target);
  FileResult result = replace.open();
  if (result.ok()) result = replace.write(bytes);
  if (result.ok()) result = replace.commit();
  return result;
}

void remove_file_quietly(const FilePath& path) noexcept {
  if (DeleteFileW(path.c_str())) return;
  if (GetLastError() != ERROR_ACCESS_DENIED) return;
  // A read-only file is deleted too: drop the attribute and try once more.
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return;
  if (SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
    if (!DeleteFileW(path.c_str())) SetFileAttributesW(path.c_str(), attributes);
  }
}

bool file_exists(const FilePath& path) noexcept {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileResult move_file(const FilePath& from, const FilePath& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return {FileStatus::Failed, last_error()};
  }
  return {};
}

FilePath path_from_utf8(std::string_view text) {
  return FilePath(utf8_to_wide(text));
}

std::string path_to_utf8(const FilePath& path) {
  return utf16_to_utf8(std::wstring_view(path.native()));
}

}  // namespace tw::sys

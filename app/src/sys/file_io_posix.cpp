#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <string>

#include "file_io.h"

namespace tw::sys {

namespace {

std::uint32_t errno_code() {
  return static_cast<std::uint32_t>(errno);
}

// Sequence number of temporary names within this process.
std::atomic<unsigned> g_temp_counter{0};

FilePath temp_name_for(const FilePath& target, unsigned attempt) {
  std::string name = target.filename().native();
  name += '.';
  name += std::to_string(::getpid());
  name += '-';
  name += std::to_string(attempt);
  name += ".tmp";
  return target.parent_path() / name;
}

// Makes a rename inside `folder` durable; a folder that cannot be opened is left alone.
void sync_folder(const FilePath& target) {
  FilePath folder = target.parent_path();
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

struct AtomicFileReplace::Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);
  }
};

FileRead read_file_start(const FilePath& path, std::size_t max_bytes) {
  FileRead read;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    read.result = {FileStatus::CannotOpen, errno_code()};
    return read;
  }
  // One byte past the limit tells whether the file goes on (its size may change meanwhile).
  const std::size_t wanted =
      max_bytes < std::numeric_limits<std::size_t>::max() ? max_bytes + 1 : max_bytes;
  char buffer[16384];
  while (read.bytes.size() < wanted) {
    std::size_t chunk = std::min(sizeof buffer, wanted - read.bytes.size());
    ssize_t n = ::read(fd, buffer, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      read.result = {FileStatus::Failed, errno_code()};
      read.bytes.clear();
      break;
    }
    if (n == 0) break;
    read.bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
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
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
}

FileResult AtomicFileReplace::open() {
  discard();
  for (int tries = 0; tries < 100; ++tries) {
    FilePath temp = temp_name_for(m_target, g_temp_counter++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EINTR) continue;
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return {FileStatus::Failed, errno_code()};
    m_handle = std::make_unique<Handle>();
    m_handle->fd = fd;
    m_temp = std::move(temp);
    // The new file keeps the permissions of the one it replaces.
    struct stat old_state;
    if (::stat(m_target.c_str(), &old_state) == 0 && S_ISREG(old_state.st_mode)) {
      ::fchmod(fd, old_state.st_mode & 07777);
    }
    return {};
  }
  return {FileStatus::Failed, static_cast<std::uint32_t>(EEXIST)};
}

FileResult AtomicFileReplace::write(std::string_view bytes) {
  if (!m_handle) return {FileStatus::Failed, static_cast<std::uint32_t>(EBADF)};
  int fd = m_handle->fd;
  FileResult result = write_all(bytes, [fd](const char* data, std::size_t size) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) return WriteStep{0, errno_code(), errno == EINTR};
    return WriteStep{static_cast<std::size_t>(n), 0, false};
  });
  if (!result.ok()) discard();
  return result;
}

FileResult AtomicFileReplace::commit() {
  if (!m_handle) return {FileStatus::Failed, static_cast<std::uint32_t>(EBADF)};
  FileResult result;
  if (::fsync(m_handle->fd) != 0) result = {FileStatus::Failed, errno_code()};
  int fd = m_handle->fd;
  m_handle->fd = -1;
  if (::close(fd) != 0 && result.ok()) result = {FileStatus::Failed, errno_code()};
  // A read-only list file is not saved over, as with an in-place write (rename alone would
  // ignore the target's own permissions).
  if (result.ok() && ::access(m_target.c_str(), F_OK) == 0 && ::access(m_target.c_str(), W_OK) != 0)
    result = {FileStatus::Failed, errno_code()};
  if (result.ok() && ::rename(m_temp.c_str(), m_target.c_str()) != 0)
    result = {FileStatus::Failed, errno_code()};
  if (!result.ok()) {
    discard();
    return result;
  }
  m_handle.reset();
  m_temp.clear();
  sync_folder(m_target);
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
  ::unlink(path.c_str());
}

bool file_exists(const FilePath& path) noexcept {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FileResult move_file(const FilePath& from, const FilePath& to) {
  // A hard link fails when `to` exists, where rename would replace it.
  if (::link(from.c_str(), to.c_str()) != 0) return {FileStatus::Failed, errno_code()};
  if (::unlink(from.c_str()) != 0) {
    std::uint32_t error = errno_code();
    ::unlink(to.c_str());
    return {FileStatus::Failed, error};
  }
  return {};
}

FilePath path_from_utf8(std::string_view text) {
  return FilePath(std::string(text));
}

std::string path_to_utf8(const FilePath& path) {
  return path.native();
}

}  // namespace tw::sys

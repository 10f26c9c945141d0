#pragma once

// A file's path in the system's own form (UTF-16 on Windows, bytes elsewhere) with the few
// operations the program needs: its folder, its name, joining a name to a folder.
//
// The program's own type rather than std::filesystem::path: on Windows the standard one
// brings the standard library's whole locale machinery (every facet, iostreams) into the
// executable, about a third of its size, for conversions the program never makes.

#include <concepts>
#include <string>
#include <string_view>

namespace tw::sys {

class FilePath {
 public:
#ifdef _WIN32
  using value_type = wchar_t;
#else
  using value_type = char;
#endif
  using string_type = std::basic_string<value_type>;

  FilePath() = default;
  FilePath(string_type native) : m_native(std::move(native)) {}
  FilePath(const value_type* native) : m_native(native) {}
  // From any path type with the same native form (std::filesystem::path in the tests).
  template <typename Path>
    requires(!std::same_as<Path, FilePath> && requires(const Path& p) {
      { p.native() } -> std::convertible_to<const string_type&>;
    })
  FilePath(const Path& path) : m_native(path.native()) {}

  const string_type& native() const noexcept { return m_native; }
  const value_type* c_str() const noexcept { return m_native.c_str(); }
  bool empty() const noexcept { return m_native.empty(); }
  void clear() noexcept { m_native.clear(); }

  // Everything before the last separator ("C:\a" of "C:\a\b.lst", "/" of "/b.lst"); empty
  // when there is no separator.
  FilePath parent_path() const {
    std::size_t last = last_separator();
    if (last == string_type::npos) return {};
    if (last == 0) return string_type(1, m_native[0]);
#ifdef _WIN32
    // "C:\b.lst": the drive's root.
    if (last == 2 && m_native[1] == L':') return m_native.substr(0, 3);
#endif
    return m_native.substr(0, last);
  }
  bool has_parent_path() const { return !parent_path().empty(); }
  // Everything after the last separator.
  FilePath filename() const {
    std::size_t last = last_separator();
    return last == string_type::npos ? m_native : m_native.substr(last + 1);
  }
  // `name` inside this folder (only `name` when this path is empty).
  FilePath operator/(const FilePath& name) const {
    if (m_native.empty()) return name;
    string_type joined = m_native;
    if (!is_separator(joined.back())) joined += kPreferredSeparator;
    return joined + name.m_native;
  }

  bool operator==(const FilePath&) const = default;

 private:
#ifdef _WIN32
  static constexpr value_type kPreferredSeparator = L'\\';
  static bool is_separator(value_type c) { return c == L'\\' || c == L'/'; }
#else
  static constexpr value_type kPreferredSeparator = '/';
  static bool is_separator(value_type c) { return c == '/'; }
#endif
  std::size_t last_separator() const {
    for (std::size_t i = m_native.size(); i > 0; --i)
      if (is_separator(m_native[i - 1])) return i - 1;
    return string_type::npos;
  }

  string_type m_native;
};

}  // namespace tw::sys

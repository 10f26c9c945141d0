#pragma once

// A fresh folder per test under the build tree, removed afterwards (read-only files too).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tw::test {

class TestFolder {
 public:
  TestFolder() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    m_path =
        build_folder() / "test-files" / (std::string(info->test_suite_name()) + "." + info->name());
    std::error_code ignored;
    remove_all(ignored);
    std::filesystem::create_directories(m_path);
  }
  ~TestFolder() {
    std::error_code ignored;
    remove_all(ignored);
  }

  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

  // Names of everything in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(m_path))
      names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  // The build tree; under Wine its Unix path is reached through drive Z:.
  static std::filesystem::path build_folder() {
#ifdef _WIN32
    return std::filesystem::path("Z:" TW_BINARY_DIR);
#else
    return std::filesystem::path(TW_BINARY_DIR);
#endif
  }

  void remove_all(std::error_code& error) {
    if (!std::filesystem::exists(m_path, error)) return;
    for (const auto& item : std::filesystem::recursive_directory_iterator(m_path, error))
      std::filesystem::permissions(item.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_path, error);
  }

  std::filesystem::path m_path;
};

inline std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tw::test

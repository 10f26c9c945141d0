#include "system_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#ifdef _WIN32
#include "win32_include.h"
#endif

namespace {

#ifdef _WIN32
constexpr std::uint32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 5;  // ERROR_ACCESS_DENIED
#else
constexpr std::uint32_t kFileNotFound = ENOENT;
constexpr std::uint32_t kAccessDenied = EACCES;
#endif

TEST(SystemErrorText, DescribesCommonCodesWithoutTrailingLineBreak) {
  std::string missing = tw::sys::system_error_text(kFileNotFound);
  std::string denied = tw::sys::system_error_text(kAccessDenied);
  ASSERT_FALSE(missing.empty());
  EXPECT_NE(missing, denied);
  EXPECT_NE(missing.back(), '\n');
  EXPECT_NE(missing.back(), '\r');
  std::string lower = missing;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  EXPECT_NE(lower.find("file"), std::string::npos) << missing;
}

TEST(SystemErrorText, UnknownCodeIsNeverEmpty) {
  std::string text = tw::sys::system_error_text(0x7FFF1234u);
  EXPECT_FALSE(text.empty());
}

#ifdef _WIN32
TEST(ModuleErrorText, ReadsTheModulesOwnMessageTable) {
  // kernelbase.dll carries the system's message table, so its text for a system code is the
  // system's text, without the trailing line break.
  HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
  ASSERT_NE(kernelbase, nullptr);
  std::string text = tw::sys::module_error_text(kernelbase, kFileNotFound);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(text, tw::sys::system_error_text(kFileNotFound));
}

TEST(ModuleErrorText, ModuleWithoutTableOrNoModuleGivesEmpty) {
  EXPECT_EQ(tw::sys::module_error_text(GetModuleHandleW(nullptr), 12029), "");
  EXPECT_EQ(tw::sys::module_error_text(nullptr, 2), "");
}
#endif

}  // namespace

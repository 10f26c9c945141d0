#include "system_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

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

}  // namespace

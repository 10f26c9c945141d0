#include "message_dialog_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tw::MessageDialogOptions;
using tw::MessageKind;

TEST(MessageDialogOptions, FirstLineIsTheInstructionAndTheRestTheContent) {
  int window = 0;
  MessageDialogOptions options = tw::message_dialog_options(
      &window, "en", "An error has occurred.\nAccess is denied.\nSecond line",
      MessageKind::kInformation);
  MessageDialogOptions expected;
  expected.owner = &window;
  expected.window_title = "Tapwright";
  expected.main_instruction = "An error has occurred.";
  expected.content = "Access is denied.\nSecond line";
  expected.ok_only = true;
  expected.topmost = false;
  expected.icon = 2;
  EXPECT_EQ(options, expected);
  EXPECT_FALSE(options.has_check_box);
  EXPECT_FALSE(options.has_footer_link);
}

TEST(MessageDialogOptions, OneLineHasNoContentAndConfirmationsAskYesOrNo) {
  MessageDialogOptions options = tw::message_dialog_options(
      nullptr, "ko", "모든 내용을 비우시겠습니까?", MessageKind::kConfirmation);
  EXPECT_EQ(options.owner, nullptr);
  EXPECT_EQ(options.window_title, "탭라이트");
  EXPECT_EQ(options.main_instruction, "모든 내용을 비우시겠습니까?");
  EXPECT_EQ(options.content, "");
  EXPECT_FALSE(options.ok_only);
  EXPECT_EQ(options.icon, 2);
  // A text that ends in its line break has an empty rest.
  EXPECT_EQ(tw::message_dialog_options(nullptr, "xx", "Top\n", MessageKind::kInformation).content,
            "");
}

TEST(TaskMessageDialog, HandsTheMappedOptionsToTheDialogAndReturnsItsAnswer) {
  int window = 0;
  std::vector<MessageDialogOptions> seen;
  bool answer = true;
  tw::TaskMessageDialog dialog(&window, "en",
                               [&](const MessageDialogOptions& options, std::string&) {
                                 seen.push_back(options);
                                 return std::optional<bool>(answer);
                               });
  dialog.show_message("Delay time is not set.");
  EXPECT_TRUE(dialog.ask_yes_no("Do you want to clear all contents?"));
  answer = false;
  EXPECT_FALSE(dialog.ask_yes_no("Do you want to clear all contents?"));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[0].ok_only);
  EXPECT_EQ(seen[0].owner, &window);
  EXPECT_EQ(seen[0].main_instruction, "Delay time is not set.");
  EXPECT_FALSE(seen[1].ok_only);
}

TEST(TaskMessageDialog, ADialogThatCannotBeShownIsLoggedAndCountsAsNo) {
  tw::TaskMessageDialog dialog(nullptr, "en", [](const MessageDialogOptions&, std::string& error) {
    error = "[unsupported] 작업 대화상자를 찾지 못했습니다";
    return std::optional<bool>();
  });
  testing::internal::CaptureStderr();
  EXPECT_FALSE(dialog.ask_yes_no("Do you want to clear all contents?"));
  dialog.show_message("x");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[wnd] 안내 창 실패: [unsupported] 작업 대화상자를 찾지 못했습니다\n"
            "[wnd] 안내 창 실패: [unsupported] 작업 대화상자를 찾지 못했습니다\n");
}

}  // namespace

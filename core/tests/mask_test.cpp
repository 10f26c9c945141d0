#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mask.h"

namespace {

using tw::apply_delay_mask;
using tw::DelayField;
using tw::edit_delay_text;
using tw::format_delay;
using tw::MaskEdit;
using tw::parse_delay;

TEST(ParseDelay, PlainMilliseconds) {
  EXPECT_EQ(parse_delay("1500"), 1500u);
  EXPECT_EQ(parse_delay("0"), 0u);
  EXPECT_EQ(parse_delay("+250"), 250u);
  EXPECT_EQ(parse_delay("\t75000\n"), 75000u);
}

TEST(ParseDelay, TimeText) {
  EXPECT_EQ(parse_delay("00:01.50"), 1500u);
  EXPECT_EQ(parse_delay("00:00.00"), 0u);
  EXPECT_EQ(parse_delay("12:34.56"), 12u * 60000 + 34000 + 560);
  EXPECT_EQ(parse_delay("01:00:00.00"), 3600000u);
  EXPECT_EQ(parse_delay("02:03:04.05"), 2u * 3600000 + 3 * 60000 + 4000 + 50);
  // The separators are not checked, only the field positions.
  EXPECT_EQ(parse_delay("00-02/50"), 2500u);
  // Fields beyond the last one read are ignored.
  EXPECT_EQ(parse_delay("00:01.00garbage"), 1000u);
}

TEST(ParseDelay, UnreadableTextIsOneSecond) {
  EXPECT_EQ(parse_delay(""), 1000u);
  EXPECT_EQ(parse_delay("abc"), 1000u);
  EXPECT_EQ(parse_delay("00:01"), 1000u);     // hundredths missing
  EXPECT_EQ(parse_delay("01:00:00"), 1000u);  // hours form without hundredths
  EXPECT_EQ(parse_delay("0a:01.00"), 1000u);
  EXPECT_EQ(parse_delay("\xC3\xA9:01.00"), 1000u);  // "é" is two bytes, not a number
  // A two-byte field that cuts a multi-byte character is not valid UTF-8.
  EXPECT_EQ(parse_delay("0\xC3\xA9:01.00"), 1000u);
}

TEST(ParseDelay, SpacesAreZeroDigits) {
  EXPECT_EQ(parse_delay(" 500"), 500u);
  EXPECT_EQ(parse_delay("500 "), 5000u);
  EXPECT_EQ(parse_delay(" 500 "), 5000u);
  EXPECT_EQ(parse_delay("  :01.50"), 1500u);
  // Only the ASCII space turns into a digit; a tab is trimmed.
  EXPECT_EQ(parse_delay("500\t"), 500u);
}

TEST(ParseDelay, SignedFieldsAndClamping) {
  EXPECT_EQ(parse_delay("-5"), 0u);
  EXPECT_EQ(parse_delay("99999999"), 86400000u);
  EXPECT_EQ(parse_delay("9223372036854775807"), 86400000u);
  EXPECT_EQ(parse_delay("-9223372036854775808"), 0u);
  // Too large for 64 bits: not plain milliseconds, so read as time text 99:99.99.
  EXPECT_EQ(parse_delay("99999999999999999999"), 6039990u);
  // A two-byte field may carry a sign: one minute minus five seconds.
  EXPECT_EQ(parse_delay("01:-5.00"), 55000u);
  EXPECT_EQ(parse_delay("+1:00.00"), 60000u);
  EXPECT_EQ(parse_delay("-1:00.00"), 0u);
  EXPECT_EQ(parse_delay("99:99:99.99"), 86400000u);
}

TEST(FormatDelay, TruncatesAndPads) {
  EXPECT_EQ(format_delay(0), "00:00.00");
  EXPECT_EQ(format_delay(1999), "00:01.99");
  EXPECT_EQ(format_delay(1500), "00:01.50");
  EXPECT_EQ(format_delay(9), "00:00.00");
  EXPECT_EQ(format_delay(75000), "01:15.00");
  EXPECT_EQ(format_delay(5999990), "99:59.99");
  EXPECT_EQ(format_delay(6000000), "100:00.00");
  EXPECT_EQ(format_delay(86400000), "1440:00.00");
}

TEST(FormatDelay, RoundTripsThroughParse) {
  for (std::uint32_t ms : {0u, 10u, 990u, 1000u, 61010u, 5999990u}) {
    EXPECT_EQ(parse_delay(format_delay(ms)), ms) << ms;
  }
}

TEST(ApplyDelayMask, KeepsDigitsOnlyOnDigitPositions) {
  EXPECT_EQ(apply_delay_mask(""), "00:00.00");
  EXPECT_EQ(apply_delay_mask("12:34.56"), "12:34.56");
  EXPECT_EQ(apply_delay_mask("1:2"), "10:00.00");
  EXPECT_EQ(apply_delay_mask("12345678"), "12:45.78");
  EXPECT_EQ(apply_delay_mask("ab:cd.ef"), "00:00.00");
  EXPECT_EQ(apply_delay_mask("12:34.5678"), "12:34.56");
  EXPECT_EQ(apply_delay_mask("12;34,56"), "12:34.56");
}

TEST(ApplyDelayMask, CountsCharactersNotBytes) {
  // "é" is two bytes but one character: "1" sits at character index 1.
  EXPECT_EQ(apply_delay_mask("\xC3\xA9"
                             "1:23.45"),
            "01:23.45");
  // A fullwidth digit is not an ASCII digit.
  EXPECT_EQ(apply_delay_mask("\xEF\xBC\x91"
                             "2:00.00"),
            "02:00.00");
}

// Types `text` one character at a time at the caret the way a text field does, then hands the
// result to the editor, and returns what the field shows after each keystroke.
struct Field {
  std::string text;
  std::size_t caret = 0;
  std::string previous;

  void focus() {
    MaskEdit edit = tw::focus_delay_text(text);
    text = previous = edit.text;
    caret = edit.caret;
  }
  void apply(const std::string& value, std::size_t new_caret) {
    MaskEdit edit = edit_delay_text(previous, value, new_caret);
    text = previous = edit.text;
    caret = edit.caret;
  }
  void type(char c) { apply(text.substr(0, caret) + c + text.substr(caret), caret + 1); }
  void backspace() {
    if (caret == 0) return;
    apply(text.substr(0, caret - 1) + text.substr(caret), caret - 1);
  }
  void del() {
    if (caret >= text.size()) return;
    apply(text.substr(0, caret) + text.substr(caret + 1), caret);
  }
};

TEST(MaskEditor, TypingDigitsOverwritesAndSkipsSeparators) {
  Field field;
  field.focus();
  EXPECT_EQ(field.text, "00:00.00");
  EXPECT_EQ(field.caret, 0u);
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"10:00.00", 1}, {"12:00.00", 3}, {"12:30.00", 4},
      {"12:34.00", 6}, {"12:34.50", 7}, {"12:34.56", 8}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    field.type(static_cast<char>('1' + i));
    EXPECT_EQ(field.text, expected[i].first) << "after digit " << i + 1;
    EXPECT_EQ(field.caret, expected[i].second) << "after digit " << i + 1;
  }
  field.type('7');
  EXPECT_EQ(field.text, "12:34.56");
  EXPECT_EQ(field.caret, 8u);
}

TEST(MaskEditor, TypingRightBeforeASeparatorLandsOnTheNextDigit) {
  Field field{"00:00.00", 2, "00:00.00"};
  field.type('9');  // caret sits before ":" — the digit goes to index 3
  EXPECT_EQ(field.text, "00:90.00");
  EXPECT_EQ(field.caret, 4u);
}

TEST(MaskEditor, ALetterIsRefusedAndTheCaretStays) {
  for (std::size_t caret : {0u, 3u, 5u, 8u}) {
    Field field{"00:01.00", caret, "00:01.00"};
    field.type('a');
    EXPECT_EQ(field.text, "00:01.00") << caret;
    EXPECT_EQ(field.caret, caret);
  }
}

TEST(MaskEditor, ANonAsciiCharacterIsRefusedWithTheCaretInBytes) {
  // "ㄱ" is three bytes; the engine reports the caret after it as a byte offset.
  std::string value = std::string("00") + "\xE3\x84\xB1" + ":01.00";
  MaskEdit edit = edit_delay_text("00:01.00", value, 5);
  EXPECT_EQ(edit, (MaskEdit{"00:01.00", 2}));
}

TEST(MaskEditor, BackspaceZeroesTheDigitAtOrBeforeTheCaret) {
  Field field{"12:34.56", 3, "12:34.56"};
  field.backspace();  // just after ":" — removes the separator, zeroes the second minute digit
  EXPECT_EQ(field.text, "10:34.56");
  EXPECT_EQ(field.caret, 1u);
  field.backspace();
  EXPECT_EQ(field.text, "00:34.56");
  EXPECT_EQ(field.caret, 0u);
  field.backspace();  // nothing before the caret: the field does not change
  EXPECT_EQ(field.text, "00:34.56");

  Field end{"12:34.56", 8, "12:34.56"};
  end.backspace();
  EXPECT_EQ(end.text, "12:34.50");
  EXPECT_EQ(end.caret, 7u);
  end.backspace();
  EXPECT_EQ(end.text, "12:34.00");
  EXPECT_EQ(end.caret, 6u);
  end.backspace();  // removes "." at 5: the caret is now 5, the digit at 4 goes
  EXPECT_EQ(end.text, "12:30.00");
  EXPECT_EQ(end.caret, 4u);
}

TEST(MaskEditor, DeleteZeroesTheDigitUnderTheCaret) {
  Field field{"12:34.56", 3, "12:34.56"};
  field.del();
  EXPECT_EQ(field.text, "12:04.56");
  EXPECT_EQ(field.caret, 3u);
  Field at_separator{"12:34.56", 5, "12:34.56"};
  at_separator.del();  // the separator is gone from the value; the digit before it is zeroed
  EXPECT_EQ(at_separator.text, "12:30.56");
  EXPECT_EQ(at_separator.caret, 4u);
}

TEST(MaskEditor, PasteAndReplacedSelectionAreMaskedWhole) {
  EXPECT_EQ(edit_delay_text("00:01.00", "1:2", 3), (MaskEdit{"10:00.00", 8}));
  EXPECT_EQ(edit_delay_text("00:01.00", "", 0), (MaskEdit{"00:00.00", 8}));
  EXPECT_EQ(edit_delay_text("00:01.00", "00:01.0099", 10), (MaskEdit{"00:01.00", 8}));
  // Same length as before (a selected digit replaced by another): masked as it stands.
  EXPECT_EQ(edit_delay_text("00:01.00", "00:02.00", 5), (MaskEdit{"00:02.00", 8}));
}

TEST(MaskEditor, InsertionAtCaretZeroIsNotTyping) {
  // With the caret at 0 there is no character before it: treated as "anything else".
  EXPECT_EQ(edit_delay_text("00:01.00", "x00:01.00", 0), (MaskEdit{"00:00.00", 8}));
}

TEST(MaskEditor, CaretPastTheEndRefusesTheCharacter) {
  EXPECT_EQ(edit_delay_text("00:01.00", "00:01.005", 12), (MaskEdit{"00:01.00", 8}));
}

TEST(MaskEditor, FocusMasksTheValueAndPutsTheCaretFirst) {
  EXPECT_EQ(tw::focus_delay_text(""), (MaskEdit{"00:00.00", 0}));
  EXPECT_EQ(tw::focus_delay_text("1500"), (MaskEdit{"15:00.00", 0}));
  EXPECT_EQ(tw::focus_delay_text("00:02.50"), (MaskEdit{"00:02.50", 0}));
}

TEST(DelayBlur, NormalisesTheFieldLeft) {
  EXPECT_EQ(tw::normalize_delay_text("75000"), "01:15.00");
  EXPECT_EQ(tw::normalize_delay_text("abc"), "00:01.00");
  EXPECT_EQ(tw::normalize_delay_text("99999999"), "99:59.99");
  EXPECT_EQ(tw::normalize_delay_text("01:00:00.00"), "60:00.00");
  EXPECT_EQ(tw::normalize_delay_text(""), "00:01.00");
}

TEST(DelayBlur, Delay1PushesASmallerOrFollowingDelay2) {
  // delay2 still holds the start value and follows: it takes delay1.
  auto following = tw::leave_delay_field(DelayField::Delay1, "00:02.00", "00:01.00", true);
  EXPECT_EQ(following.text, "00:02.00");
  EXPECT_EQ(following.delay2_text, "00:02.00");
  EXPECT_TRUE(following.delay2_follows);

  // The user typed 00:05.00 into delay2: it stays.
  auto typed = tw::leave_delay_field(DelayField::Delay1, "00:02.00", "00:05.00", false);
  EXPECT_EQ(typed.delay2_text, std::nullopt);
  EXPECT_FALSE(typed.delay2_follows);

  // The user's delay2 became smaller than delay1: pushed up, and following again.
  auto smaller = tw::leave_delay_field(DelayField::Delay1, "00:09.00", "00:05.00", false);
  EXPECT_EQ(smaller.delay2_text, "00:09.00");
  EXPECT_TRUE(smaller.delay2_follows);

  // An empty (or blank) delay2 is filled.
  auto empty = tw::leave_delay_field(DelayField::Delay1, "3000", "  ", false);
  EXPECT_EQ(empty.text, "00:03.00");
  EXPECT_EQ(empty.delay2_text, "00:03.00");

  // Equal bounds are fine.
  auto equal = tw::leave_delay_field(DelayField::Delay1, "00:05.00", "5000", false);
  EXPECT_EQ(equal.delay2_text, std::nullopt);
}

TEST(DelayBlur, Delay1ComparesItsNormalisedValue) {
  // delay1 holds 99999999 (shown as 99:59.99 after leaving); delay2 at 99:59.99 is not smaller.
  auto capped = tw::leave_delay_field(DelayField::Delay1, "99999999", "99:59.99", false);
  EXPECT_EQ(capped.text, "99:59.99");
  EXPECT_EQ(capped.delay2_text, std::nullopt);
}

TEST(DelayBlur, LeavingDelay2NeverTouchesTheFlag) {
  auto blur = tw::leave_delay_field(DelayField::Delay2, "00:00.50", "00:00.50", true);
  EXPECT_EQ(blur.text, "00:00.50");
  EXPECT_EQ(blur.delay2_text, std::nullopt);
  EXPECT_TRUE(blur.delay2_follows);
}

TEST(DelayFollow, TypingIntoDelay2StopsFollowing) {
  EXPECT_FALSE(tw::delay2_follows_after_input(DelayField::Delay2, true));
  EXPECT_TRUE(tw::delay2_follows_after_input(DelayField::Delay1, true));
  EXPECT_FALSE(tw::delay2_follows_after_input(DelayField::Delay1, false));
}

// The two delay inputs as the main screen drives them: focus, keystrokes, blur.
TEST(DelayEditor, DrivesBothInputsThroughTheirEvents) {
  tw::DelayEditor delay1(DelayField::Delay1), delay2(DelayField::Delay2);
  bool follows = true;

  EXPECT_EQ(delay1.focus(""), (MaskEdit{"00:00.00", 0}));
  std::string value = "00:00.00";
  std::size_t caret = 0;
  for (char digit : std::string("0002")) {
    MaskEdit edit =
        delay1.input(value.substr(0, caret) + digit + value.substr(caret), caret + 1, follows);
    value = edit.text;
    caret = edit.caret;
  }
  EXPECT_EQ(value, "00:02.00");
  EXPECT_EQ(delay1.previous(), "00:02.00");
  EXPECT_TRUE(follows);  // typing into delay1 leaves the flag alone
  auto left = delay1.blur(value, "00:01.00", follows);
  EXPECT_EQ(left.delay2_text, "00:02.00");
  follows = left.delay2_follows;

  // The user takes over delay2 (a paste here) and leaves delay1 again: delay2 stays.
  delay2.focus("00:02.00");
  EXPECT_EQ(delay2.input("00:05.00", 8, follows), (MaskEdit{"00:05.00", 8}));
  EXPECT_FALSE(follows);
  EXPECT_EQ(delay2.blur("00:05.00", "", follows).text, "00:05.00");
  auto again = delay1.blur("00:02.00", "00:05.00", follows);
  EXPECT_EQ(again.delay2_text, std::nullopt);
  EXPECT_FALSE(again.delay2_follows);
}

TEST(DelayRange, UpperBoundIsAtLeastTheLowerOne) {
  EXPECT_EQ(tw::read_delay_range("00:02.00", "00:03.50"), (tw::DelayRange{2000, 3500}));
  EXPECT_EQ(tw::read_delay_range("00:02.00", "00:01.00"), (tw::DelayRange{2000, 2000}));
  EXPECT_EQ(tw::read_delay_range(std::nullopt, std::nullopt), (tw::DelayRange{1000, 1000}));
  EXPECT_EQ(tw::read_delay_range("00:00.00", "00:05.00"), (tw::DelayRange{0, 5000}));
}

}  // namespace

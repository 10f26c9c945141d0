#include "mask.h"

#include <algorithm>
#include <array>

#include "decimal.h"
#include "utf.h"
#include "white_space.h"

namespace tw {

namespace {

constexpr std::array<std::size_t, 6> kDigitPositions = {0, 1, 3, 4, 6, 7};

bool is_ascii_digit(char32_t cp) noexcept {
  return cp >= U'0' && cp <= U'9';
}

// One two-byte field of time text at byte `offset`.
std::optional<std::int64_t> time_field(std::string_view text, std::size_t offset) {
  if (text.size() < offset + 2) return std::nullopt;
  std::string_view field = text.substr(offset, 2);
  if (!is_valid_utf8(field)) return std::nullopt;
  auto value = parse_decimal<std::int32_t>(field);
  if (!value) return std::nullopt;
  return *value;
}

std::int64_t parse_time_text(std::string_view text) {
  // "HH:MM:SS.cc" has its second separator at byte 5, "MM:SS.cc" its full stop there.
  if (text.size() > 5 && text[5] == ':') {
    auto h = time_field(text, 0), m = time_field(text, 3), s = time_field(text, 6),
         c = time_field(text, 9);
    if (!h || !m || !s || !c) return kDefaultDelayMs;
    return *h * 3600000 + *m * 60000 + *s * 1000 + *c * 10;
  }
  auto m = time_field(text, 0), s = time_field(text, 3), c = time_field(text, 6);
  if (!m || !s || !c) return kDefaultDelayMs;
  return *m * 60000 + *s * 1000 + *c * 10;
}

// Code points of `text`, ill-formed bytes as U+FFFD one each.
std::u32string code_points(std::string_view text) {
  std::u32string out;
  for (std::size_t pos = 0; pos < text.size();) out.push_back(decode_utf8(text, pos));
  return out;
}

// Character index of a byte offset (an offset inside a sequence counts as its start + 1).
std::size_t char_index(std::string_view text, std::size_t byte_offset) {
  std::size_t index = 0;
  for (std::size_t pos = 0; pos < text.size() && pos < byte_offset; ++index) decode_utf8(text, pos);
  return index + (byte_offset > text.size() ? byte_offset - text.size() : 0);
}

// Byte offset of a character index (clamped to the end of `text`).
std::size_t byte_offset(std::string_view text, std::size_t index) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < index && pos < text.size(); ++i) decode_utf8(text, pos);
  return pos;
}

}  // namespace

std::uint32_t parse_delay(std::string_view text) {
  std::string copy(text);
  std::replace(copy.begin(), copy.end(), ' ', '0');
  std::int64_t value;
  std::string_view trimmed = trim_white_space(copy);
  if (auto plain = trimmed.empty() ? std::nullopt : parse_decimal<std::int64_t>(trimmed)) {
    value = *plain;
  } else {
    value = parse_time_text(copy);
  }
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, kMaxDelayMs));
}

std::string format_delay(std::uint32_t ms) {
  auto two_digits = [](std::uint32_t n) {
    std::string text = std::to_string(n);
    return text.size() < 2 ? "0" + text : text;
  };
  return two_digits(ms / 60000) + ":" + two_digits(ms % 60000 / 1000) + "." +
         two_digits(ms % 1000 / 10);
}

std::string apply_delay_mask(std::string_view text) {
  std::string mask(kDelayMask);
  std::size_t index = 0;
  for (std::size_t pos = 0; pos < text.size() && index < kDelayMaskLength; ++index) {
    char32_t cp = decode_utf8(text, pos);
    bool digit_position =
        std::find(kDigitPositions.begin(), kDigitPositions.end(), index) != kDigitPositions.end();
    if (digit_position && is_ascii_digit(cp)) mask[index] = static_cast<char>(cp);
  }
  return mask;
}

MaskEdit edit_delay_text(std::string_view previous, std::string_view current, std::size_t caret) {
  std::u32string old_chars = code_points(previous);
  std::u32string new_chars = code_points(current);
  std::size_t at = char_index(current, caret);

  if (at > 0 && new_chars.size() == old_chars.size() + 1) {
    // One character typed: overwrite the next digit position at or after where it went.
    if (at > new_chars.size() || !is_ascii_digit(new_chars[at - 1])) {
      return MaskEdit{std::string(previous), byte_offset(previous, at - 1)};
    }
    std::string masked = apply_delay_mask(previous);
    for (std::size_t i = 0; i < kDigitPositions.size(); ++i) {
      std::size_t p = kDigitPositions[i];
      if (p + 1 < at) continue;
      masked[p] = static_cast<char>(new_chars[at - 1]);
      std::size_t next = i + 1 < kDigitPositions.size() ? kDigitPositions[i + 1] : kDelayMaskLength;
      return MaskEdit{std::move(masked), next};
    }
    // Typing at the end of a full field changes nothing.
    return MaskEdit{std::move(masked), kDelayMaskLength};
  }

  if (new_chars.size() + 1 == old_chars.size()) {
    // One character removed (Backspace or Delete): zero the digit at or before the caret.
    std::string masked = apply_delay_mask(previous);
    for (std::size_t i = kDigitPositions.size(); i-- > 0;) {
      std::size_t p = kDigitPositions[i];
      if (p > at) continue;
      masked[p] = '0';
      return MaskEdit{std::move(masked), p};
    }
    return MaskEdit{std::move(masked), 0};
  }

  return MaskEdit{apply_delay_mask(current), kDelayMaskLength};
}

MaskEdit focus_delay_text(std::string_view value) {
  return MaskEdit{apply_delay_mask(value), 0};
}

std::string normalize_delay_text(std::string_view value) {
  return format_delay(std::min(parse_delay(value), kMaxDelayFieldMs));
}

bool delay2_follows_after_input(DelayField field, bool delay2_follows) noexcept {
  return field == DelayField::Delay2 ? false : delay2_follows;
}

bool delay2_must_follow(std::string_view delay1_text, std::string_view delay2_text,
                        bool delay2_follows) {
  if (!trim_white_space(delay2_text).empty() && !delay2_follows &&
      parse_delay(delay2_text) >= parse_delay(delay1_text)) {
    return false;
  }
  return true;
}

DelayBlur leave_delay_field(DelayField field, std::string_view value, std::string_view delay2_value,
                            bool delay2_follows) {
  DelayBlur blur{normalize_delay_text(value), std::nullopt, delay2_follows};
  if (field == DelayField::Delay1 && delay2_must_follow(blur.text, delay2_value, delay2_follows)) {
    blur.delay2_text = blur.text;
    blur.delay2_follows = true;
  }
  return blur;
}

MaskEdit DelayEditor::focus(std::string_view value) {
  MaskEdit edit = focus_delay_text(value);
  m_previous = edit.text;
  return edit;
}

MaskEdit DelayEditor::input(std::string_view value, std::size_t caret, bool& delay2_follows) {
  MaskEdit edit = edit_delay_text(m_previous, value, caret);
  m_previous = edit.text;
  delay2_follows = delay2_follows_after_input(m_field, delay2_follows);
  return edit;
}

DelayBlur DelayEditor::blur(std::string_view value, std::string_view delay2_value,
                            bool delay2_follows) const {
  return leave_delay_field(m_field, value, delay2_value, delay2_follows);
}

DelayRange read_delay_range(std::optional<std::string_view> delay1_text,
                            std::optional<std::string_view> delay2_text) {
  DelayRange range;
  range.delay1 = parse_delay(delay1_text.value_or(std::string_view{}));
  range.delay2 = std::max(parse_delay(delay2_text.value_or(std::string_view{})), range.delay1);
  return range;
}

}  // namespace tw

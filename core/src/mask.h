#pragma once

// Delay texts: the MM:SS.cc form of the two delay inputs ("00:00.00" mask) and whole
// milliseconds, plus the overwrite-style mask editor of those inputs as pure functions.
//
// Carets are byte offsets into the UTF-8 value, as the engine reports and takes them
// (get_selection / set_selection). Lengths compared by the editor ("one character more or
// less") and positions inside the mask count Unicode characters; the texts the editor
// produces are masks, plain ASCII, where both measures agree.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

// Largest value parse_delay returns: 24 hours.
inline constexpr std::uint32_t kMaxDelayMs = 86400000;
// Largest value a delay input shows after it loses focus: 99:59.99.
inline constexpr std::uint32_t kMaxDelayFieldMs = 5999990;
// What parse_delay gives for text it cannot read: one second.
inline constexpr std::uint32_t kDefaultDelayMs = 1000;
// The mask of an empty delay input; digits sit at 0, 1, 3, 4, 6 and 7.
inline constexpr std::string_view kDelayMask = "00:00.00";
inline constexpr std::size_t kDelayMaskLength = 8;

// Milliseconds of a delay text; never fails. Plain (signed) milliseconds or MM:SS.cc or
// HH:MM:SS.cc; spaces count as zero digits; unreadable text gives kDefaultDelayMs (an empty
// text too); the result is clamped to 0..kMaxDelayMs.
std::uint32_t parse_delay(std::string_view text);

// MM:SS.cc of `ms`, milliseconds truncated; minutes are not capped (1440:00.00 for 24 h).
std::string format_delay(std::uint32_t ms);

// "00:00.00" with each digit position taken from `text` where `text` has an ASCII digit at
// that character index. Always 8 characters, ":" at 2 and "." at 5.
std::string apply_delay_mask(std::string_view text);

// Text and caret (byte offset) to write back into a delay input.
struct MaskEdit {
  std::string text;
  std::size_t caret = 0;

  bool operator==(const MaskEdit&) const = default;
};

// The mask editor for one `input` event: `previous` is the last text the editor accepted for
// this input, `current` the input's value now, `caret` the smaller end of its selection
// (0 when the selection cannot be read). Typing a digit overwrites the next digit position,
// skipping separators; a non-digit is refused; deleting one character zeroes the digit at or
// before the caret; anything else (paste, replaced selection) is masked as a whole.
// The caller writes `text`, collapses the selection to `caret` and remembers `text`.
MaskEdit edit_delay_text(std::string_view previous, std::string_view current, std::size_t caret);

// On focus: the masked value, caret at the start. The caller remembers `text`.
MaskEdit focus_delay_text(std::string_view value);

// On blur: the value as milliseconds, capped at 99:59.99, written back as MM:SS.cc.
std::string normalize_delay_text(std::string_view value);

enum class DelayField { Delay1, Delay2 };

// The follow flag after an `input` event in `field`: typing into delay2 means the user has
// taken over the upper bound.
bool delay2_follows_after_input(DelayField field, bool delay2_follows) noexcept;

// After delay1 has been normalised on blur: true when delay2 must take delay1's text and the
// follow flag be set (delay2 empty, still following, or smaller than delay1). False leaves
// both alone (the flag is then already clear).
bool delay2_must_follow(std::string_view delay1_text, std::string_view delay2_text,
                        bool delay2_follows);

// What leaving a delay input does, for the main screen to apply as it stands.
struct DelayBlur {
  std::string text;                        // the normalised value of the field left
  std::optional<std::string> delay2_text;  // set when delay2 must take this text
  bool delay2_follows = false;             // the follow flag afterwards
};
DelayBlur leave_delay_field(DelayField field, std::string_view value, std::string_view delay2_value,
                            bool delay2_follows);

// The editor of one delay input with its memory (the last text it accepted), binding the rules
// above to the input's focus, input and blur events. The follow flag lives with the caller
// (the main screen's state).
class DelayEditor {
 public:
  explicit DelayEditor(DelayField field) : m_field(field) {}

  DelayField field() const noexcept { return m_field; }
  const std::string& previous() const noexcept { return m_previous; }

  // `focus`: the value to write and the caret to set.
  MaskEdit focus(std::string_view value);
  // `input`: `caret` is the smaller end of the selection (0 when unreadable). Clears
  // `delay2_follows` when this is delay2.
  MaskEdit input(std::string_view value, std::size_t caret, bool& delay2_follows);
  // `blur`: see leave_delay_field; `delay2_value` is only read for delay1.
  DelayBlur blur(std::string_view value, std::string_view delay2_value, bool delay2_follows) const;

 private:
  DelayField m_field;
  std::string m_previous;
};

// The delay range of a run or a new entry: delay2 is at least delay1. A missing input reads
// as empty text (one second). delay1 == 0 means "no delay set" to the caller.
struct DelayRange {
  std::uint32_t delay1 = 0;
  std::uint32_t delay2 = 0;

  bool operator==(const DelayRange&) const = default;
};
DelayRange read_delay_range(std::optional<std::string_view> delay1_text,
                            std::optional<std::string_view> delay2_text);

}  // namespace tw

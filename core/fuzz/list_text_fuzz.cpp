// List-file text and delay texts from arbitrary bytes: never a crash, and the results keep the
// invariants the runner relies on (delay1 <= delay2 <= 24 h, round trip through the writer,
// a limited read is the start of the whole one, the editor's output stays in the mask's shape).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "area.h"
#include "mask.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  auto entries = tw::read_list_text(input);
  if (entries) {
    for (const tw::ClickEntry& entry : *entries) {
      check(entry.delay1 <= entry.delay2 && entry.delay2 <= tw::kMaxDelayMs);
      check(entry.mouse <= tw::kMouseWheel && entry.click <= tw::kClickDouble);
    }
    auto again = tw::read_list_text(tw::write_list_text(*entries));
    check(again && *again == *entries);
  }

  // A limited read gives the first entries of the whole read, and is capped exactly when
  // the whole read has more.
  std::size_t max_entries = size == 0 ? 0 : data[size - 1] % 8;
  auto first = tw::read_list_text(input, max_entries);
  check(first.has_value() == entries.has_value());
  if (first && entries) {
    std::size_t taken = std::min(max_entries, entries->size());
    check(first->entries.size() == taken);
    check(std::equal(first->entries.begin(), first->entries.end(), entries->begin()));
    check(first->capped == (entries->size() > max_entries));
  }

  std::uint32_t ms = tw::parse_delay(input);
  check(ms <= tw::kMaxDelayMs);
  std::string normal = tw::normalize_delay_text(input);
  check(tw::parse_delay(normal) == std::min(ms, tw::kMaxDelayFieldMs) / 10 * 10);

  // Split the input into the previous text, the new value and a caret.
  std::size_t cut = input.find('\x01');
  std::string_view previous = cut == std::string_view::npos ? input : input.substr(0, cut);
  std::string_view current =
      cut == std::string_view::npos ? std::string_view{} : input.substr(cut + 1);
  std::size_t caret = size == 0 ? 0 : data[0] % 16;
  tw::MaskEdit edit = tw::edit_delay_text(previous, current, caret);
  if (edit.text != previous) {
    check(edit.text.size() == tw::kDelayMaskLength && edit.text[2] == ':' && edit.text[5] == '.');
    check(edit.caret <= tw::kDelayMaskLength);
  } else {
    check(edit.caret <= previous.size());
  }
  check(tw::apply_delay_mask(input).size() == tw::kDelayMaskLength);
  return 0;
}

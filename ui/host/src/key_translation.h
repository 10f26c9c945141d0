#pragma once

// Keyboard and text input as the host window hands it to the engine: Windows virtual-key
// codes become the engine's key codes, the character a key press produces is chosen from
// what the keyboard layout reports, and UTF-16 units from character messages are joined
// into code points. Portable: the window procedure feeds it the values it read from the
// system, so the rules can be checked anywhere.

#include <cstddef>
#include <cstdint>

namespace orlan::host {

// The engine key code for a virtual key. `mapped` is what the layout maps the key to
// (MapVirtualKeyW with MAPVK_VK_TO_CHAR): used only for keys outside the engine's table,
// and never when its top bit marks a dead key.
std::uint32_t engine_key_code(std::uint32_t virtual_key, std::uint32_t mapped) noexcept;

// Modifier bits (orlan::kModShift, ...) from the keys' down states.
std::uint32_t modifier_bits(bool shift, bool control, bool alt, bool windows) noexcept;

// The character a key press produces. `mapped` as above; `units`/`count` what ToUnicode
// wrote for the key (count <= 0: nothing, or not asked because a dead key is pending).
struct KeyCharacter {
  std::uint32_t code_point = 0;  // 0: none
  bool dead = false;             // the key is a dead key: it waits for the next one
};
KeyCharacter produced_character(std::uint32_t mapped, const char16_t* units, int count) noexcept;
// Whether the key's character must be asked of the layout: not for dead keys, keys that
// map to a control character or nothing, and not while a dead key waits (asking would use
// it up).
bool should_ask_layout(std::uint32_t mapped, bool dead_key_pending) noexcept;

// Joins UTF-16 units that arrive one message at a time. A high surrogate waits for its low
// surrogate; a surrogate without its partner is dropped.
class SurrogateJoiner {
 public:
  // The code point completed by `unit`, or 0 when there is none yet (or it was dropped).
  std::uint32_t feed(std::uint16_t unit) noexcept;
  void reset() noexcept { m_pending = 0; }
  std::uint16_t pending() const noexcept { return m_pending; }

 private:
  std::uint16_t m_pending = 0;
};

// Whether a character message carries text for the engine: control characters (below
// 0x20 and 0x7F) do not.
inline bool is_text_character(std::uint32_t unit) {
  return unit >= 0x20 && unit != 0x7F;
}

// The byte offset in the UTF-8 form of `text` of the position `units` UTF-16 units in
// (clamped to the text; an unpaired surrogate counts as U+FFFD, three bytes).
std::uint32_t utf8_offset_of(const char16_t* text, std::size_t length, std::size_t units) noexcept;

}  // namespace orlan::host

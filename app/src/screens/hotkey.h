#pragma once

// A global hotkey as the system registers it: modifier bits and a virtual-key code.
// Also its registry coding, its display name and the mapping from the engine's key events
// while the user presses a new combination into a hotkey input.

#include <cstdint>
#include <string>

namespace tw {

// The system's hotkey modifier bits. No other bits are ever produced.
inline constexpr std::uint32_t kHotkeyAlt = 0x1;
inline constexpr std::uint32_t kHotkeyCtrl = 0x2;
inline constexpr std::uint32_t kHotkeyShift = 0x4;

struct Hotkey {
  std::uint32_t modifiers = 0;
  std::uint32_t key = 0;  // virtual-key code; 0 means no hotkey

  bool operator==(const Hotkey&) const = default;
};

// Hotkey ids of the main window.
inline constexpr int kRunHotkeyId = 1;
inline constexpr int kAddHotkeyId = 2;

// Registry values and their defaults when missing: F3 and F4 without modifiers.
inline constexpr const char* kRunHotkeyValue = "hotkey_run";
inline constexpr const char* kAddHotkeyValue = "hotkey_add";
inline constexpr std::uint32_t kDefaultRunHotkey = 0x72;
inline constexpr std::uint32_t kDefaultAddHotkey = 0x73;

// key | modifiers << 16.
std::uint32_t hotkey_to_registry(Hotkey hotkey) noexcept;
// modifiers = bits 16..19, key = the low 16 bits.
Hotkey hotkey_from_registry(std::uint32_t value) noexcept;

// "Ctrl+", "Alt+", "Shift+" in this order for the bits that are set.
std::string hotkey_modifier_prefix(std::uint32_t modifiers);
// The fixed English name of a virtual key ("F3", "PageUp", "A"); "0x" and at least two
// upper-case hex digits for keys without a name.
std::string virtual_key_name(std::uint32_t key);
// Prefix and key name; empty when the key is 0.
std::string hotkey_display_name(Hotkey hotkey);

// What one keydown in a capturing hotkey input means.
enum class CaptureKind {
  kModifierOnly,  // Shift, Ctrl, Alt or a Windows key alone: show the prefix, go on
  kClear,         // Escape: no hotkey
  kKey,           // a key that can be a hotkey: (modifiers, key)
  kIgnored,       // anything else: go on
};

struct CaptureKey {
  CaptureKind kind = CaptureKind::kIgnored;
  Hotkey hotkey;  // kModifierOnly: the modifiers held; kKey: the full pair
};

// Maps the engine's key code and modifier bits (1 Shift, 2 Ctrl, 4 Alt, 8 Windows) of a
// keydown. A modifier key counts as held while it is being pressed, whatever the host
// reported; the Windows key is never part of a hotkey.
CaptureKey capture_key(std::uint32_t engine_key, std::uint32_t engine_modifiers) noexcept;

}  // namespace tw

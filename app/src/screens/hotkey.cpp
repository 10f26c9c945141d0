#include "hotkey.h"

#include <cstdio>

#include "orlan/orlan.h"

namespace tw {

std::uint32_t hotkey_to_registry(Hotkey hotkey) noexcept {
  return (hotkey.key & 0xFFFF) | ((hotkey.modifiers & 0xF) << 16);
}

Hotkey hotkey_from_registry(std::uint32_t value) noexcept {
  return Hotkey{(value >> 16) & 0xF, value & 0xFFFF};
}

std::string hotkey_modifier_prefix(std::uint32_t modifiers) {
  std::string prefix;
  if (modifiers & kHotkeyCtrl) prefix += "Ctrl+";
  if (modifiers & kHotkeyAlt) prefix += "Alt+";
  if (modifiers & kHotkeyShift) prefix += "Shift+";
  return prefix;
}

std::string virtual_key_name(std::uint32_t key) {
  switch (key) {
    case 0x08:
      return "Backspace";
    case 0x09:
      return "Tab";
    case 0x0D:
      return "Enter";
    case 0x13:
      return "Pause";
    case 0x20:
      return "Space";
    case 0x21:
      return "PageUp";
    case 0x22:
      return "PageDown";
    case 0x23:
      return "End";
    case 0x24:
      return "Home";
    case 0x25:
      return "Left";
    case 0x26:
      return "Up";
    case 0x27:
      return "Right";
    case 0x28:
      return "Down";
    case 0x2D:
      return "Insert";
    case 0x2E:
      return "Delete";
    case 0x91:
      return "ScrollLock";
    default:
      break;
  }
  if ((key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A)) {
    return std::string(1, static_cast<char>(key));
  }
  char name[16];
  if (key >= 0x70 && key <= 0x7B)
    std::snprintf(name, sizeof name, "F%u", static_cast<unsigned>(key - 0x70 + 1));
  else
    std::snprintf(name, sizeof name, "0x%02X", static_cast<unsigned>(key));
  return name;
}

std::string hotkey_display_name(Hotkey hotkey) {
  if (hotkey.key == 0) return {};
  return hotkey_modifier_prefix(hotkey.modifiers) + virtual_key_name(hotkey.key);
}

namespace {

std::uint32_t hotkey_modifiers_of(std::uint32_t engine_modifiers) noexcept {
  std::uint32_t modifiers = 0;
  if (engine_modifiers & orlan::kModAlt) modifiers |= kHotkeyAlt;
  if (engine_modifiers & orlan::kModCtrl) modifiers |= kHotkeyCtrl;
  if (engine_modifiers & orlan::kModShift) modifiers |= kHotkeyShift;
  return modifiers;
}

// The virtual key of an engine key code that may become a hotkey, or 0.
std::uint32_t hotkey_virtual_key(std::uint32_t key) noexcept {
  switch (key) {
    case orlan::kKeyBackspace:
      return 0x08;
    case orlan::kKeyTab:
      return 0x09;
    case orlan::kKeyEnter:
      return 0x0D;
    case orlan::kKeyDelete:
      return 0x2E;
    case orlan::kKeyInsert:
      return 0x2D;
    case orlan::kKeyHome:
      return 0x24;
    case orlan::kKeyEnd:
      return 0x23;
    case orlan::kKeyPageUp:
      return 0x21;
    case orlan::kKeyPageDown:
      return 0x22;
    case orlan::kKeyLeft:
      return 0x25;
    case orlan::kKeyRight:
      return 0x27;
    case orlan::kKeyUp:
      return 0x26;
    case orlan::kKeyDown:
      return 0x28;
    case ' ':
      return 0x20;
    default:
      break;
  }
  if (key >= '0' && key <= '9') return key;
  if (key >= 'A' && key <= 'Z') return key;
  // Letters come upper-case from the engine; a host that reports the lower-case character
  // still means the same key.
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  if (key >= orlan::kKeyF1 && key < orlan::kKeyF1 + 12) return 0x70 + (key - orlan::kKeyF1);
  return 0;
}

}  // namespace

CaptureKey capture_key(std::uint32_t engine_key, std::uint32_t engine_modifiers) noexcept {
  std::uint32_t modifiers = hotkey_modifiers_of(engine_modifiers);
  switch (engine_key) {
    case orlan::kKeyShift:
      return {CaptureKind::kModifierOnly, {modifiers | kHotkeyShift, 0}};
    case orlan::kKeyControl:
      return {CaptureKind::kModifierOnly, {modifiers | kHotkeyCtrl, 0}};
    case orlan::kKeyAlt:
      return {CaptureKind::kModifierOnly, {modifiers | kHotkeyAlt, 0}};
    case orlan::kKeyWindows:
      return {CaptureKind::kModifierOnly, {modifiers, 0}};
    case orlan::kKeyEscape:
      return {CaptureKind::kClear, {}};
    default:
      break;
  }
  std::uint32_t virtual_key = hotkey_virtual_key(engine_key);
  if (virtual_key == 0) return {CaptureKind::kIgnored, {}};
  return {CaptureKind::kKey, {modifiers, virtual_key}};
}

}  // namespace tw

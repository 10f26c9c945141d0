#include "hotkey.h"

#include <gtest/gtest.h>

#include "orlan/orlan.h"

namespace {

using tw::CaptureKind;
using tw::Hotkey;

TEST(HotkeyRegistry, CodesKeyLowAndModifiersHigh) {
  EXPECT_EQ(tw::hotkey_to_registry(Hotkey{tw::kHotkeyCtrl | tw::kHotkeyShift, 0x41}), 0x60041u);
  EXPECT_EQ(tw::hotkey_to_registry(Hotkey{0, 0x72}), 0x72u);
  EXPECT_EQ(tw::hotkey_to_registry(Hotkey{}), 0u);
}

TEST(HotkeyRegistry, ReadsOnlyFourModifierBitsAndSixteenKeyBits) {
  EXPECT_EQ(tw::hotkey_from_registry(0x60041), (Hotkey{6, 0x41}));
  EXPECT_EQ(tw::hotkey_from_registry(0xFFF30073), (Hotkey{3, 0x73}));
  EXPECT_EQ(tw::hotkey_from_registry(0x123456), (Hotkey{2, 0x3456}));
}

TEST(HotkeyRegistry, DefaultsAreF3AndF4) {
  EXPECT_EQ(tw::virtual_key_name(tw::kDefaultRunHotkey), "F3");
  EXPECT_EQ(tw::virtual_key_name(tw::kDefaultAddHotkey), "F4");
}

TEST(HotkeyDisplayName, PrefixOrderIsCtrlAltShift) {
  EXPECT_EQ(tw::hotkey_display_name(Hotkey{7, 0x41}), "Ctrl+Alt+Shift+A");
  EXPECT_EQ(tw::hotkey_display_name(Hotkey{tw::kHotkeyShift | tw::kHotkeyAlt, 0x70}),
            "Alt+Shift+F1");
  EXPECT_EQ(tw::hotkey_display_name(Hotkey{tw::kHotkeyCtrl, 0x7B}), "Ctrl+F12");
}

TEST(HotkeyDisplayName, EmptyForNoKeyEvenWithModifiers) {
  EXPECT_EQ(tw::hotkey_display_name(Hotkey{tw::kHotkeyCtrl, 0}), "");
}

TEST(HotkeyDisplayName, NamedKeys) {
  const std::pair<std::uint32_t, const char*> names[] = {
      {0x08, "Backspace"},  {0x09, "Tab"},      {0x0D, "Enter"}, {0x13, "Pause"},  {0x20, "Space"},
      {0x21, "PageUp"},     {0x22, "PageDown"}, {0x23, "End"},   {0x24, "Home"},   {0x25, "Left"},
      {0x26, "Up"},         {0x27, "Right"},    {0x28, "Down"},  {0x2D, "Insert"}, {0x2E, "Delete"},
      {0x91, "ScrollLock"}, {0x30, "0"},        {0x39, "9"},     {0x41, "A"},      {0x5A, "Z"},
      {0x70, "F1"},         {0x79, "F10"},      {0x7B, "F12"}};
  for (auto [key, name] : names) EXPECT_EQ(tw::virtual_key_name(key), name) << key;
}

TEST(HotkeyDisplayName, OtherKeysAsUpperCaseHexWithAtLeastTwoDigits) {
  EXPECT_EQ(tw::virtual_key_name(0xBA), "0xBA");
  EXPECT_EQ(tw::virtual_key_name(0x05), "0x05");
  EXPECT_EQ(tw::virtual_key_name(0x7C), "0x7C");  // F13 has no name
  EXPECT_EQ(tw::virtual_key_name(0x1234), "0x1234");
  EXPECT_EQ(tw::hotkey_display_name(tw::hotkey_from_registry(0xBA)), "0xBA");
}

TEST(CaptureKey, ModifierKeysAloneShowTheirPrefix) {
  // Whether or not the host already counts the key being pressed as held.
  auto ctrl = tw::capture_key(orlan::kKeyControl, 0);
  EXPECT_EQ(ctrl.kind, CaptureKind::kModifierOnly);
  EXPECT_EQ(tw::hotkey_modifier_prefix(ctrl.hotkey.modifiers), "Ctrl+");
  auto shift = tw::capture_key(orlan::kKeyShift, orlan::kModCtrl | orlan::kModShift);
  EXPECT_EQ(tw::hotkey_modifier_prefix(shift.hotkey.modifiers), "Ctrl+Shift+");
  auto alt = tw::capture_key(orlan::kKeyAlt, orlan::kModCtrl);
  EXPECT_EQ(tw::hotkey_modifier_prefix(alt.hotkey.modifiers), "Ctrl+Alt+");
}

TEST(CaptureKey, WindowsKeyIsNeverPartOfAHotkey) {
  auto win = tw::capture_key(orlan::kKeyWindows, orlan::kModWin | orlan::kModAlt);
  EXPECT_EQ(win.kind, CaptureKind::kModifierOnly);
  EXPECT_EQ(win.hotkey.modifiers, tw::kHotkeyAlt);
  auto key = tw::capture_key('Q', orlan::kModWin);
  EXPECT_EQ(key.kind, CaptureKind::kKey);
  EXPECT_EQ(key.hotkey, (Hotkey{0, 'Q'}));
}

TEST(CaptureKey, EngineModifierBitsBecomeHotkeyBits) {
  // Engine: 1 Shift, 2 Ctrl, 4 Alt. Hotkey: 1 Alt, 2 Ctrl, 4 Shift.
  EXPECT_EQ(tw::capture_key('A', orlan::kModShift).hotkey.modifiers, tw::kHotkeyShift);
  EXPECT_EQ(tw::capture_key('A', orlan::kModAlt).hotkey.modifiers, tw::kHotkeyAlt);
  EXPECT_EQ(tw::capture_key('A', orlan::kModCtrl | orlan::kModShift).hotkey,
            (Hotkey{tw::kHotkeyCtrl | tw::kHotkeyShift, 0x41}));
}

TEST(CaptureKey, MapsEveryAllowedKeyToItsVirtualKey) {
  const std::pair<std::uint32_t, std::uint32_t> keys[] = {{orlan::kKeyBackspace, 0x08},
                                                          {orlan::kKeyTab, 0x09},
                                                          {orlan::kKeyEnter, 0x0D},
                                                          {orlan::kKeyDelete, 0x2E},
                                                          {orlan::kKeyInsert, 0x2D},
                                                          {orlan::kKeyHome, 0x24},
                                                          {orlan::kKeyEnd, 0x23},
                                                          {orlan::kKeyPageUp, 0x21},
                                                          {orlan::kKeyPageDown, 0x22},
                                                          {orlan::kKeyLeft, 0x25},
                                                          {orlan::kKeyRight, 0x27},
                                                          {orlan::kKeyUp, 0x26},
                                                          {orlan::kKeyDown, 0x28},
                                                          {' ', 0x20},
                                                          {'0', 0x30},
                                                          {'9', 0x39},
                                                          {'A', 0x41},
                                                          {'Z', 0x5A},
                                                          {orlan::kKeyF1, 0x70},
                                                          {orlan::kKeyF1 + 11, 0x7B}};
  for (auto [engine, vk] : keys) {
    tw::CaptureKey mapped = tw::capture_key(engine, 0);
    EXPECT_EQ(mapped.kind, CaptureKind::kKey) << engine;
    EXPECT_EQ(mapped.hotkey.key, vk) << engine;
  }
}

TEST(CaptureKey, EscapeClearsAndOtherKeysAreIgnored) {
  EXPECT_EQ(tw::capture_key(orlan::kKeyEscape, orlan::kModCtrl).kind, CaptureKind::kClear);
  for (std::uint32_t other : {std::uint32_t{';'}, std::uint32_t{'-'}, std::uint32_t{0xE9},
                              std::uint32_t{0}, std::uint32_t{orlan::kKeyF1 + 12}}) {
    EXPECT_EQ(tw::capture_key(other, 0).kind, CaptureKind::kIgnored) << other;
  }
}

}  // namespace

#pragma once

// The two global hotkeys of the main window: run/stop (id 1) and add record (id 2), their
// registration, the hotkey message handler and capturing a new combination in the inputs
// `hk-run` and `hk-add`.

#include "screen_context.h"
#include "screen_view.h"

namespace tw {

enum class HotkeySlot { kRun, kAdd };

// Reads `hotkey_run` and `hotkey_add` (defaults F3 and F4) into the state and shows both
// in their inputs.
void load_hotkeys(const ScreenContext& context);

// For id 1 and then id 2: unregisters it, then registers the pair when its key is not 0.
// Success (a key of 0 too) writes the pair to its registry value. A refusal shows
// msg.hotkey_failed with the display name, turns the hotkey off (0, 0) without touching
// the registry, and shows "None" in its input.
void register_hotkeys(const ScreenContext& context);
// Unregisters ids 1 and 2; failures are ignored.
void unregister_hotkeys(const ScreenContext& context);

// The main window's hotkey message. Id 1 starts or stops a run; id 2 (not while running)
// appends the pointer's position with the selected button, kind and delays to the list.
// Other ids are ignored.
void handle_hotkey(const ScreenContext& context, int id);

// Capture in a hotkey input: focus unregisters both hotkeys and asks for a key; keydown
// takes the combination (Escape clears it, a duplicate of the other hotkey is refused with
// msg.hotkey_dup) and gives the focus up; blur shows the pair and registers both again.
void capture_focus(const ScreenContext& context, HotkeySlot slot, orlan::Node* input);
void capture_keydown(const ScreenContext& context, HotkeySlot slot, orlan::Node* input,
                     orlan::Event* event);
void capture_blur(const ScreenContext& context, HotkeySlot slot, orlan::Node* input);

// Binds focus, keydown and blur on `hk-run` and `hk-add`.
void bind_hotkey_capture(ScreenView& view, const ScreenContext& context);

}  // namespace tw

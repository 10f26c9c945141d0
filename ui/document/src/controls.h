#pragma once

// Form controls behind the input calls: checked state and radio groups, the editing of
// text fields and textareas (caret, selection, undo, clipboard, composition), number
// fields, the select popup and the tooltip.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "document.h"

namespace orlan {

// ---- Kinds ----

bool is_editable_text_control(const Node& element);
bool is_password_field(const Node& element);
bool is_number_field(const Node& element);
bool is_read_only(const Node& element);
// The element or an element ancestor is disabled.
bool in_disabled_subtree(const Node* node);

// ---- Options ----

// The option marked selected, else the first option; null without options.
Node* selected_option(Node& select);
// Marks `chosen` as the one selected option (no event).
void select_option(Node& select, Node& chosen);

// ---- Checked state ----

// Sets or clears the checked bit of a checkbox, radio or option; setting a radio
// unchecks the others of its group. Returns whether it changed.
bool set_checked(Node& element, bool checked);
// The user's toggle: a checked radio stays; otherwise flips and dispatches input, change.
void toggle(Node& element);

// ---- Editing ----

// The editing record, made when missing (null when out of memory).
EditState* ensure_edit_state(Node& control) noexcept;
// Frees the buffers an editing record holds (the record itself stays).
void release_edit_buffers(Document& document, EditState& edit) noexcept;
// The single editing primitive: replaces bytes [start, end) by `text`. False when the
// control is read-only or memory ran out (nothing changed then).
bool edit_replace(Node& control, std::uint32_t start, std::uint32_t end, std::string_view text,
                  std::uint8_t kind);
// Focus arrives at or leaves a text control.
void begin_editing(Node& control);
void end_editing(Node& control);
// A key down in the focused text control; returns whether it used the key.
bool text_control_key(Node& control, std::uint32_t key, std::uint32_t modifiers);
// Places the caret at a document point (Shift extends, a double click selects a word).
void place_caret_at_point(Node& control, float x, float y, bool extend, bool select_word);
bool undo(Node& control);
bool redo(Node& control);
void restart_caret_blink(Document& document, EditState* edit);

// Number fields (value text in, value text out: "%.10g", or empty).
void normalise_number_field(Node& control);
void step_number_field(Node& control, int direction);

// ---- Clipboard ----

void clipboard_write(Document& document, std::string_view text);
// The clipboard's text (empty when there is none).
std::string_view clipboard_read(Document& document);

// ---- Select popup ----

void open_select_popup(Document& document, Node& select);
// Picks the option at the row's position and closes the popup.
void choose_popup_row(Document& document, Node& row);
// Moves "active" to the previous (-1) or next (+1) row.
void move_popup_active(Document& document, int direction);
Node* popup_active_row(Document& document);

// ---- Hover ----

// The element under the pointer changed: hover bits, mouseleave and mouseenter.
void update_hover(Document& document, Node* element);

// ---- Tooltip ----

// The pointer is over `hovered`: the nearest element with a `title` becomes the candidate.
void update_tooltip_candidate(Document& document, Node* hovered);

}  // namespace orlan

#pragma once

// Event types, the Event record handed to handlers, and the calls that run handlers.

#include <cstdint>
#include <string_view>

#include "node.h"

namespace orlan {

enum class EventType : std::int32_t {
  kNone = 0,
  kClick = 1,
  kDblclick = 2,
  kMousedown = 3,
  kMouseup = 4,
  kMousemove = 5,
  kMouseenter = 6,
  kMouseleave = 7,
  kWheel = 8,
  kKeydown = 9,
  kKeyup = 10,
  kInput = 11,
  kChange = 12,
  kFocus = 13,
  kBlur = 14,
  kScroll = 15,
  kResize = 16,
  kContextmenu = 17,
  kActivate = 18,
  kDeactivate = 19,
  kCompositionstart = 20,
  kCompositionupdate = 21,
  kCompositionend = 22,
};

inline constexpr int kEventTypeCount = 22;

enum class EventPayload : std::uint8_t { kNone, kPointer, kKey, kText };

// The type id of an event name (exact, case-sensitive), or kNone.
EventType find_event_type(std::string_view name) noexcept;
std::string_view event_type_name(EventType type) noexcept;
bool event_type_bubbles(EventType type) noexcept;
EventPayload event_type_payload(EventType type) noexcept;

struct PointerData {
  float x, y;           // CSS pixels in document coordinates
  std::int32_t button;  // 0 left, 1 middle, 2 right
  float wheel_delta;    // wheel only
  std::uint32_t modifiers;
};

struct KeyData {
  std::uint32_t key_code;
  std::uint32_t modifiers;
  std::uint32_t character;  // the character the key produces, as the host supplies it
  std::uint32_t repeat;
};

struct TextData {
  const char* text;
  std::uint32_t length;
};

// Built on the stack for one dispatch.
struct Event {
  std::int32_t type = 0;
  Node* target = nullptr;
  Node* current = nullptr;  // the node whose handlers are running
  std::uint8_t default_prevented = 0;
  union {
    PointerData pointer;
    KeyData key;
    TextData text;
  } payload{};

  EventType kind() const { return static_cast<EventType>(type); }
};

// Appends a handler to the element's list unless the same (type, callback, user) is
// already registered. kOk or kOutOfMemory.
Status add_handler(Node& element, EventType type, EventCallback callback, void* user) noexcept;

// Runs the handlers of `node` registered for the event's type, in registration order,
// with `node` as the current node. Handlers registered while they run wait for the next
// event. The caller holds a dispatch scope.
void run_handlers(Node& node, Event& event);

// Dispatches the event at its target: the target, then (for bubbling types) its element
// ancestors, at most 256 nodes, each running its handlers. Nodes removed by handlers are
// destroyed when the outermost dispatch ends. Returns whether the default was prevented.
bool dispatch(Event& event);

// Shorthands that build the record and dispatch it at `target` (for the engine's input
// paths and for tests of application handlers). Each returns whether a handler
// prevented the default.
bool fire_event(Node& target, EventType type);
bool fire_pointer_event(Node& target, EventType type, std::int32_t button, float x, float y,
                        std::uint32_t modifiers);
bool fire_key_event(Node& target, EventType type, std::uint32_t key_code, std::uint32_t modifiers);

// Frees the handler records of a node being destroyed.
void release_handlers(Document& document, Node& node) noexcept;

}  // namespace orlan

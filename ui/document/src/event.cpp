#include "event.h"

#include <algorithm>
#include <array>

#include "document.h"
#include "last_error.h"

namespace orlan {

namespace {

struct EventTypeInfo {
  std::string_view name;
  EventType type;
};

// Sorted by name for the binary search of on().
constexpr std::array<EventTypeInfo, kEventTypeCount> kByName = {{
    {"activate", EventType::kActivate},
    {"blur", EventType::kBlur},
    {"change", EventType::kChange},
    {"click", EventType::kClick},
    {"compositionend", EventType::kCompositionend},
    {"compositionstart", EventType::kCompositionstart},
    {"compositionupdate", EventType::kCompositionupdate},
    {"contextmenu", EventType::kContextmenu},
    {"dblclick", EventType::kDblclick},
    {"deactivate", EventType::kDeactivate},
    {"focus", EventType::kFocus},
    {"input", EventType::kInput},
    {"keydown", EventType::kKeydown},
    {"keyup", EventType::kKeyup},
    {"mousedown", EventType::kMousedown},
    {"mouseenter", EventType::kMouseenter},
    {"mouseleave", EventType::kMouseleave},
    {"mousemove", EventType::kMousemove},
    {"mouseup", EventType::kMouseup},
    {"resize", EventType::kResize},
    {"scroll", EventType::kScroll},
    {"wheel", EventType::kWheel},
}};

constexpr bool names_sorted() {
  for (std::size_t i = 1; i < kByName.size(); ++i)
    if (!(kByName[i - 1].name < kByName[i].name)) return false;
  return true;
}
static_assert(names_sorted(), "event names must stay sorted for binary search");

struct TypeTraits {
  bool bubbles;
  EventPayload payload;
};

// Indexed by type id.
constexpr TypeTraits kTraits[kEventTypeCount + 1] = {
    {false, EventPayload::kNone},     // 0: none
    {true, EventPayload::kPointer},   // click
    {true, EventPayload::kPointer},   // dblclick
    {true, EventPayload::kPointer},   // mousedown
    {true, EventPayload::kPointer},   // mouseup
    {true, EventPayload::kPointer},   // mousemove
    {false, EventPayload::kPointer},  // mouseenter
    {false, EventPayload::kPointer},  // mouseleave
    {true, EventPayload::kPointer},   // wheel
    {true, EventPayload::kKey},       // keydown
    {true, EventPayload::kKey},       // keyup
    {true, EventPayload::kNone},      // input
    {true, EventPayload::kNone},      // change
    {false, EventPayload::kNone},     // focus
    {false, EventPayload::kNone},     // blur
    {false, EventPayload::kNone},     // scroll
    {true, EventPayload::kNone},      // resize
    {true, EventPayload::kPointer},   // contextmenu
    {false, EventPayload::kNone},     // activate
    {false, EventPayload::kNone},     // deactivate
    {true, EventPayload::kText},      // compositionstart
    {true, EventPayload::kText},      // compositionupdate
    {true, EventPayload::kText},      // compositionend
};

bool valid_type(EventType type) {
  auto id = static_cast<std::int32_t>(type);
  return id >= 1 && id <= kEventTypeCount;
}

constexpr int kMaxPath = 256;

}  // namespace

EventType find_event_type(std::string_view name) noexcept {
  auto it =
      std::lower_bound(kByName.begin(), kByName.end(), name,
                       [](const EventTypeInfo& info, std::string_view n) { return info.name < n; });
  if (it == kByName.end() || it->name != name) return EventType::kNone;
  return it->type;
}

std::string_view event_type_name(EventType type) noexcept {
  for (const EventTypeInfo& info : kByName)
    if (info.type == type) return info.name;
  return {};
}

bool event_type_bubbles(EventType type) noexcept {
  return valid_type(type) && kTraits[static_cast<int>(type)].bubbles;
}

EventPayload event_type_payload(EventType type) noexcept {
  return valid_type(type) ? kTraits[static_cast<int>(type)].payload : EventPayload::kNone;
}

Status add_handler(Node& e, EventType type, EventCallback callback, void* user) noexcept {
  auto id = static_cast<std::int32_t>(type);
  Handler* last = nullptr;
  for (Handler* h = e.handlers; h; h = h->next) {
    if (h->type == id && h->callback == callback && h->user == user) return kOk;
    last = h;
  }
  Handler* h = e.document->handler_pool.acquire();
  if (!h) return kOutOfMemory;
  h->type = id;
  h->callback = callback;
  h->user = user;
  if (last)
    last->next = h;
  else
    e.handlers = h;
  return kOk;
}

void run_handlers(Node& node, Event& event) {
  // Handlers added while these run (they go to the end of the list) wait for the next
  // event: the walk stops at the handler that was last when it began.
  Handler* last = node.handlers;
  if (!last) return;
  while (last->next) last = last->next;
  for (Handler* h = node.handlers; h; h = h->next) {
    if (h->type == event.type && h->callback) {
      event.current = &node;
      h->callback(&event, h->user);
    }
    if (h == last) break;
  }
}

bool dispatch(Event& event) {
  Node* target = event.target;
  if (!live(target)) return false;
  Document& d = *target->document;
  DispatchScope scope(d);
  Node* path[kMaxPath];
  int count = 0;
  path[count++] = target;
  if (event_type_bubbles(event.kind())) {
    for (Node* a = target->parent; a && a->is_element() && count < kMaxPath; a = a->parent)
      path[count++] = a;
  }
  for (int i = 0; i < count; ++i) run_handlers(*path[i], event);
  // Handlers whose callback was cleared are unlinked from the path's nodes.
  for (int i = 0; i < count; ++i) {
    Handler** link = &path[i]->handlers;
    while (*link) {
      Handler* h = *link;
      if (h->callback) {
        link = &h->next;
      } else {
        *link = h->next;
        d.handler_pool.release(h);
      }
    }
  }
  event.current = nullptr;
  return event.default_prevented != 0;
}

bool fire_event(Node& target, EventType type) {
  Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = &target;
  return dispatch(event);
}

bool fire_pointer_event(Node& target, EventType type, std::int32_t button, float x, float y,
                        std::uint32_t modifiers) {
  Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = &target;
  event.payload.pointer = PointerData{x, y, button, 0, modifiers};
  return dispatch(event);
}

bool fire_key_event(Node& target, EventType type, std::uint32_t key_code, std::uint32_t modifiers) {
  Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = &target;
  event.payload.key = KeyData{key_code, modifiers, 0, 0};
  return dispatch(event);
}

void release_handlers(Document& d, Node& node) noexcept {
  for (Handler* h = node.handlers; h;) {
    Handler* next = h->next;
    d.handler_pool.release(h);
    h = next;
  }
  node.handlers = nullptr;
}

// ---- The application's side ----

Status on(Node* element, const char* type, std::size_t type_length, EventCallback callback,
          void* user) {
  if (!live_element(element) || !type || !callback) {
    set_last_error("on: bad argument");
    return kBadArgument;
  }
  std::string_view name(type, type_length);
  EventType id = find_event_type(name);
  if (id == EventType::kNone) {
    int shown = type_length > 255 ? 255 : static_cast<int>(type_length);
    set_last_error("on: unknown event type '%.*s'", shown, type);
    return kBadArgument;
  }
  if (add_handler(*element, id, callback, user) != kOk) {
    set_last_error("out of memory");
    return kOutOfMemory;
  }
  return kOk;
}

Node* event_target(Event* event) {
  return event ? event->target : nullptr;
}

const char* event_type(Event* event) {
  if (!event) return "";
  std::string_view name = event_type_name(event->kind());
  return name.empty() ? "" : name.data();
}

std::uint32_t event_key(Event* event) {
  if (!event) return 0;
  EventType t = event->kind();
  return (t == EventType::kKeydown || t == EventType::kKeyup) ? event->payload.key.key_code : 0;
}

std::uint32_t event_modifiers(Event* event) {
  if (!event) return 0;
  switch (event_type_payload(event->kind())) {
    case EventPayload::kKey:
      return event->payload.key.modifiers;
    case EventPayload::kPointer:
      return event->payload.pointer.modifiers;
    default:
      return 0;
  }
}

std::int32_t event_button(Event* event) {
  if (!event || event_type_payload(event->kind()) != EventPayload::kPointer) return 0;
  return event->payload.pointer.button;
}

void prevent_default(Event* event) {
  if (event) event->default_prevented = 1;
}

}  // namespace orlan

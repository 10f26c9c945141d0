#pragma once

// The application's thin binding over the engine: the window's view object owns the
// engine view (and with it the document) and the boxed event handlers registered on its
// elements. Every call is made on the UI thread.
//
// One shared trampoline is given to the engine for every handler, with the handler's box
// as user data. It takes the event's target first (an event without a target is a fatal
// internal error) and calls the handler. A fatal internal error raised by a handler does
// not end the program: the crash reporter's hook has already reported it, the trampoline
// writes "orlanui: panic in '<event>' listener: <text>" to standard error and returns to
// the engine as if the handler had finished. A failed allocation in a handler is raised
// as the fatal error "out of memory", and any other exception as the fatal error
// "uncaught exception: <what>", and handled the same way.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fatal.h"
#include "orlan/orlan.h"

namespace tw {

// What a handler receives: the engine's event record and its target (never null).
struct PageEvent {
  orlan::Event* event;
  orlan::Node* target;
};

using PageHandler = std::function<void(PageEvent& event)>;

class ScreenView {
 public:
  // Takes ownership of `view` (may be null: then every registration is refused).
  explicit ScreenView(orlan::View* view) noexcept : m_view(view) {}
  ScreenView(const ScreenView&) = delete;
  ScreenView& operator=(const ScreenView&) = delete;
  // Destroys the engine view and its document first, then releases the handlers in
  // registration order.
  ~ScreenView();

  orlan::View* view() const noexcept { return m_view; }
  orlan::Document* document() const noexcept { return orlan::document(m_view); }

  // Registers `handler` for the event named `event` on `element`. The box is kept when the
  // engine accepts it and released at once when it refuses (a null element, an unknown
  // event name); the engine's status is returned.
  orlan::Status on(orlan::Node* element, std::string_view event, PageHandler handler);
  // The same on the element with this id (a missing element is a refusal).
  orlan::Status on(std::string_view id, std::string_view event, PageHandler handler);

  std::size_t handler_count() const noexcept { return m_boxes.size(); }

 private:
  struct HandlerBox {
    std::string event;
    PageHandler handler;
  };
  static void trampoline(orlan::Event* event, void* user);
  static void log_panic(const HandlerBox& box, const FatalError& error) noexcept;
  // Raises `message` followed by `detail` as a fatal error (so the crash reporter's hook
  // sees it) and logs it.
  static void report_and_log(const HandlerBox& box, std::string_view message,
                             std::string_view detail = {}) noexcept;

  orlan::View* m_view;
  std::vector<std::unique_ptr<HandlerBox>> m_boxes;
};

}  // namespace tw

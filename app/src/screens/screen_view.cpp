#include "screen_view.h"

#include <cstdio>
#include <new>

#include "fatal.h"

namespace tw {

ScreenView::~ScreenView() {
  orlan::destroy_view(m_view);
  m_view = nullptr;
  for (std::unique_ptr<HandlerBox>& box : m_boxes) box.reset();
}

orlan::Status ScreenView::on(orlan::Node* element, std::string_view event, PageHandler handler) {
  auto box = std::make_unique<HandlerBox>(HandlerBox{std::string(event), std::move(handler)});
  orlan::Status status =
      orlan::on(element, box->event.data(), box->event.size(), &ScreenView::trampoline, box.get());
  if (status == orlan::kOk) m_boxes.push_back(std::move(box));
  return status;
}

orlan::Status ScreenView::on(std::string_view id, std::string_view event, PageHandler handler) {
  orlan::Document* doc = document();
  orlan::Node* element = doc ? orlan::get_element_by_id(doc, id.data(), id.size()) : nullptr;
  return on(element, event, std::move(handler));
}

void ScreenView::log_panic(const HandlerBox& box, const FatalError& error) noexcept {
  std::fprintf(stderr, "orlanui: panic in '%s' listener: %s\n", box.event.c_str(), error.what());
  std::fflush(stderr);
}

void ScreenView::report_and_log(const HandlerBox& box, std::string_view message,
                                std::string_view detail) noexcept {
  try {
    raise_fatal(std::string(message) + std::string(detail));
  } catch (const FatalError& error) {
    log_panic(box, error);
  } catch (...) {
    // Building the error itself failed (no memory): the line is still written.
    std::fprintf(stderr, "orlanui: panic in '%s' listener: out of memory\n", box.event.c_str());
    std::fflush(stderr);
  }
}

void ScreenView::trampoline(orlan::Event* event, void* user) {
  auto* box = static_cast<HandlerBox*>(user);
  try {
    orlan::Node* target = orlan::event_target(event);
    if (target == nullptr) raise_fatal("event without target");
    PageEvent page_event{event, target};
    box->handler(page_event);
  } catch (const FatalError& error) {
    log_panic(*box, error);
  } catch (const std::bad_alloc&) {
    // A failed allocation inside a handler is a fatal internal error like any other: it is
    // reported through the fatal facility, then treated the same way.
    report_and_log(*box, "out of memory");
  } catch (const std::exception& error) {
    // Any other exception would unwind through the engine and the window procedure and end
    // the program; it is a fault in the handler, reported and logged like a fatal error.
    report_and_log(*box, "uncaught exception: ", error.what());
  } catch (...) {
    report_and_log(*box, "uncaught exception of unknown type");
  }
}

}  // namespace tw

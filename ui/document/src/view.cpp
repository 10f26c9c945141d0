#include "view.h"

#include <chrono>
#include <new>

#include "last_error.h"

namespace orlan {

namespace {

bool default_is_window(void*) {
  return false;
}

IsWindowCheck g_is_window = default_is_window;

HostWindow* default_create(View&, void* parent) {
  if (!is_window(parent)) {
    set_last_error("attach: parent is not a window");
    return nullptr;
  }
  set_last_error("attach: no window host in this build");
  return nullptr;
}

double steady_now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

const HostOps kDefaultOps = {default_create, nullptr, nullptr, nullptr, nullptr, nullptr};
const HostOps* g_ops = &kDefaultOps;

// The view's invalidate callback: remember that a repaint is due and, unless a frame is
// being produced right now, ask the window for one. Once asked, the window owes a frame:
// the thousands of changes of a rebuilt table ask only once (each request is a call into
// the window system, which under some systems costs tens of microseconds).
void view_invalidate(Document*, void* user) {
  auto* view = static_cast<View*>(user);
  const bool asked = view->repaint_pending && view->repaint_asked;
  view->repaint_pending = true;
  if (view->in_frame || asked) return;
  view->repaint_requested_at = g_ops->now_ms ? g_ops->now_ms() : steady_now_ms();
  view->repaint_asked = view->host && g_ops->invalidate;
  if (view->repaint_asked) g_ops->invalidate(view->host);
}

}  // namespace

void set_host_ops(const HostOps* ops) noexcept {
  g_ops = ops ? ops : &kDefaultOps;
}

void set_is_window_check(IsWindowCheck check) noexcept {
  g_is_window = check ? check : default_is_window;
}

bool is_window(void* handle) noexcept {
  return handle && g_is_window(handle);
}

View* create_view() {
  void* memory = system_allocate(sizeof(View));
  Document* d = memory ? create_document() : nullptr;
  if (!d) {
    system_free(memory);
    set_last_error("out of memory");
    return nullptr;
  }
  auto* view = new (memory) View();
  view->document = d;
  d->invalidate = view_invalidate;
  d->invalidate_user = view;
  return view;
}

void destroy_view(View* view) {
  if (!view) return;
  if (view->host) {
    if (g_ops->destroy) g_ops->destroy(view->host);
    view->host = nullptr;
  }
  destroy_document(view->document);
  view->~View();
  system_free(view);
}

Status attach(View* view, void* parent_window) {
  if (!view || !parent_window) {
    set_last_error("attach: bad argument");
    return kBadArgument;
  }
  if (view->host) {
    set_last_error("attach: already attached");
    return kAlreadyAttached;
  }
  HostWindow* host = g_ops->create ? g_ops->create(*view, parent_window) : nullptr;
  if (!host) return kHostFailed;
  view->host = host;
  if (g_ops->move) {
    g_ops->move(host, view->x, view->y, view->width > 0 ? view->width : 1,
                view->height > 0 ? view->height : 1);
  }
  if (g_ops->show) g_ops->show(host, view->visible);
  mark_dirty(*view->document->root, kDirtyLayout);
  return kOk;
}

void set_bounds(View* view, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height) {
  if (!view) return;
  view->x = x;
  view->y = y;
  view->width = width;
  view->height = height;
  if (view->host && g_ops->move)
    g_ops->move(view->host, x, y, width > 0 ? width : 1, height > 0 ? height : 1);
}

Document* document(View* view) {
  return view ? view->document : nullptr;
}

Node* document_element(Document* document) {
  return document ? document->html : nullptr;
}

void set_media_features(Document* document, bool dark, bool coarse_pointer) {
  if (!document) return;
  bool changed = document->dark_scheme != dark || document->coarse_pointer != coarse_pointer;
  document->dark_scheme = dark;
  document->coarse_pointer = coarse_pointer;
  // Media queries of any rule may now match differently: everything restyles.
  if (changed && document->html) mark_dirty(*document->html, kDirtyStyle | kDirtySubtree);
}

}  // namespace orlan

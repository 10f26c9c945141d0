// libFuzzer target: a random page and style sheet through the real cascade, with classes
// switched on and off between style passes at random times, so transitions start, turn
// around and are dropped and keyframe animations run. No crash, no NaN or infinity in any
// animatable value of any element, a bounded next-frame delay, and no state on elements
// that are hidden or gone.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "animatable.h"
#include "animations.h"
#include "computed_style.h"
#include "document.h"
#include "orlan/orlan.h"

namespace {

using namespace orlan;

void check(bool condition) {
  if (!condition) std::abort();
}

void check_style(const ComputedStyle& style) {
  for (const anim::AnimatableProperty& row : anim::animatable_properties()) {
    anim::AnimatedValue v = anim::capture_value(style, row);
    check(std::isfinite(v.number) && std::isfinite(v.length.value));
  }
  for (int i = 0; style.transform && i < style.transform_count; ++i) {
    for (const auto& arg : style.transform[i].args) check(std::isfinite(arg.value));
  }
}

bool hidden(const Node& n) {
  for (const Node* p = &n; p; p = p->parent) {
    if (p->style && p->style->display == Display::kNone) return true;
  }
  return false;
}

void collect(Node* n, std::vector<Node*>& out) {
  for (; n; n = n->next_sibling) {
    if (n->is_element() && !n->generated) out.push_back(n);
    collect(n->first_child, out);
  }
}

const char* const kClasses[] = {"running", "done", "on", "off", "hide"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (anim::install_animations(&apply_declaration), true);
  (void)installed;
  FuzzedDataProvider in(data, size);
  std::string page = in.ConsumeRandomLengthString(16384);
  std::string sheet = in.ConsumeRandomLengthString(16384);
  View* view = create_view();
  if (!view) return 0;
  load_html(view, page.data(), page.size());
  load_css(view, sheet.data(), sheet.size());
  Document* doc = document(view);
  set_viewport(*doc, 800, 600);

  double now = 0;
  style_pass(*doc, now);
  std::vector<Node*> elements;
  for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
    elements.clear();
    collect(doc->root->first_child, elements);
    if (elements.empty()) break;
    Node* e = elements[in.ConsumeIntegralInRange<size_t>(0, elements.size() - 1)];
    const char* klass = kClasses[in.ConsumeIntegralInRange<size_t>(0, 4)];
    std::size_t length = std::char_traits<char>::length(klass);
    switch (in.ConsumeIntegralInRange(0, 4)) {
      case 0:
        add_class(e, klass, length);
        break;
      case 1:
        remove_class(e, klass, length);
        break;
      case 2:
        if (e != doc->html && e != doc->body) remove(e);
        break;
      default:
        break;
    }
    now += in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 100)
                            : std::ldexp(1.0, in.ConsumeIntegralInRange(0, 45));
    std::uint32_t running = style_pass(*doc, now);
    check(doc->animation_frame_delay >= 0 && doc->animation_frame_delay <= anim::kMaxFrameDelay);
    if (running == 0) check(doc->animation_frame_delay == 0);
    elements.clear();
    collect(doc->root->first_child, elements);
    for (Node* n : elements) {
      if (n->style) check_style(*n->style);
      if (n->animation) check(!hidden(*n));
    }
  }
  destroy_view(view);
  return 0;
}

// HTML and CSS laid out and painted over two frames: the lists build without a crash and
// with their groups balanced, the diff's damage is finite, and hit tests at points taken
// from the input answer null or an element of the document.
//
// Input: page text, then a NUL byte, then the author style sheet.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

void check_list(const orlan::DisplayList& list) {
  if (!list.complete) return;
  int depth = 0;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const orlan::ItemKind k = list.items[i].kind;
    if (k == orlan::ItemKind::kPushClip || k == orlan::ItemKind::kPushTransform ||
        k == orlan::ItemKind::kPushOpacity || k == orlan::ItemKind::kPushFilter)
      ++depth;
    if (k == orlan::ItemKind::kPopClip || k == orlan::ItemKind::kPopTransform ||
        k == orlan::ItemKind::kPopOpacity || k == orlan::ItemKind::kPopFilter)
      if (--depth < 0) std::abort();
  }
  if (depth != 0) std::abort();
}

void check_hits(orlan::Document& d, std::string_view input) {
  std::uint32_t h = 2166136261u;
  for (int i = 0; i < 24; ++i) {
    for (std::size_t k = i; k < input.size(); k += 61) h = (h ^ static_cast<unsigned char>(input[k])) * 16777619u;
    h = h * 16777619u + static_cast<std::uint32_t>(i);
    const float x = static_cast<float>(h % 1000) - 100;
    const float y = static_cast<float>((h / 1000) % 800) - 100;
    orlan::Node* hit = orlan::hit_test(d, x, y);
    if (hit && (!hit->is_element() || hit->document != &d || !orlan::is_connected(*hit))) std::abort();
  }
}

// Every scroll container scrolled by an amount from the input, every element hovered.
void change_state(orlan::Node& root, std::size_t seed) {
  for (orlan::Node* n = &root; n; n = orlan::next_in_order(n, &root)) {
    if (n->is_element()) {
      n->scroll_y = static_cast<float>(seed % 97) * 7;
      n->scroll_x = static_cast<float>(seed % 13) * 5;
      n->dirty |= orlan::kDirtyPaint;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view html = input.substr(0, split);
  const std::string_view css = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  orlan::View* view = orlan::create_view();
  if (!view) return 0;
  orlan::load_page(view, html, css);
  orlan::Document& d = *orlan::document(view);
  orlan::DisplayList previous, next;
  orlan::ItemBounds bounds;
  orlan::layout_document(d, 300, 200, nullptr);
  orlan::build_display_list(d, previous);
  check_list(previous);
  check_hits(d, input);
  if (d.html) change_state(*d.html, size);
  orlan::layout_document(d, 300, 200, nullptr);
  orlan::build_display_list(d, next);
  check_list(next);
  const orlan::Damage damage = orlan::diff_display_lists(previous, next, bounds);
  if (damage.partial && (!std::isfinite(damage.rect.x) || !std::isfinite(damage.rect.width) ||
                         damage.rect.width < 0 || damage.rect.height < 0))
    std::abort();
  if (bounds.count != next.count) std::abort();
  check_hits(d, input);
  orlan::destroy_view(view);
  return 0;
}

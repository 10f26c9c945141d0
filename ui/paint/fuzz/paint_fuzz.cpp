// HTML and CSS laid out and painted over several frames with changes between them
// (scrolling, classes, text): the lists build without a crash and with their groups
// balanced, the diff's damage is finite, a partial frame drawn over the previous one
// shows what a full frame of the same list shows, lists built skipping off-screen subtrees
// are those a walk of every element builds, and hit tests at points taken from the
// input answer null or an element of the document.
//
// Input: page text, then a NUL byte, then the author style sheet; "t.svg" names a
// 14 x 10 image.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "../tests/raster_surface.h"
#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "orlan/orlan.h"

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

// Subtrees left out without being walked change nothing: the list is the one a walk of
// every element builds, byte for byte.
void check_skipping(orlan::Document& d) {
  orlan::DisplayList skipping, walking;
  const std::int32_t a = orlan::build_display_list(d, skipping, nullptr, orlan::Culling::kOn);
  const std::int32_t b = orlan::build_display_list(d, walking, nullptr, orlan::Culling::kItemsOnly);
  if (a != b || skipping.count != walking.count) std::abort();
  if (skipping.count &&
      std::memcmp(skipping.items, walking.items, sizeof(orlan::DisplayItem) * skipping.count) != 0)
    std::abort();
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

// Classes toggled and texts replaced by ones of the same length, chosen by the seed: the
// list usually keeps its shape and the frame is partial.
void change_content(orlan::Node& root, std::size_t seed) {
  std::size_t k = seed;
  for (orlan::Node* n = &root; n; n = orlan::next_in_order(n, &root)) {
    k = k * 1103515245u + 12345u;
    if (n->is_element() && (k >> 8) % 3 == 0) {
      // "a" is meant for colours, "b" for anything; most changes are colours.
      const char* name = (k >> 12) % 4 ? "a" : "b";
      orlan::add_class(n, name, 1);
    } else if (n->is_text() && !n->generated && (k >> 8) % 2 == 0) {
      std::size_t length = 0;
      const char* now = orlan::text_content(n, &length);
      std::string text(now ? now : "", now ? length : 0);
      for (char& c : text)
        if (c >= 'a' && c <= 'y') ++c;
      orlan::set_text_content(n, text.data(), text.size());
    }
  }
}

void check_frame(orlan::paint_test::PartialFrameCheck& frames, orlan::Document& d) {
  const std::string mismatch = frames.frame(d);
  if (mismatch.empty()) return;
  std::fprintf(stderr, "partial frame differs from the full one: %s\n", mismatch.c_str());
  std::abort();
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
  // An image for backgrounds to tile.
  constexpr std::string_view kTile =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"14\" height=\"10\"></svg>";
  orlan::image_set(&d, "t.svg", 5, kTile.data(), kTile.size());
  orlan::DisplayList previous, next;
  orlan::ItemBounds bounds;
  orlan::layout_document(d, 300, 200, nullptr);
  orlan::build_display_list(d, previous);
  check_list(previous);
  check_skipping(d);
  check_hits(d, input);
  if (d.html) change_state(*d.html, size);
  orlan::layout_document(d, 300, 200, nullptr);
  orlan::build_display_list(d, next);
  check_list(next);
  check_skipping(d);
  const orlan::Damage damage = orlan::diff_display_lists(previous, next, bounds);
  if (damage.partial && (!std::isfinite(damage.rect.x) || !std::isfinite(damage.rect.width) ||
                         damage.rect.width < 0 || damage.rect.height < 0))
    std::abort();
  if (bounds.count != next.count) std::abort();
  check_hits(d, input);

  // Frames as the host draws them, partial ones compared with full ones.
  orlan::paint_test::PartialFrameCheck frames(300, 200);
  if (d.html) change_state(*d.html, 0);
  orlan::layout_document(d, 300, 200, nullptr);
  check_frame(frames, d);
  if (d.html) change_content(*d.html, size);
  orlan::layout_document(d, 300, 200, nullptr);
  check_frame(frames, d);
  if (d.html) change_state(*d.html, size / 3);
  orlan::layout_document(d, 300, 200, nullptr);
  check_frame(frames, d);
  orlan::destroy_view(view);
  return 0;
}

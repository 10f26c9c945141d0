// libFuzzer target: random keyframe sets and declaration blocks (transitions, animations
// and the values they move) on a small tree, restyled and ticked over random times. No
// crash, no NaN or infinity in any animatable value, a bounded next-frame delay, and no
// state left on elements that are gone or hidden.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/anim_harness.h"

namespace {

using namespace orlan;

void check(bool condition) {
  if (!condition) std::abort();
}

void check_values(const ComputedStyle& style) {
  for (const anim::AnimatableProperty& row : anim::animatable_properties()) {
    anim::AnimatedValue v = anim::capture_value(style, row);
    check(std::isfinite(v.number) && std::isfinite(v.length.value));
    if (row.kind == anim::ValueKind::kTransform && style.transform) {
      for (int i = 0; i < style.transform_count; ++i) {
        for (const auto& arg : style.transform[i].args) check(std::isfinite(arg.value));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  anim::testing::AnimationDocument doc;
  doc.author_css(in.ConsumeRandomLengthString(4096));
  std::vector<std::string> blocks;
  for (int i = 0; i < 6; ++i) blocks.push_back(in.ConsumeRandomLengthString(512));

  // A small tree: body > a > (b, c), body > d.
  Node* nodes[4];
  nodes[0] = doc.element(doc.body);
  nodes[1] = doc.element(nodes[0]);
  nodes[2] = doc.element(nodes[0]);
  nodes[3] = doc.element(doc.body);
  bool attached[4] = {true, true, true, true};

  double now = 0;
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    int k = in.ConsumeIntegralInRange(0, 3);
    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0:
      case 1: {
        const std::string& block = blocks[in.ConsumeIntegralInRange<size_t>(0, blocks.size() - 1)];
        doc.restyle(*nodes[k], block, now, in.ConsumeBool());
        check_values(*nodes[k]->style);
        break;
      }
      case 2:
        now += in.ConsumeIntegralInRange(0, 200);
        break;
      case 3:
        // Long jumps: past every delay and iteration, or far beyond.
        now += std::ldexp(1.0, in.ConsumeIntegralInRange(0, 50));
        break;
      case 4:
        // Out of the tree and back again (b and c move with a).
        if (k == 0 || k == 3) {
          if (attached[k]) {
            unlink(*nodes[k]);
          } else {
            link_child(*doc.body, *nodes[k], nullptr);
          }
          attached[k] = !attached[k];
        }
        break;
      default:
        break;
    }
    std::uint32_t running = doc.frame(now);
    check(doc.delay >= 0 && doc.delay <= anim::kMaxFrameDelay);
    if (running == 0) check(doc.delay == 0);
    for (Node* n : nodes) {
      if (n->style) check_values(*n->style);
      // After a tick nothing detached keeps a state.
      if (n->animation) check(is_connected(*n));
    }
  }
  return 0;
}

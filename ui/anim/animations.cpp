// Transitions and keyframe animations: starting them from the style pass, ticking them
// once per frame, and the document's list of animated elements.

#include "animations.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "animation_state.h"
#include "timing.h"

namespace orlan::anim {
namespace {

// ---- The documents' lists of animated elements ----

// One list per document that has animated elements, dropped when it empties (so a
// document destroyed after its elements were released leaves nothing behind).
struct RetiredBuffer {
  css::TransformOp* buffer = nullptr;
  std::size_t capacity = 0;
};
struct AnimatedElements {
  const Document* document = nullptr;
  std::vector<AnimationState*> states;
  std::vector<RetiredBuffer> retired;  // transform buffers of freed states
};
std::vector<AnimatedElements*> g_lists;
DeclarationApplier g_apply = nullptr;

AnimatedElements* find_list(const Document& document) {
  for (AnimatedElements* list : g_lists) {
    if (list->document == &document) return list;
  }
  return nullptr;
}

AnimatedElements* ensure_list(Document& document) {
  if (AnimatedElements* list = find_list(document)) return list;
  try {
    g_lists.reserve(g_lists.size() + 1);
    auto* list = new AnimatedElements;
    list->document = &document;
    g_lists.push_back(list);
    return list;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The element's state, when it really is this stage's record for this element.
AnimationState* state_of(Node& element) {
  AnimationState* state = element.animation;
  return state && state->element == &element ? state : nullptr;
}

AnimationState* ensure_state(Document& document, Node& element) {
  if (AnimationState* state = state_of(element)) return state;
  AnimatedElements* list = ensure_list(document);
  if (!list) return nullptr;
  auto* state = new (std::nothrow) AnimationState;
  if (!state) return nullptr;
  try {
    list->states.push_back(state);
  } catch (const std::bad_alloc&) {
    delete state;
    return nullptr;
  }
  state->element = &element;
  state->slot = static_cast<std::uint32_t>(list->states.size() - 1);
  element.animation = state;
  return state;
}

bool points_into(const AnimationState& state, const css::TransformOp* list) {
  for (const css::TransformOp* buffer : state.transform_buffers) {
    if (buffer && list == buffer) return true;
  }
  return false;
}

// An element whose items are dropped keeps its style; if that style shows a transform
// from the element's buffers, it gets its own list back (the end value of its transform
// transition, or the value under its animation).
void restore_own_transform(AnimationState& state) {
  Node* element = state.element;
  if (!element || element->animation != &state || !element->style) return;
  ComputedStyle& style = *element->style;
  if (!points_into(state, style.transform)) return;
  const int row = animatable_index(css::to_index(css::PropertyId::Transform));
  const AnimatedValue* own = nullptr;
  for (const TransitionRecord& t : state.transitions) {
    if (t.row == row) own = &t.to;
  }
  for (int i = 0; i < state.animation_count && !own; ++i) {
    const AnimationRecord& r = state.animations[i];
    for (int j = 0; j < r.property_count; ++j) {
      if (r.rows[j] == row) own = &r.base[j];
    }
  }
  if (own && (own->transform_source || own->transform_count == 0)) {
    write_value(style, animatable_properties()[row], *own, nullptr);
  } else {
    style.transform = nullptr;
    style.transform_count = 0;
  }
}

void release_retired(Document& document, AnimatedElements& list) {
  for (const RetiredBuffer& r : list.retired) document.buffers.release(r.buffer, r.capacity);
  list.retired.clear();
}

void delete_list_if_unused(AnimatedElements* list) {
  if (!list->states.empty() || !list->retired.empty()) return;
  g_lists.erase(std::find(g_lists.begin(), g_lists.end(), list));
  delete list;
}

// Removes the state from the document's list and frees it. The style records of the
// restyle in progress may still point into its transform buffers (the old style the
// cascade compares with), so they are retired and go back to the document's pool only
// at the next tick, unless the document itself is going.
void free_state(Document& document, AnimationState* state, bool document_going = false) {
  restore_own_transform(*state);
  AnimatedElements* list = find_list(document);
  if (list) {
    std::uint32_t slot = state->slot;
    if (slot >= list->states.size() || list->states[slot] != state) {
      auto found = std::find(list->states.begin(), list->states.end(), state);
      slot = static_cast<std::uint32_t>(found - list->states.begin());
    }
    if (slot < list->states.size()) {
      AnimationState* last = list->states.back();
      list->states[slot] = last;
      last->slot = slot;
      list->states.pop_back();
    }
  }
  for (css::TransformOp*& buffer : state->transform_buffers) {
    if (!buffer) continue;
    bool retired = false;
    if (list && !document_going) {
      try {
        list->retired.push_back({buffer, state->transform_capacity});
        retired = true;
      } catch (const std::bad_alloc&) {
      }
    }
    if (!retired) document.buffers.release(buffer, state->transform_capacity);
    buffer = nullptr;
  }
  if (state->element && state->element->animation == state) state->element->animation = nullptr;
  delete state;
  if (list) delete_list_if_unused(list);
}

css::TransformOp* next_transform_storage(Document& document, AnimationState& state) {
  int i = state.next_transform_buffer;
  state.next_transform_buffer ^= 1;
  if (!state.transform_buffers[i]) {
    std::size_t capacity = 0;
    void* memory =
        document.buffers.allocate(sizeof(css::TransformOp) * kMaxCapturedTransforms, &capacity);
    if (!memory) return nullptr;
    state.transform_capacity = capacity;
    state.transform_buffers[i] = static_cast<css::TransformOp*>(memory);
  }
  return state.transform_buffers[i];
}

void write(Document& document, AnimationState& state, ComputedStyle& style,
           const AnimatableProperty& row, const AnimatedValue& value) {
  css::TransformOp* storage = nullptr;
  if (row.kind == ValueKind::kTransform && !value.transform_source && value.transform_count) {
    storage = next_transform_storage(document, state);
    if (!storage) return;  // out of memory: the element keeps its static list
  }
  write_value(style, row, value, storage);
}

// ---- Times ----

// Times and counts from style sheets can be anything a float holds; past about thirty
// years they all mean "never", and keeping them finite keeps every sum finite.
constexpr double kLongestTime = 1e12;

double sane_time(float ms) {
  if (std::isnan(ms)) return 0;
  return std::clamp(static_cast<double>(ms), -kLongestTime, kLongestTime);
}

double sane_count(float count) {
  if (std::isnan(count)) return 1;
  if (count < 0) return -1;  // infinite
  return std::min(static_cast<double>(count), kLongestTime);
}

bool is_odd(double whole) {
  return std::fmod(whole, 2.0) != 0;
}

// ---- Display ----

bool display_none_here_or_above(const Node& element, const ComputedStyle& style) {
  if (style.display == Display::kNone) return true;
  for (const Node* n = element.parent; n; n = n->parent) {
    if (n->style && n->style->display == Display::kNone) return true;
  }
  return false;
}

// ---- Transitions ----

// The last transition entry naming the property or "all", or null.
const css::TransitionEntry* transition_entry(const ComputedStyle& style, std::int16_t property) {
  const css::TransitionEntry* found = nullptr;
  if (!style.transition) return nullptr;
  for (std::uint16_t i = 0; i < style.transition_count; ++i) {
    const css::TransitionEntry& e = style.transition[i];
    if (e.property == property || e.property == -1) found = &e;
  }
  return found;
}

bool starts(const css::TransitionEntry* entry) {
  return entry && (sane_time(entry->duration) > 0 || sane_time(entry->delay) > 0);
}

// A value kept as the start or the running value of an item: it owns its functions, so
// it never points at a list that may be recycled (the element's own buffers or an old
// style arena) while it is written back.
AnimatedValue owned(AnimatedValue v) {
  if (v.transform_source_count <= kMaxCapturedTransforms) {
    v.transform_source = nullptr;
    v.transform_source_count = 0;
  }
  return v;
}

void restart(TransitionRecord& t, const css::TransitionEntry& entry, const AnimatedValue& to,
             double now) {
  t.from = owned(t.current);
  t.to = to;
  t.start = now;
  t.duration = static_cast<float>(sane_time(entry.duration));
  t.delay = static_cast<float>(sane_time(entry.delay));
  t.timing = entry.timing;
}

// ---- Animations ----

struct Phase {
  bool before = false;  // still in its delay
  bool finished = false;
  double progress = 0;  // 0..1 within the iteration, direction applied
  double iteration = 0;
  bool reverse = false;
};

// Progress at which an animation that ran its whole count ends. A fractional count ends
// at its fraction; a count of 0 ends where it starts.
double final_progress(const css::AnimationEntry& e) {
  double count = sane_count(e.iterations);
  if (count < 0) return 1;
  if (count == 0) return 0;
  double whole = std::floor(count);
  double fraction = count - whole;
  if (fraction > 0) return e.alternate && is_odd(whole) ? 1 - fraction : fraction;
  return e.alternate && is_odd(whole - 1) ? 0 : 1;
}

Phase phase_at(const AnimationRecord& r, double now) {
  Phase p;
  double elapsed = now - r.start - sane_time(r.entry.delay);
  if (elapsed < 0) {
    p.before = true;
    return p;
  }
  double duration = sane_time(r.entry.duration);
  double count = sane_count(r.entry.iterations);
  if (duration <= 0) {
    p.finished = true;
    p.progress = final_progress(r.entry);
    return p;
  }
  double t = elapsed / duration;
  if (count >= 0 && t >= count) {
    p.finished = true;
    p.progress = final_progress(r.entry);
    return p;
  }
  p.iteration = std::floor(t);
  p.progress = t - p.iteration;
  p.reverse = r.entry.alternate && is_odd(p.iteration);
  if (p.reverse) p.progress = 1 - p.progress;
  return p;
}

// The keyframes around `progress` that declare property j: offsets and values, with the
// element's own value standing in at 0 and 1 where no keyframe declares it.
struct Segment {
  double from_offset = 0, to_offset = 1;
  const AnimatedValue* from = nullptr;
  const AnimatedValue* to = nullptr;
};

Segment segment_at(const AnimationRecord& r, int j, double progress) {
  Segment s;
  s.from = s.to = &r.base[j];
  int lower = -1, upper = -1;
  for (int k = 0; k < r.keyframe_count; ++k) {
    if (!r.declared[k * r.property_count + j]) continue;
    double offset = r.offsets[k];
    // Keyframes come sorted by offset; on equal offsets the later one wins, at either end.
    if (offset <= progress) lower = k;
    if (offset >= progress && (upper < 0 || offset <= r.offsets[upper])) upper = k;
  }
  if (lower >= 0) {
    s.from_offset = r.offsets[lower];
    s.from = &r.values[lower * r.property_count + j];
  }
  if (upper >= 0) {
    s.to_offset = r.offsets[upper];
    s.to = &r.values[upper * r.property_count + j];
  }
  return s;
}

AnimatedValue sample(const AnimationRecord& r, int j, double progress) {
  const AnimatableProperty& row = animatable_properties()[r.rows[j]];
  Segment s = segment_at(r, j, progress);
  double span = s.to_offset - s.from_offset;
  double local = span > 0 ? (progress - s.from_offset) / span : 1;
  double eased = ease(r.entry.timing, local);
  return interpolate(row.kind, *s.from, *s.to, eased);
}

// Writes every property of the record at `progress`; returns the dirty bits it needs.
std::uint8_t write_sample(Document& document, AnimationState& state, ComputedStyle& style,
                          const AnimationRecord& r, double progress) {
  std::uint8_t bits = 0;
  for (int j = 0; j < r.property_count; ++j) {
    const AnimatableProperty& row = animatable_properties()[r.rows[j]];
    write(document, state, style, row, sample(r, j, progress));
    bits |= kDirtyPaint;
    if (row.affects_layout) bits |= kDirtyLayout;
    if (row.affects_descendants) bits |= kDirtyStyle;
  }
  return bits;
}

std::uint8_t write_base(Document& document, AnimationState& state, ComputedStyle& style,
                        const AnimationRecord& r) {
  std::uint8_t bits = 0;
  for (int j = 0; j < r.property_count; ++j) {
    const AnimatableProperty& row = animatable_properties()[r.rows[j]];
    write(document, state, style, row, r.base[j]);
    bits |= kDirtyPaint;
    if (row.affects_layout) bits |= kDirtyLayout;
    if (row.affects_descendants) bits |= kDirtyStyle;
  }
  return bits;
}

bool same_run(const css::AnimationEntry& a, const css::AnimationEntry& b) {
  return a.name == b.name && a.duration == b.duration && a.delay == b.delay &&
         a.iterations == b.iterations && a.alternate == b.alternate;
}

// Builds the record of one animation entry: its keyframe set's offsets, the properties
// it drives and their values at every keyframe. False when the entry cannot run (no such
// set, no keyframes, nothing animatable, out of memory).
bool build_record(Document& document, Node& element, const ComputedStyle& base,
                  const css::AnimationEntry& entry, AnimationRecord& r) {
  const css::StyleSheet* sheet = document.sheets.author;
  if (!sheet || !g_apply || entry.name == 0) return false;
  const css::KeyframeSet* set = sheet->find_keyframes(entry.name);
  if (!set || set->count < 1 || set->count > css::kMaxKeyframes) return false;

  r.entry = entry;
  r.keyframe_count = set->count;
  r.property_count = 0;
  for (int k = 0; k < set->count; ++k) {
    const css::Keyframe& kf = set->keyframes[k];
    r.offsets[k] = std::isfinite(kf.offset) ? std::clamp(kf.offset, 0.0f, 1.0f) : 0.0f;
    for (const css::Declaration& d : kf.declaration_list()) {
      int row = animatable_index(css::to_index(d.property));
      if (row < 0) continue;
      bool known = false;
      for (int j = 0; j < r.property_count; ++j) known |= r.rows[j] == row;
      if (!known && r.property_count < kMaxAnimatedProperties) {
        r.rows[r.property_count++] = static_cast<std::uint8_t>(row);
      }
    }
  }
  if (r.property_count == 0) return false;
  try {
    r.values.assign(static_cast<std::size_t>(r.keyframe_count) * r.property_count, {});
    r.declared.assign(r.values.size(), 0);
    r.base.assign(r.property_count, {});
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int j = 0; j < r.property_count; ++j) {
    r.base[j] = capture_value(base, animatable_properties()[r.rows[j]]);
  }

  const ComputedStyle* parent = element.parent ? element.parent->style : nullptr;
  for (int k = 0; k < set->count; ++k) {
    const css::Keyframe& kf = set->keyframes[k];
    ComputedStyle copy = base;
    CascadeContext context;
    context.document = &document;
    context.element = &element;
    context.style = &copy;
    context.parent = parent;
    context.parent_font_size = parent ? parent->font_size : 16;
    for (const css::Declaration& d : kf.declaration_list()) {
      int row = animatable_index(css::to_index(d.property));
      if (row < 0) continue;
      g_apply(context, d);
      for (int j = 0; j < r.property_count; ++j) {
        if (r.rows[j] == row) r.declared[k * r.property_count + j] = 1;
      }
    }
    for (int j = 0; j < r.property_count; ++j) {
      if (!r.declared[k * r.property_count + j]) continue;
      r.values[k * r.property_count + j] = capture_value(copy, animatable_properties()[r.rows[j]]);
    }
  }
  return true;
}

// Rebuilds the element's animation records from the new style's entries, keeping the
// start time and finished flag of runs that continue.
void update_animation_records(Document& document, Node& element, const ComputedStyle& base,
                              AnimationState*& state, double now) {
  AnimationRecord fresh[kMaxAnimations];
  int count = 0;
  bool kept[kMaxAnimations] = {};
  for (std::uint16_t i = 0; i < base.animation_count && base.animation && count < kMaxAnimations;
       ++i) {
    const css::AnimationEntry& entry = base.animation[i];
    if (entry.name == 0) continue;
    AnimationRecord& r = fresh[count];
    if (!build_record(document, element, base, entry, r)) continue;
    r.start = now;
    r.finished = false;
    if (state) {
      for (int old = 0; old < state->animation_count; ++old) {
        if (kept[old] || !same_run(state->animations[old].entry, entry)) continue;
        kept[old] = true;
        r.start = state->animations[old].start;
        r.finished = state->animations[old].finished;
        break;
      }
    }
    ++count;
  }
  if (count > 0 && !state) state = ensure_state(document, element);
  if (!state) return;
  try {
    state->animations.resize(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    state->animations.clear();
    count = 0;  // out of memory: the static values stand
  }
  for (int i = 0; i < count; ++i) state->animations[i] = std::move(fresh[i]);
  state->animation_count = static_cast<std::uint8_t>(count);
}

bool driven_by_animation(const AnimationState* state, int row) {
  if (!state) return false;
  for (int i = 0; i < state->animation_count; ++i) {
    const AnimationRecord& r = state->animations[i];
    if (r.finished && !r.entry.forwards) continue;
    for (int j = 0; j < r.property_count; ++j) {
      if (r.rows[j] == row) return true;
    }
  }
  return false;
}

bool transitioning(const AnimationState* state, int row) {
  if (!state) return false;
  for (const TransitionRecord& t : state->transitions) {
    if (t.row == row) return true;
  }
  return false;
}

// ---- When the next frame is needed ----

constexpr double kNever = std::numeric_limits<double>::infinity();

// The next time a stepped transition's output changes.
double next_transition_change(const TransitionRecord& t, double now) {
  if (!is_stepped(t.timing)) return now;
  double begin = t.start + t.delay;
  double n = step_count(t.timing);
  double f = (now - begin) / t.duration;
  double next = (std::floor(n * f) + 1) / n;
  if (next >= 1) return begin + t.duration;
  return begin + next * t.duration;
}

// The next time a running animation's output changes: at once unless it is stepped; a
// stepped one changes at the next step boundary of any of its properties' segments, or
// when its iteration ends.
double next_animation_change(const AnimationRecord& r, const Phase& p, double now) {
  if (!is_stepped(r.entry.timing)) return now;
  double begin = r.start + sane_time(r.entry.delay);
  double duration = sane_time(r.entry.duration);
  double count = sane_count(r.entry.iterations);
  double best = begin + (p.iteration + 1) * duration;
  if (count >= 0) best = std::min(best, begin + count * duration);
  double n = step_count(r.entry.timing);
  for (int j = 0; j < r.property_count; ++j) {
    Segment s = segment_at(r, j, p.progress);
    double span = s.to_offset - s.from_offset;
    if (!(span > 0)) continue;
    double k = std::floor(n * (p.progress - s.from_offset) / span);
    double at;
    if (!p.reverse) {
      at = std::min(s.to_offset, s.from_offset + (k + 1) / n * span);
      best = std::min(best, begin + (p.iteration + at) * duration);
    } else {
      // Going backwards the output drops as soon as progress falls below the boundary
      // it sits on or above.
      at = std::min(p.progress, s.from_offset + k / n * span);
      best = std::min(best, begin + (p.iteration + 1 - at) * duration);
    }
  }
  return best;
}

std::uint8_t bits_for(const AnimatableProperty& row) {
  std::uint8_t bits = kDirtyPaint;
  if (row.affects_layout) bits |= kDirtyLayout;
  if (row.affects_descendants) bits |= kDirtyStyle;
  return bits;
}

// ---- Node hooks ----

void release_hook(Document& document, Node& node) {
  release_element(document, node);
}
// Detached elements are not destroyed one by one with their document: their states go
// here, so no list outlives its document.
void release_document_hook(Document& document) {
  while (AnimatedElements* list = find_list(document)) {
    if (list->states.empty()) {
      release_retired(document, *list);
      delete_list_if_unused(list);
    } else {
      free_state(document, list->states.back(), /*document_going=*/true);
    }
  }
}
const NodeDataHooks kNodeHooks = {nullptr, &release_hook, &release_document_hook};

}  // namespace

void set_keyframe_applier(DeclarationApplier apply) noexcept {
  g_apply = apply;
}

void install_release_hook() noexcept {
  set_node_data_hooks(&kNodeHooks);
}

void release_element(Document& document, Node& element) noexcept {
  if (AnimationState* state = state_of(element)) free_state(document, state);
  element.animation = nullptr;
}

void update_element(Document& document, Node& element, const ComputedStyle* old_style,
                    ComputedStyle& new_style, double now) noexcept {
  AnimationState* state = state_of(element);
  if (display_none_here_or_above(element, new_style)) {
    if (state) free_state(document, state);
    return;
  }
  if (!state && new_style.animation_count == 0 && (!old_style || new_style.transition_count == 0)) {
    return;  // the common case: nothing runs and nothing can start
  }
  const ComputedStyle base = new_style;
  auto rows = animatable_properties();

  // Keyframe records first, so that transitions know which properties animations drive.
  if (new_style.animation_count > 0 || (state && state->animation_count > 0)) {
    update_animation_records(document, element, base, state, now);
  }

  // Running transitions: retarget those whose end value changed, restarting from where
  // they are now; drop those that can no longer run.
  if (state) {
    for (std::size_t i = 0; i < state->transitions.size();) {
      TransitionRecord& t = state->transitions[i];
      const AnimatableProperty& row = rows[t.row];
      AnimatedValue target = capture_value(base, row);
      if (!values_equal(row.kind, target, t.to)) {
        const css::TransitionEntry* entry = transition_entry(new_style, t.property);
        if (!starts(entry) || !interpolable(row.kind, t.current, target)) {
          state->transitions.erase(state->transitions.begin() + static_cast<std::ptrdiff_t>(i));
          continue;  // the new value stands
        }
        restart(t, *entry, target, now);
      } else {
        t.to = target;  // same value; the list it came from may have moved
      }
      write(document, *state, new_style, row, t.current);
      ++i;
    }
  }

  // New transitions for properties that changed.
  if (old_style && new_style.transition_count > 0) {
    for (int r = 0; r < kAnimatableCount; ++r) {
      if (transitioning(state, r) || driven_by_animation(state, r)) continue;
      const AnimatableProperty& row = rows[r];
      AnimatedValue from = capture_value(*old_style, row);
      AnimatedValue to = capture_value(base, row);
      if (values_equal(row.kind, from, to) || !interpolable(row.kind, from, to)) continue;
      const css::TransitionEntry* entry = transition_entry(new_style, row.property);
      if (!starts(entry)) continue;
      if (!state) state = ensure_state(document, element);
      if (!state) return;  // out of memory: static values
      TransitionRecord t;
      t.property = row.property;
      t.row = static_cast<std::uint8_t>(r);
      t.current = owned(from);
      t.to = to;
      restart(t, *entry, to, now);
      try {
        state->transitions.push_back(t);
      } catch (const std::bad_alloc&) {
        continue;
      }
      write(document, *state, new_style, row, t.current);
    }
  }

  // Animations write over transitions: sampled at once, or their final values when a
  // finished run fills forwards.
  if (state) {
    for (int i = 0; i < state->animation_count; ++i) {
      const AnimationRecord& r = state->animations[i];
      Phase p = phase_at(r, now);
      if (r.finished) {
        if (r.entry.forwards) write_sample(document, *state, new_style, r, final_progress(r.entry));
        continue;
      }
      if (p.finished) continue;  // the tick finishes it
      write_sample(document, *state, new_style, r, p.before ? 0 : p.progress);
    }
    if (state->empty()) free_state(document, state);
  }
}

std::uint32_t tick(Document& document, double now, double* next_frame_delay) noexcept {
  if (next_frame_delay) *next_frame_delay = 0;
  AnimatedElements* list = find_list(document);
  if (!list) return 0;
  // The restyle that may have compared against retired buffers is over.
  if (!list->retired.empty()) {
    release_retired(document, *list);
    if (list->states.empty()) {
      delete_list_if_unused(list);
      return 0;
    }
  }
  if (!std::isfinite(now)) now = document.frame_time;
  auto rows = animatable_properties();
  std::uint32_t running = 0;
  double earliest = kNever;

  for (std::size_t i = 0; i < list->states.size();) {
    AnimationState* state = list->states[i];
    Node* element = state->element;
    // Records of elements that left the document or are not displayed any more go now:
    // an infinite animation below a display:none ancestor would otherwise keep the frame
    // loop running forever.
    if (!element || element->animation != state || element->document != &document ||
        !element->style || !is_connected(*element) ||
        display_none_here_or_above(*element, *element->style)) {
      bool last = list->states.size() == 1;
      free_state(document, state);
      if (last) break;  // the list itself is gone
      continue;         // the last state moved into this slot
    }
    ComputedStyle& style = *element->style;
    std::uint8_t bits = 0;

    for (std::size_t k = 0; k < state->transitions.size();) {
      TransitionRecord& t = state->transitions[k];
      const AnimatableProperty& row = rows[t.row];
      double elapsed = now - t.start - t.delay;
      if (elapsed < 0) {
        // Still in its delay: the start value stands until the delay has passed, even
        // for a zero duration.
        ++running;
        earliest = std::min(earliest, t.start + t.delay);
        ++k;
        continue;
      }
      if (t.duration <= 0 || elapsed >= t.duration) {
        write(document, *state, style, row, t.to);
        bits |= bits_for(row);
        state->transitions.erase(state->transitions.begin() + static_cast<std::ptrdiff_t>(k));
        continue;
      }
      double eased = ease(t.timing, elapsed / t.duration);
      t.current = owned(interpolate(row.kind, t.from, t.to, eased));
      write(document, *state, style, row, t.current);
      bits |= bits_for(row);
      ++running;
      earliest = std::min(earliest, next_transition_change(t, now));
      ++k;
    }

    for (int a = 0; a < state->animation_count; ++a) {
      AnimationRecord& r = state->animations[a];
      if (r.finished) continue;
      Phase p = phase_at(r, now);
      if (p.before) {
        ++running;
        earliest = std::min(earliest, r.start + sane_time(r.entry.delay));
        continue;
      }
      if (p.finished) {
        r.finished = true;
        bits |= r.entry.forwards ? write_sample(document, *state, style, r, p.progress)
                                 : write_base(document, *state, style, r);
        continue;
      }
      bits |= write_sample(document, *state, style, r, p.progress);
      ++running;
      earliest = std::min(earliest, next_animation_change(r, p, now));
    }

    if (bits) {
      if (bits & kDirtyLayout) document.layout_needed = true;
      mark_dirty(*element, bits);
      // The value was written into the element's record in place, so its restyle sees no
      // change of its own: the children that inherit it are restyled explicitly.
      if (bits & kDirtyStyle) {
        for (Node* child = element->first_child; child; child = child->next_sibling) {
          if (child->is_element()) mark_dirty(*child, kDirtyStyle);
        }
      }
    }
    if (state->empty()) {
      bool last = list->states.size() == 1;
      free_state(document, state);
      if (last) break;
      continue;
    }
    ++i;
  }

  if (next_frame_delay && running > 0) {
    double delay = earliest - now;
    if (!(delay > 0)) delay = 0;  // due now (or NaN)
    *next_frame_delay = std::min(delay, kMaxFrameDelay);
  }
  return running;
}

std::size_t animated_element_count(const Document& document) noexcept {
  const AnimatedElements* list = find_list(document);
  return list ? list->states.size() : 0;
}

std::size_t transition_count(const Node& element) noexcept {
  const AnimationState* state = element.animation;
  return state && state->element == &element ? state->transitions.size() : 0;
}

std::size_t animation_count(const Node& element) noexcept {
  const AnimationState* state = element.animation;
  return state && state->element == &element ? state->animation_count : 0;
}

}  // namespace orlan::anim

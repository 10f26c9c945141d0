// The style pass: the restyle walk over what is marked, style sharing between siblings,
// change detection for layout and painting, the generated boxes (::marker, ::before,
// ::after), the two-arena compaction, and the animation hooks.

#include <cstring>

#include "cascade_run.h"
#include "document_sheets.h"
#include "style_state.h"

namespace orlan {

namespace style {

namespace {

const AnimationHooks* g_animation_hooks = nullptr;

// Walk-local bits on a node while its children are being visited.
constexpr std::uint8_t kWalkChildrenForced = 0x40;  // its style changed: restyle children
constexpr std::uint8_t kWalkSiblingsForced = 0x80;  // the rest of its children: whole subtrees
constexpr std::uint8_t kRestyleBits =
    kDirtyStyle | kDirtyDescendant | kDirtySubtree | kDirtySiblings;

void propagate_descendant(Node& n) {
  for (Node* a = n.parent; a && !(a->dirty & kDirtyDescendant); a = a->parent)
    a->dirty |= kDirtyDescendant;
}

bool transforms_differ(const ComputedStyle& a, const ComputedStyle& b) {
  if (a.transform_count != b.transform_count) return true;
  if (a.transform == b.transform || a.transform_count == 0) return false;
  return std::memcmp(a.transform, b.transform, sizeof(css::TransformOp) * a.transform_count) != 0;
}

// Marks what the change from `old_style` to `new_style` means for layout and painting.
void detect_change(Document& d, Node& n, const ComputedStyle* old_style,
                   const ComputedStyle& new_style) {
  if (!old_style || !layout_group_equal(*old_style, new_style)) {
    n.dirty |= kDirtyLayout | kDirtyPaint;
    d.layout_needed = true;
    propagate_descendant(n);
  } else if (!paint_group_equal(*old_style, new_style) ||
             transforms_differ(*old_style, new_style) ||
             std::memcmp(
                 &old_style->translate, &new_style.translate,
                 offsetof(ComputedStyle, transition) - offsetof(ComputedStyle, translate)) != 0) {
    n.dirty |= kDirtyPaint;
    propagate_descendant(n);
  }
}

Node* previous_element_sibling(Node* n) {
  for (Node* s = n->prev_sibling; s; s = s->prev_sibling)
    if (s->is_element() && s->generated == 0) return s;
  return nullptr;
}
Node* last_element_child(Node* n) {
  for (Node* c = n->last_child; c; c = c->prev_sibling)
    if (c->is_element() && c->generated == 0) return c;
  return nullptr;
}

// An equal style among the nearby elements: the two previous element siblings, then the
// last child of the parent's previous sibling (a cousin in the row above).
ComputedStyle* find_shareable(Node& n, const ComputedStyle& style) {
  Node* candidates[3] = {};
  Node* a = previous_element_sibling(&n);
  candidates[0] = a;
  candidates[1] = a ? previous_element_sibling(a) : nullptr;
  if (n.parent && n.parent->is_element()) {
    if (Node* uncle = previous_element_sibling(n.parent)) candidates[2] = last_element_child(uncle);
  }
  for (Node* c : candidates) {
    if (!c || c->animation || !c->style || c->dirty & kDirtyStyle) continue;
    if (c->style == &style || styles_equal(*c->style, style)) return c->style;
  }
  return nullptr;
}

// ---- Generated boxes ----

Node* generated_child(Node& owner, std::uint8_t kind) {
  for (Node* c = owner.first_child; c; c = c->next_sibling)
    if (c->generated == kind) return c;
  return nullptr;
}

void drop_generated(Node& owner, Node* box) {
  if (!box) return;
  unlink(*box);
  discard_node(*box);
  owner.dirty |= kDirtyLayout | kDirtyPaint;
  propagate_descendant(owner);
}

// Makes (or finds) the box of `kind` under `owner` at its place, with one text child.
Node* ensure_generated(Document& d, StyleState& s, Node& owner, std::uint8_t kind) {
  if (Node* existing = generated_child(owner, kind)) return existing;
  Atom tag = kind == kGeneratedMarker   ? s.marker_tag
             : kind == kGeneratedBefore ? s.before_tag
                                        : s.after_tag;
  Node* box = create_element_node(d, d.atoms.text(tag));
  if (!box) return nullptr;
  box->generated = kind;
  Node* text = create_text_node(d, {});
  if (!text) {
    discard_node(*box);
    return nullptr;
  }
  link_child(*box, *text, nullptr);
  Node* reference = nullptr;
  if (kind == kGeneratedMarker) {
    reference = owner.first_child;
  } else if (kind == kGeneratedBefore) {
    reference = owner.first_child;
    if (reference && reference->generated == kGeneratedMarker) reference = reference->next_sibling;
  }
  link_child(owner, *box, reference);
  return box;
}

// Gives the box its style and text; marks it (and its owner) when either changed. A
// generated box transitions and animates like an element: the hook sees its old and new
// style (none after a full reset, when the old records are gone).
void settle_generated(Node& owner, Node& box, ComputedStyle* style, std::string_view text,
                      double now, bool full) {
  const ComputedStyle* old = box.style;
  if (g_animation_hooks && g_animation_hooks->update && box.document)
    g_animation_hooks->update(*box.document, box, full ? nullptr : old, *style, now);
  bool changed = !old || !layout_group_equal(*old, *style) || !paint_group_equal(*old, *style);
  box.style = style;
  Node* text_node = box.first_child;
  if (text_node && node_text(*text_node) != text) {
    set_node_text(*text_node, text);
    changed = true;
  }
  if (text_node) text_node->style = style;
  box.dirty &= static_cast<std::uint8_t>(~kRestyleBits);
  if (changed) {
    box.dirty |= kDirtyLayout | kDirtyPaint;
    owner.dirty |= kDirtyLayout | kDirtyPaint;
    propagate_descendant(box);
    if (box.document) box.document->layout_needed = true;
  }
}

void update_marker(Document& d, StyleState& s, Node& li, double now, bool full) {
  const ComputedStyle& style = *li.style;
  Node* existing = generated_child(li, kGeneratedMarker);
  bool wanted = li.has_tag(TagId::kLi) && style.list_style_type != css::kw::None &&
                style.display != Display::kNone;
  char text[32];
  std::size_t length = wanted ? marker_text(li, style.list_style_type, text) : 0;
  if (!wanted) {
    drop_generated(li, existing);
    return;
  }
  ComputedStyle* ms = compute_pseudo_style(d, li, style, kGeneratedMarker, false);
  if (!ms) return;
  if (style.list_style_inside) {
    ms->display = Display::kInline;
    ms->margin[kRight] = StyleLength::px(0.4f * ms->font_size);
  } else {
    ms->display = Display::kBlock;
    ms->float_ = css::kw::Left;
    ms->width = StyleLength::px(2 * ms->font_size);
    ms->margin[kLeft] = StyleLength::px(-2.4f * ms->font_size);
    ms->text_align = css::kw::Right;
    ms->white_space = css::kw::Nowrap;
  }
  Node* box = existing ? existing : ensure_generated(d, s, li, kGeneratedMarker);
  if (!box) return;
  settle_generated(li, *box, ms, std::string_view(text, length), now, full);
}

void update_pseudo_box(Document& d, StyleState& s, Node& owner, std::uint8_t kind, double now,
                       bool full) {
  Node* existing = generated_child(owner, kind);
  ComputedStyle* ps = compute_pseudo_style(d, owner, *owner.style, kind, true);
  if (!ps || !ps->content_present) {
    drop_generated(owner, existing);
    return;
  }
  Node* box = existing ? existing : ensure_generated(d, s, owner, kind);
  if (!box) return;
  settle_generated(owner, *box, ps, d.atoms.text(ps->content), now, full);
}

void update_generated_boxes(Document& d, StyleState& s, Node& e, double now, bool full) {
  update_marker(d, s, e, now, full);
  const css::StyleSheet* author = d.sheets.author;
  if (author && author->has_pseudo_element_rules()) {
    update_pseudo_box(d, s, e, kGeneratedBefore, now, full);
    update_pseudo_box(d, s, e, kGeneratedAfter, now, full);
  } else {
    drop_generated(e, generated_child(e, kGeneratedBefore));
    drop_generated(e, generated_child(e, kGeneratedAfter));
  }
}

// ---- The walk ----

struct Walk {
  Document& d;
  StyleState& s;
  double now;
  bool full;                    // every element, and no old styles
  bool keep_old;                // compaction: every element, old styles compared
  Node* forced_root = nullptr;  // inside this node's subtree every element is restyled
};

void restyle_element(Walk& w, Node& n, const ComputedStyle* parent_style) {
  Document& d = w.d;
  StyleState& s = w.s;
  const ComputedStyle* old_style = w.full ? nullptr : n.style;
  s.cache_log_count = 0;
  StyleArena::Mark mark = s.arena().mark();
  ComputedStyle* style = compute_style_in_state(d, s, n, parent_style);
  if (!style) return;  // out of memory: the old style stays for this pass
  if (g_animation_hooks && g_animation_hooks->update)
    g_animation_hooks->update(d, n, old_style, *style, w.now);
  if (!n.animation) {
    if (ComputedStyle* shared = find_shareable(n, *style)) {
      s.arena().rollback(mark);
      forget_logged_payloads(s);
      style = shared;
      ++s.stats.styles_shared;
    }
  }
  detect_change(d, n, old_style, *style);
  if (!old_style || (old_style != style && !styles_equal(*old_style, *style)))
    n.dirty |= kWalkChildrenForced;
  // Text takes its element's record. An equal new record does not walk the children,
  // and a running transition writes its steps into the new one only.
  if (old_style != style && !(n.dirty & kWalkChildrenForced)) {
    for (Node* child = n.first_child; child; child = child->next_sibling)
      if (child->is_text()) child->style = style;
  }
  n.style = style;
  if (n.generated == 0) update_generated_boxes(d, s, n, w.now, w.full);
}

// Visits one node; true when its children are to be visited.
bool visit(Walk& w, Node& n) {
  Node* parent = n.parent;
  const ComputedStyle* parent_style = parent && parent->is_element() ? parent->style : nullptr;
  if (n.is_text()) {
    n.style = const_cast<ComputedStyle*>(parent_style);
    n.dirty &= static_cast<std::uint8_t>(~kRestyleBits);
    return false;
  }
  if (!n.is_element()) return false;
  if (n.generated) {
    // Handled with its owner.
    n.dirty &= static_cast<std::uint8_t>(~kRestyleBits);
    return false;
  }
  bool subtree = w.forced_root || (parent && (parent->dirty & kWalkSiblingsForced));
  bool forced = subtree || (parent && (parent->dirty & kWalkChildrenForced));
  if (!forced && !(n.dirty & kRestyleBits)) return false;
  ++w.s.stats.nodes_visited;
  std::uint8_t bits = n.dirty;
  n.dirty &= static_cast<std::uint8_t>(~kRestyleBits);
  if (forced || (bits & (kDirtyStyle | kDirtySubtree))) restyle_element(w, n, parent_style);
  if ((bits & kDirtySiblings) && parent) parent->dirty |= kWalkSiblingsForced;
  // A forced sibling and an element marked for its subtree restyle everything below.
  if (!w.forced_root && (subtree || (bits & kDirtySubtree))) w.forced_root = &n;
  return w.forced_root || (n.dirty & kWalkChildrenForced) || (bits & kDirtyDescendant);
}

void leave(Walk& w, Node& n) {
  n.dirty &= static_cast<std::uint8_t>(~(kWalkChildrenForced | kWalkSiblingsForced));
  // The descendant bit also leads layout down to nodes marked for relayout; the walk
  // cleared it on the way down, so it is put back on the path to every such node.
  if ((n.dirty & (kDirtyLayout | kDirtyDescendant)) && n.parent)
    n.parent->dirty |= kDirtyDescendant;
  if (w.forced_root == &n) w.forced_root = nullptr;
}

void restyle_tree(Walk& w) {
  Node* top = w.d.root;
  if (!top) return;
  std::uint8_t bits = top->dirty;
  top->dirty &= static_cast<std::uint8_t>(~kRestyleBits);
  if (w.full || w.keep_old || (bits & (kDirtySubtree | kDirtyStyle))) w.forced_root = top;
  Node* n = top->first_child;
  while (n) {
    if (visit(w, *n) && n->first_child) {
      n = n->first_child;
      continue;
    }
    for (;;) {
      leave(w, *n);
      if (n->next_sibling) {
        n = n->next_sibling;
        break;
      }
      n = n->parent;
      if (!n || n == top) {
        leave(w, *top);
        return;
      }
    }
  }
  leave(w, *top);
}

// Restyles everything into the other arena, then frees the one the old styles live in.
void restyle_into_fresh_arena(Document& d, StyleState& s, double now, bool keep_old) {
  int old_arena = s.active;
  s.active = 1 - s.active;
  s.arena().reset();
  clear_payload_cache(s);
  refresh_rule_indexes(d, s, true);
  Walk w{d, s, now, !keep_old, keep_old};
  restyle_tree(w);
  s.arenas[old_arena].reset();
  s.reference_size = s.arena().used();
}

}  // namespace

const StylePassStats& style_pass_stats(const Document& d) noexcept {
  static const StylePassStats kNone{};
  return d.style_state ? d.style_state->stats : kNone;
}

void reset_style_pass_stats(Document& d) noexcept {
  if (d.style_state) d.style_state->stats = StylePassStats{};
}

}  // namespace style

void set_animation_hooks(const AnimationHooks* hooks) noexcept {
  style::g_animation_hooks = hooks;
}

std::uint32_t style_pass(Document& d, double now) noexcept {
  using namespace style;
  d.frame_time = now;
  StyleState* s = ensure_state(d);
  if (!s) return 0;
  Node* root = d.root;
  if (root && (root->dirty & (kDirtyStyle | kDirtyDescendant | kDirtySubtree))) {
    if (root->dirty & kDirtyStyle) {
      // A full restyle (new sheets, a new page): no old styles, no transitions.
      ++s->stats.full_restyles;
      root->dirty &= static_cast<std::uint8_t>(~kDirtyStyle);
      restyle_into_fresh_arena(d, *s, now, false);
      root->dirty |= kDirtyLayout | kDirtyPaint;
    } else {
      refresh_rule_indexes(d, *s, false);
      Walk w{d, *s, now, false, false};
      restyle_tree(w);
      std::size_t used = s->arena().used();
      if (used > s->reference_size + kCompactionGrowth && used > 2 * s->reference_size) {
        ++s->stats.compactions;
        restyle_into_fresh_arena(d, *s, now, true);
        d.full_repaint_needed = true;
        root->dirty |= kDirtyPaint;
      }
    }
    css::release_retired_author_sheet(d);
  }
  std::uint32_t running = 0;
  double delay = 0;
  if (g_animation_hooks && g_animation_hooks->tick)
    running = g_animation_hooks->tick(d, now, &delay);
  d.animation_frame_delay = running ? delay : 0;
  return running;
}

bool attribute_change_needs_restyle(const Document& d, std::uint32_t name) noexcept {
  std::string_view text = d.atoms.text(name);
  if (text.size() < 6 || text.substr(0, 5) != "data-") return true;
  const StyleSheetSlots& slots = d.sheets;
  if (slots.all_data_attributes) return true;
  for (int i = 0; i < slots.data_attribute_count && i < StyleSheetSlots::kMaxDataAttributes; ++i)
    if (slots.data_attributes[i] == name) return true;
  return false;
}

}  // namespace orlan

// The cascade: the document's style state, rule matching through the rule indexes, the
// order in which matched declarations apply, inheritance, and the fix-ups that follow.

#include <algorithm>
#include <cstring>
#include <new>

#include "cascade_run.h"
#include "node_selector_match.h"
#include "style_state.h"

namespace orlan {

using css::PropertyId;
namespace kw = css::kw;

namespace style {

namespace {

void destroy_state(StyleState* state) {
  if (!state) return;
  state->~StyleState();
  system_free(state);
}

std::uint64_t hash_bytes(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < size; ++i) {
    h ^= p[i];
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

StyleState* ensure_state(Document& d) noexcept {
  if (d.style_state) return d.style_state;
  void* memory = system_allocate(sizeof(StyleState));
  if (!memory) return nullptr;
  auto* s = new (memory) StyleState();
  auto* initial = new (s->initial_storage) ComputedStyle;
  bool ok = d.atoms.intern("sans-serif", s->sans_serif) &&
            d.atoms.intern_lower("::marker", s->marker_tag) &&
            d.atoms.intern_lower("::before", s->before_tag) &&
            d.atoms.intern_lower("::after", s->after_tag);
  if (!ok) {
    destroy_state(s);
    return nullptr;
  }
  initial->font_family = s->sans_serif;
  d.style_state = s;
  d.destroy_style_state = &destroy_state;
  return s;
}

const void* intern_payload(StyleState& s, const void* data, std::size_t size) noexcept {
  if (size == 0) return nullptr;
  std::uint64_t h = hash_bytes(data, size);
  PayloadCacheEntry& e = s.payload_cache[h % StyleState::kPayloadCacheSize];
  if (e.data && e.hash == h && e.size == size && std::memcmp(e.data, data, size) == 0)
    return e.data;
  void* copy = s.arena().allocate(size);
  if (!copy) return nullptr;
  std::memcpy(copy, data, size);
  e.hash = h;
  e.size = size;
  e.data = copy;
  if (s.cache_log_count < StyleState::kCacheLogSize)
    s.cache_log[s.cache_log_count] = static_cast<std::uint16_t>(&e - s.payload_cache);
  ++s.cache_log_count;
  return copy;
}

void clear_payload_cache(StyleState& s) noexcept {
  for (PayloadCacheEntry& e : s.payload_cache) e = PayloadCacheEntry{};
  s.cache_log_count = 0;
}

// Forgets the cache entries made since the log was started (their memory was given back).
void forget_logged_payloads(StyleState& s) noexcept {
  if (s.cache_log_count > StyleState::kCacheLogSize) {
    clear_payload_cache(s);
    return;
  }
  for (std::uint32_t i = 0; i < s.cache_log_count; ++i) s.payload_cache[s.cache_log[i]] = {};
  s.cache_log_count = 0;
}

void refresh_rule_indexes(Document& d, StyleState& s, bool force) noexcept {
  // Every restyle walk starts here: what the last one numbered may have moved since.
  if (++s.walk_serial == 0) s.walk_serial = 1;
  if (d.sheets.user_agent && (force || !s.user_agent_index.built()))
    s.user_agent_index.build(*d.sheets.user_agent);
  if (force || !s.author_index.built() || s.indexed_author != d.sheets.author ||
      s.indexed_generation != d.sheets.author_generation) {
    if (d.sheets.author)
      s.author_index.build(*d.sheets.author);
    else
      s.author_index.clear();
    s.indexed_author = d.sheets.author;
    s.indexed_generation = d.sheets.author_generation;
  }
}

namespace {

bool selector_applies(const css::ComplexSelector& selector, const Node& element, int kind) {
  if (kind == 0) return css::selector_matches(selector, element);
  return css::selector_matches_pseudo(selector, element, static_cast<css::PseudoElement>(kind));
}

void match_chain(StyleState& s, const css::StyleSheet& sheet, RuleIndex& index, std::uint32_t head,
                 std::uint32_t generation, std::uint32_t origin, const Node& element, int kind,
                 const css::MediaState& media) {
  auto rules = sheet.rules();
  for (std::uint32_t e = head; e != RuleIndex::kEnd; e = index.entry(e).next) {
    const RuleIndex::Entry& entry = index.entry(e);
    if (entry.rule >= rules.size()) continue;
    const css::StyleRule& rule = rules[entry.rule];
    if (entry.selector >= rule.selector_count) continue;
    const css::ComplexSelector& selector = rule.selectors[entry.selector];
    bool seen = index.stamp(entry.rule) == generation;
    if (seen && s.matched[index.slot(entry.rule)].specificity >= selector.specificity) continue;
    if (rule.media && !css::media_matches(rule.media, media)) continue;
    if (!selector_applies(selector, element, kind)) continue;
    if (seen) {
      s.matched[index.slot(entry.rule)].specificity = selector.specificity;
      continue;
    }
    if (s.matched_count == kMaxMatchedRules) continue;  // beyond 256 matches: ignored
    index.stamp(entry.rule) = generation;
    index.slot(entry.rule) = static_cast<std::uint32_t>(s.matched_count);
    std::uint32_t position = rule.position < (1u << 24) ? rule.position : (1u << 24) - 1;
    s.matched[s.matched_count++] = {selector.specificity, (origin << 24) | position, &rule};
  }
}

void match_sheet(Document& d, StyleState& s, const css::StyleSheet* sheet, RuleIndex& index,
                 std::uint32_t origin, const Node& element, int kind,
                 const css::MediaState& media) {
  if (!sheet || !index.built() || !index.has_pseudo(kind)) return;
  if (sheet->has_viewport_media()) d.viewport_queried = true;
  std::uint32_t generation = index.next_generation();
  match_chain(s, *sheet, index, index.universal(kind), generation, origin, element, kind, media);
  match_chain(s, *sheet, index, index.chain(kind, RuleIndex::kTag, element.tag), generation, origin,
              element, kind, media);
  match_chain(s, *sheet, index, index.chain(kind, RuleIndex::kId, element.id), generation, origin,
              element, kind, media);
  for (std::uint16_t i = 0; i < element.class_count; ++i) {
    match_chain(s, *sheet, index, index.chain(kind, RuleIndex::kClass, element.classes[i]),
                generation, origin, element, kind, media);
  }
}

}  // namespace

void match_rules(Document& d, StyleState& s, const Node& element, int kind) noexcept {
  s.matched_count = 0;
  css::MediaState media;
  media.width = d.viewport_width;
  media.height = d.viewport_height;
  media.dark = d.dark_scheme != 0;
  media.coarse_pointer = d.coarse_pointer != 0;
  match_sheet(d, s, d.sheets.user_agent, s.user_agent_index, 0, element, kind, media);
  match_sheet(d, s, d.sheets.author, s.author_index, 1, element, kind, media);
  // Ascending origin, then specificity, then order (unique, so no ties remain).
  std::sort(s.matched, s.matched + s.matched_count, [](const MatchedRule& a, const MatchedRule& b) {
    if ((a.order >> 24) != (b.order >> 24)) return (a.order >> 24) < (b.order >> 24);
    if (a.specificity != b.specificity) return a.specificity < b.specificity;
    return a.order < b.order;
  });
}

namespace {

int pass_of(PropertyId p) {
  if (p == PropertyId::Custom) return 2;
  if (p == PropertyId::FontSize) return 1;
  return 0;
}

void apply_matched(CascadeContext& c, StyleState& s,
                   std::span<const css::Declaration> inline_list) {
  auto* run = static_cast<CascadeRun*>(c.run);
  for (int pass = 2; pass >= 0; --pass) {
    for (int important = 0; important <= 1; ++important) {
      for (int i = 0; i < s.matched_count; ++i) {
        for (const css::Declaration& d : s.matched[i].rule->declaration_list()) {
          if (pass_of(d.property) == pass && (d.important != 0) == (important != 0))
            apply_declaration(c, d);
        }
      }
      c.from_style_attribute = true;
      for (const css::Declaration& d : inline_list) {
        if (pass_of(d.property) == pass && (d.important != 0) == (important != 0))
          apply_declaration(c, d);
      }
      c.from_style_attribute = false;
    }
    if (pass == 2 && run->custom_open) {
      run->custom_open = false;
      const CustomProperty* list =
          intern_array(s, s.custom_scratch.data(), s.custom_scratch.size());
      if (list) {
        c.style->custom_properties = list;
        c.style->custom_property_count = static_cast<std::uint16_t>(s.custom_scratch.size());
      }
    }
  }
  if (run->layer_open) {
    run->layer_open = false;
    commit_background_layer(c.style, s, run->layer);
  }
}

bool is_table_internal(Display d) {
  return d >= Display::kTableRowGroup && d <= Display::kTableColumn;
}

void fix_up(CascadeContext& c, StyleState& s) {
  ComputedStyle& st = *c.style;
  bool floated = st.float_ != kw::None;
  if (floated) {
    switch (st.display) {
      case Display::kInline:
      case Display::kInlineBlock:
        st.display = Display::kBlock;
        break;
      case Display::kInlineFlex:
        st.display = Display::kFlex;
        break;
      case Display::kInlineGrid:
        st.display = Display::kGrid;
        break;
      case Display::kInlineTable:
        st.display = Display::kTable;
        break;
      default:
        if (is_table_internal(st.display)) st.display = Display::kBlock;
        break;
    }
  } else if (st.position == kw::Absolute || st.position == kw::Fixed) {
    if (st.display == Display::kInline || st.display == Display::kInlineBlock ||
        is_table_internal(st.display)) {
      st.display = Display::kBlock;
    } else if (st.display == Display::kInlineTable) {
      st.display = Display::kTable;
    }
  }
  for (int side = 0; side < 4; ++side) {
    if (!(c.border_colors_set & (1u << side))) st.border_color[side] = st.color;
  }
  if (st.filter_count) {
    bool sentinel = false;
    for (std::uint8_t i = 0; i < st.filter_count; ++i)
      sentinel |= st.filter[i].kind == css::FilterKind::DropShadow &&
                  st.filter[i].color == css::kCurrentColor;
    if (sentinel) {
      css::Filter copy[255];
      std::memcpy(static_cast<void*>(copy), st.filter, sizeof(css::Filter) * st.filter_count);
      for (std::uint8_t i = 0; i < st.filter_count; ++i)
        if (copy[i].color == css::kCurrentColor) copy[i].color = st.color;
      if (const css::Filter* list = intern_array(s, copy, st.filter_count)) st.filter = list;
    }
  }
  if (st.border_style == kw::None) {
    for (float& w : st.border_width) w = 0;
  }
}

// ::placeholder and ::selection: the colours their rules give, evaluated on a copy of
// the element's style so that var() and currentcolor resolve as for the element.
void apply_pseudo_colours(Document& d, StyleState& s, Node& element, CascadeContext& c) {
  const css::StyleSheet* author = d.sheets.author;
  if (!author) return;
  bool text_control = element.has_tag(TagId::kInput) || element.has_tag(TagId::kTextarea);
  bool placeholder = text_control && author->has_pseudo_element_rules() &&
                     s.author_index.has_pseudo(static_cast<int>(css::PseudoElement::Placeholder));
  bool selection = author->has_selection_rules() &&
                   s.author_index.has_pseudo(static_cast<int>(css::PseudoElement::Selection));
  for (int kind : {static_cast<int>(css::PseudoElement::Placeholder),
                   static_cast<int>(css::PseudoElement::Selection)}) {
    if (kind == static_cast<int>(css::PseudoElement::Placeholder) ? !placeholder : !selection)
      continue;
    s.matched_count = 0;
    css::MediaState media;
    media.width = d.viewport_width;
    media.height = d.viewport_height;
    media.dark = d.dark_scheme != 0;
    media.coarse_pointer = d.coarse_pointer != 0;
    match_sheet(d, s, author, s.author_index, 1, element, kind, media);
    if (s.matched_count == 0) continue;
    std::sort(s.matched, s.matched + s.matched_count,
              [](const MatchedRule& a, const MatchedRule& b) {
                if (a.specificity != b.specificity) return a.specificity < b.specificity;
                return a.order < b.order;
              });
    alignas(16) unsigned char storage[sizeof(ComputedStyle)];
    std::memcpy(storage, c.style, sizeof(ComputedStyle));
    auto* probe = reinterpret_cast<ComputedStyle*>(storage);
    probe->background_color = 0;
    CascadeRun run;
    run.state = &s;
    CascadeContext pc = c;
    pc.style = probe;
    pc.run = &run;
    bool color_set = false, background_set = false;
    for (int important = 0; important <= 1; ++important) {
      for (int i = 0; i < s.matched_count; ++i) {
        for (const css::Declaration& decl : s.matched[i].rule->declaration_list()) {
          if ((decl.important != 0) != (important != 0)) continue;
          if (decl.property == PropertyId::Color) {
            probe->color = c.style->color;
            apply_declaration(pc, decl);
            color_set = true;
          } else if (decl.property == PropertyId::BackgroundColor) {
            apply_declaration(pc, decl);
            background_set = true;
          }
        }
      }
    }
    if (kind == static_cast<int>(css::PseudoElement::Placeholder)) {
      if (color_set) c.style->placeholder_color = probe->color;
    } else {
      if (background_set) c.style->selection_background = probe->background_color;
      if (color_set) c.style->selection_color = probe->color;
    }
  }
}

ComputedStyle* compute(Document& d, StyleState& s, Node& element, const ComputedStyle* parent,
                       int kind) {
  auto* style = static_cast<ComputedStyle*>(s.arena().allocate_unfilled(sizeof(ComputedStyle)));
  if (!style) return nullptr;
  std::memcpy(static_cast<void*>(style), &s.initial(), sizeof(ComputedStyle));
  if (parent) copy_inherited(*style, *parent);
  ++s.stats.elements_styled;
  match_rules(d, s, element, kind);

  css::DeclarationBlock inline_block;
  css::StyleSheet* scratch = d.sheets.scratch;
  if (scratch && scratch->arena().used() > 0) scratch->reset();
  if (kind == 0 && scratch) {
    if (const Attribute* a = find_attribute(element, d.names.style); a && a->length) {
      css::parse_declaration_block(*scratch, std::string_view(a->value, a->length), inline_block);
    }
  }

  CascadeRun run;
  run.state = &s;
  CascadeContext c;
  c.document = &d;
  c.element = &element;
  c.style = style;
  c.parent = parent;
  c.parent_font_size = parent ? parent->font_size : 16;
  c.run = &run;
  apply_matched(c, s, inline_block.list());
  fix_up(c, s);
  if (kind == 0) apply_pseudo_colours(d, s, element, c);
  return style;
}

}  // namespace

ComputedStyle* compute_style_in_state(Document& d, StyleState& s, Node& element,
                                      const ComputedStyle* parent) noexcept {
  return compute(d, s, element, parent, 0);
}

ComputedStyle* compute_pseudo_style(Document& d, Node& owner, const ComputedStyle& owner_style,
                                    int kind, bool require_match) noexcept {
  StyleState* s = ensure_state(d);
  if (!s) return nullptr;
  if (require_match) {
    // Only the author sheet has rules for ::before and ::after.
    if (!d.sheets.author || !s->author_index.has_pseudo(kind)) return nullptr;
    match_rules(d, *s, owner, kind);
    if (s->matched_count == 0) return nullptr;
  }
  return compute(d, *s, owner, &owner_style, kind);
}

// ---- Field copies ----

void copy_inherited(ComputedStyle& to, const ComputedStyle& from) noexcept {
  to.overflow_wrap = from.overflow_wrap;
  to.list_style_type = from.list_style_type;
  to.list_style_inside = from.list_style_inside;
  to.border_collapse = from.border_collapse;
  to.border_spacing_x = from.border_spacing_x;
  to.border_spacing_y = from.border_spacing_y;
  to.text_indent = from.text_indent;
  to.user_select = from.user_select;
  to.font_family = from.font_family;
  to.font_size = from.font_size;
  to.font_weight = from.font_weight;
  to.line_height = from.line_height;
  to.text_align = from.text_align;
  to.white_space = from.white_space;
  to.word_break = from.word_break;
  to.font_style = from.font_style;
  to.text_transform = from.text_transform;
  to.letter_spacing = from.letter_spacing;
  to.color = from.color;
  to.accent_color = from.accent_color;
  to.caret_color = from.caret_color;
  to.caret_color_set = from.caret_color_set;
  to.cursor = from.cursor;
  to.text_decoration = from.text_decoration;
  to.visibility = from.visibility;
  to.pointer_events = from.pointer_events;
  to.text_shadow = from.text_shadow;
  to.text_shadow_count = from.text_shadow_count;
  to.selection_background = from.selection_background;
  to.selection_color = from.selection_color;
  to.custom_properties = from.custom_properties;
  to.custom_property_count = from.custom_property_count;
}

void copy_property(PropertyId p, ComputedStyle& to, const ComputedStyle& from) noexcept {
  using P = PropertyId;
  switch (p) {
#define COPY(id, field)    \
  case P::id:              \
    to.field = from.field; \
    break;
    case P::Display:
      // "flow-root" is display block plus this flag: the two travel together.
      to.display = from.display;
      to.flow_root = from.flow_root;
      break;
    COPY(Position, position)
    COPY(BoxSizing, box_sizing)
    COPY(Overflow, overflow)
    COPY(Width, width)
    COPY(Height, height)
    COPY(MinWidth, min_width)
    COPY(MinHeight, min_height)
    COPY(MaxWidth, max_width)
    COPY(MaxHeight, max_height)
    COPY(FlexDirection, flex_direction)
    COPY(FlexWrap, flex_wrap)
    COPY(FlexGrow, flex_grow)
    COPY(FlexShrink, flex_shrink)
    COPY(FlexBasis, flex_basis)
    COPY(AlignItems, align_items)
    COPY(AlignSelf, align_self)
    COPY(AlignContent, align_content)
    COPY(JustifyContent, justify_content)
    COPY(RowGap, row_gap)
    COPY(ColumnGap, column_gap)
    COPY(GridAutoColumns, grid_auto_columns)
    COPY(GridAutoRows, grid_auto_rows)
    COPY(GridColumnStart, grid_column_start)
    COPY(GridColumnEnd, grid_column_end)
    COPY(GridRowStart, grid_row_start)
    COPY(GridRowEnd, grid_row_end)
    COPY(JustifyItems, justify_items)
    COPY(JustifySelf, justify_self)
    COPY(Color, color)
    COPY(AccentColor, accent_color)
    COPY(BackgroundColor, background_color)
    COPY(ObjectFit, object_fit)
    COPY(BorderStyle, border_style)
    COPY(Opacity, opacity)
    COPY(Order, order)
    COPY(AspectRatio, aspect_ratio)
    COPY(ListStyleType, list_style_type)
    COPY(ListStylePosition, list_style_inside)
    COPY(OverflowWrap, overflow_wrap)
    COPY(ScrollbarGutter, scrollbar_gutter)
    COPY(GridArea, grid_area)
    COPY(Cursor, cursor)
    COPY(BorderCollapse, border_collapse)
    COPY(BorderSpacingX, border_spacing_x)
    COPY(BorderSpacingY, border_spacing_y)
    COPY(TableLayout, table_layout_fixed)
    COPY(UserSelect, user_select)
    COPY(TextIndent, text_indent)
    COPY(LineClamp, line_clamp)
    COPY(FontFamily, font_family)
    COPY(FontSize, font_size)
    COPY(FontWeight, font_weight)
    COPY(LineHeight, line_height)
    COPY(FontStyle, font_style)
    COPY(TextAlign, text_align)
    COPY(WhiteSpace, white_space)
    COPY(WordBreak, word_break)
    COPY(TextOverflow, text_overflow)
    COPY(TextDecoration, text_decoration)
    COPY(Float, float_)
    COPY(Clear, clear)
    COPY(TextTransform, text_transform)
    COPY(Visibility, visibility)
    COPY(PointerEvents, pointer_events)
    COPY(OutlineWidth, outline_width)
    COPY(OutlineColor, outline_color)
    COPY(OutlineOffset, outline_offset)
    COPY(OutlineStyle, outline_style)
    COPY(LetterSpacing, letter_spacing)
    COPY(VerticalAlign, vertical_align)
    COPY(Content, content)
#undef COPY
    case P::ZIndex:
      to.z_index = from.z_index;
      to.z_index_auto = from.z_index_auto;
      break;
    case P::MarginTop:
    case P::MarginRight:
    case P::MarginBottom:
    case P::MarginLeft: {
      int i = to_index(p) - to_index(P::MarginTop);
      to.margin[i] = from.margin[i];
      break;
    }
    case P::PaddingTop:
    case P::PaddingRight:
    case P::PaddingBottom:
    case P::PaddingLeft: {
      int i = to_index(p) - to_index(P::PaddingTop);
      to.padding[i] = from.padding[i];
      break;
    }
    case P::Top:
    case P::Right:
    case P::Bottom:
    case P::Left: {
      int i = to_index(p) - to_index(P::Top);
      to.inset[i] = from.inset[i];
      break;
    }
    case P::BorderTopWidth:
    case P::BorderRightWidth:
    case P::BorderBottomWidth:
    case P::BorderLeftWidth: {
      int i = to_index(p) - to_index(P::BorderTopWidth);
      to.border_width[i] = from.border_width[i];
      break;
    }
    case P::BorderTopColor:
    case P::BorderRightColor:
    case P::BorderBottomColor:
    case P::BorderLeftColor: {
      int i = to_index(p) - to_index(P::BorderTopColor);
      to.border_color[i] = from.border_color[i];
      break;
    }
    case P::BorderTopLeftRadius:
    case P::BorderTopRightRadius:
    case P::BorderBottomRightRadius:
    case P::BorderBottomLeftRadius: {
      int i = to_index(p) - to_index(P::BorderTopLeftRadius);
      to.border_radius[i] = from.border_radius[i];
      break;
    }
    case P::GridTemplateColumns:
      to.grid_template_columns = from.grid_template_columns;
      to.grid_template_column_count = from.grid_template_column_count;
      break;
    case P::GridTemplateRows:
      to.grid_template_rows = from.grid_template_rows;
      to.grid_template_row_count = from.grid_template_row_count;
      break;
    case P::GridTemplateAreas:
      to.grid_template_areas = from.grid_template_areas;
      to.grid_template_area_rows = from.grid_template_area_rows;
      to.grid_template_area_columns = from.grid_template_area_columns;
      break;
    case P::CaretColor:
      to.caret_color = from.caret_color;
      to.caret_color_set = from.caret_color_set;
      break;
    case P::BoxShadow:
      to.box_shadow = from.box_shadow;
      to.box_shadow_count = from.box_shadow_count;
      break;
    case P::TextShadow:
      to.text_shadow = from.text_shadow;
      to.text_shadow_count = from.text_shadow_count;
      break;
    case P::Filter:
      to.filter = from.filter;
      to.filter_count = from.filter_count;
      break;
    case P::BackdropFilter:
      to.backdrop_filter = from.backdrop_filter;
      to.backdrop_filter_count = from.backdrop_filter_count;
      break;
    case P::Transform:
      to.transform = from.transform;
      to.transform_count = from.transform_count;
      break;
    case P::TransformOrigin:
      to.transform_origin[0] = from.transform_origin[0];
      to.transform_origin[1] = from.transform_origin[1];
      break;
    case P::ObjectPosition:
      to.object_position[0] = from.object_position[0];
      to.object_position[1] = from.object_position[1];
      break;
    case P::Translate:
      to.translate = from.translate;
      to.individual_transforms =
          static_cast<std::uint8_t>((to.individual_transforms & ~kHasTranslate) |
                                    (from.individual_transforms & kHasTranslate));
      break;
    case P::Rotate:
      to.rotate = from.rotate;
      to.individual_transforms = static_cast<std::uint8_t>(
          (to.individual_transforms & ~kHasRotate) | (from.individual_transforms & kHasRotate));
      break;
    case P::Scale:
      to.scale = from.scale;
      to.individual_transforms = static_cast<std::uint8_t>(
          (to.individual_transforms & ~kHasScale) | (from.individual_transforms & kHasScale));
      break;
    case P::Transition:
      to.transition = from.transition;
      to.transition_count = from.transition_count;
      break;
    case P::Animation:
      to.animation = from.animation;
      to.animation_count = from.animation_count;
      break;
    default:
      break;
  }
  if (p == P::Content) to.content_present = from.content_present;
}

}  // namespace style

ComputedStyle* compute_style(Document& document, Node& element,
                             const ComputedStyle* parent) noexcept {
  style::StyleState* s = style::ensure_state(document);
  if (!s || !element.is_element()) return nullptr;
  style::refresh_rule_indexes(document, *s, false);
  return style::compute_style_in_state(document, *s, element, parent);
}

}  // namespace orlan

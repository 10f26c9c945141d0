// Applying one declaration to the style being built: inherit/initial/unset, var()
// substitution and re-parsing, unit resolution, calc()/min()/max()/clamp(), and the
// conversion of every value into its ComputedStyle field.

#include <cmath>
#include <cstring>

#include "cascade_run.h"
#include "style_state.h"

namespace orlan {

using css::CssLength;
using css::CssValue;
using css::PropertyId;
using css::ValueType;
namespace kw = css::kw;

namespace style {
namespace {

using P = PropertyId;

StyleState& state_for(CascadeContext& c) {
  if (c.run) return *static_cast<CascadeRun*>(c.run)->state;
  return *c.document->style_state;
}

// rem: the root element's font size (16 without one). On the root itself it is its own
// font size, except while font-size itself is being resolved.
float root_font_size(const CascadeContext& c) {
  const Node* html = c.document->html;
  if (html == c.element) {
    bool resolving_font_size = c.run && static_cast<const CascadeRun*>(c.run)->applying_font_size;
    return resolving_font_size ? 16.0f : c.style->font_size;
  }
  if (html && html->style) return html->style->font_size;
  return 16;
}

void note_viewport(CascadeContext& c) {
  c.document->viewport_queried = true;
}

float clamp_finite(float v) {
  return std::isfinite(v) ? v : 0.0f;
}

// A declared length in px for this element; `em_base` is the font size em refers to.
bool length_to_px(CascadeContext& c, CssLength l, float em_base, float& out) {
  switch (l.unit) {
    case css::kUnitPx:
      out = l.value;
      return true;
    case css::kUnitEm:
      out = l.value * em_base;
      return true;
    case css::kUnitRem:
      out = l.value * root_font_size(c);
      return true;
    case css::kUnitVw:
      note_viewport(c);
      out = l.value * c.document->viewport_width / 100.0f;
      return true;
    case css::kUnitVh:
      note_viewport(c);
      out = l.value * c.document->viewport_height / 100.0f;
      return true;
    default:
      return false;
  }
}

// Resolves a declared length: px, percent, auto and none stay; em, rem, vw, vh become px.
bool resolve_declared(CascadeContext& c, CssLength l, StyleLength& out) {
  switch (l.unit) {
    case css::kUnitNone:
      out = StyleLength::none();
      return true;
    case css::kUnitPercent:
      out = StyleLength::percent(l.value);
      return true;
    case css::kUnitAuto:
      out = StyleLength::automatic();
      return true;
    case css::kUnitFr:
    case css::kUnitMinContent:
    case css::kUnitMaxContent:
      out = {l.value, l.unit};
      return true;
    case css::kUnitFitContentPx:
      out = {l.value, kStyleFitContentPx};
      return true;
    case css::kUnitFitContentPercent:
      out = {l.value, kStyleFitContentPercent};
      return true;
    default: {
      float px = 0;
      if (!length_to_px(c, l, c.style->font_size, px)) return false;
      out = StyleLength::px(clamp_finite(px));
      return true;
    }
  }
}

// One calc() sum: its px part (every unit but percent resolved) and its percent part.
struct SumParts {
  float px = 0;
  float percent = 0;
  bool pure_px() const { return percent == 0; }
};
SumParts evaluate_sum(CascadeContext& c, const css::CalcSum& s, float em_base) {
  SumParts p;
  p.percent = s.terms[1];
  p.px = s.terms[0] + s.terms[2] * em_base + s.terms[3] * root_font_size(c);
  if (s.terms[4] != 0 || s.terms[5] != 0) {
    note_viewport(c);
    p.px += s.terms[4] * c.document->viewport_width / 100.0f +
            s.terms[5] * c.document->viewport_height / 100.0f;
  }
  p.px = clamp_finite(p.px);
  p.percent = clamp_finite(p.percent);
  return p;
}
bool pure_percent(const css::CalcSum& s) {
  return s.terms[1] != 0 && s.terms[0] == 0 && s.terms[2] == 0 && s.terms[3] == 0 &&
         s.terms[4] == 0 && s.terms[5] == 0;
}

// calc(), min(), max(), clamp() into a StyleLength. False drops the declaration.
bool evaluate_calc(CascadeContext& c, const css::CalcValue& v, float em_base, StyleLength& out) {
  switch (v.kind) {
    case css::CalcKind::Calc: {
      if (v.sum_count < 1) return false;
      SumParts p = evaluate_sum(c, v.sums[0], em_base);
      out = p.pure_px() ? StyleLength::px(p.px) : make_mixed_length(p.px, p.percent, MixedOp::kSum);
      return true;
    }
    case css::CalcKind::Min:
    case css::CalcKind::Max: {
      if (v.sum_count != 2) return false;
      bool is_min = v.kind == css::CalcKind::Min;
      SumParts a = evaluate_sum(c, v.sums[0], em_base);
      SumParts b = evaluate_sum(c, v.sums[1], em_base);
      bool a_pct = pure_percent(v.sums[0]), b_pct = pure_percent(v.sums[1]);
      if (a.pure_px() && b.pure_px()) {
        out = StyleLength::px(is_min ? std::fmin(a.px, b.px) : std::fmax(a.px, b.px));
      } else if (a_pct && b_pct) {
        out = StyleLength::percent(is_min ? std::fmin(a.percent, b.percent)
                                          : std::fmax(a.percent, b.percent));
      } else if (a.pure_px() && b_pct) {
        out = make_mixed_length(a.px, b.percent, is_min ? MixedOp::kMin : MixedOp::kMax);
      } else if (a_pct && b.pure_px()) {
        out = make_mixed_length(b.px, a.percent, is_min ? MixedOp::kMin : MixedOp::kMax);
      } else {
        return false;
      }
      return true;
    }
    case css::CalcKind::Clamp: {
      if (v.sum_count != 3) return false;
      SumParts lo = evaluate_sum(c, v.sums[0], em_base);
      SumParts mid = evaluate_sum(c, v.sums[1], em_base);
      SumParts hi = evaluate_sum(c, v.sums[2], em_base);
      if (lo.pure_px() && mid.pure_px() && hi.pure_px()) {
        out = StyleLength::px(std::fmax(lo.px, std::fmin(mid.px, hi.px)));
      } else if (pure_percent(v.sums[0]) && pure_percent(v.sums[1]) && pure_percent(v.sums[2])) {
        out = StyleLength::percent(std::fmax(lo.percent, std::fmin(mid.percent, hi.percent)));
      } else {
        return false;
      }
      return true;
    }
  }
  return false;
}

// A length-valued declaration (lengths, calc, auto/none keywords) into a StyleLength.
bool to_length(CascadeContext& c, const CssValue& v, StyleLength& out) {
  switch (v.type) {
    case ValueType::Length:
      return resolve_declared(c, v.length, out);
    case ValueType::Calc:
      return v.calc && evaluate_calc(c, *v.calc, c.style->font_size, out);
    case ValueType::Keyword:
      if (v.keyword == kw::Auto) {
        out = StyleLength::automatic();
        return true;
      }
      if (v.keyword == kw::None) {
        out = StyleLength::none();
        return true;
      }
      return false;
    case ValueType::Number:
      if (v.number == 0) {
        out = StyleLength::px(0);
        return true;
      }
      return false;
    default:
      return false;
  }
}

// Fields that hold px only: anything that does not resolve to px gives 0.
float to_px_or_zero(CascadeContext& c, const CssValue& v) {
  StyleLength l;
  if (!to_length(c, v, l) || !l.is_px()) return 0;
  return l.value;
}

// Sizes: keywords other than auto count as auto; max sizes: any keyword is none.
void set_size(CascadeContext& c, const CssValue& v, StyleLength& field, bool max_size) {
  if (v.type == ValueType::Keyword) {
    field = max_size ? StyleLength::none() : StyleLength::automatic();
    return;
  }
  StyleLength l;
  if (!to_length(c, v, l)) return;
  if (max_size && l.is_auto()) l = StyleLength::none();
  field = l;
}

void set_length(CascadeContext& c, const CssValue& v, StyleLength& field) {
  StyleLength l;
  if (to_length(c, v, l)) field = l;
}

Display display_of(std::uint16_t k) {
  switch (k) {
    case kw::None:
      return Display::kNone;
    case kw::Block:
    case kw::FlowRoot:
    case kw::ListItem:
    case kw::WebkitBox:
      return Display::kBlock;
    case kw::Flex:
      return Display::kFlex;
    case kw::Grid:
      return Display::kGrid;
    case kw::InlineBlock:
      return Display::kInlineBlock;
    case kw::InlineFlex:
      return Display::kInlineFlex;
    case kw::InlineGrid:
      return Display::kInlineGrid;
    case kw::Table:
      return Display::kTable;
    case kw::InlineTable:
      return Display::kInlineTable;
    case kw::TableRowGroup:
    case kw::TableHeaderGroup:
    case kw::TableFooterGroup:
      return Display::kTableRowGroup;
    case kw::TableRow:
      return Display::kTableRow;
    case kw::TableCell:
      return Display::kTableCell;
    case kw::TableCaption:
      return Display::kTableCaption;
    case kw::TableColumn:
    case kw::TableColumnGroup:
      return Display::kTableColumn;
    default:
      return Display::kInline;
  }
}

std::uint32_t color_value(CascadeContext& c, std::uint32_t color, bool for_color_property) {
  if (color != css::kCurrentColor) return color;
  if (for_color_property) return c.parent ? c.parent->color : 0xFF000000u;
  return c.style->color;
}

// A list payload that lives in a sheet reset per element is copied into the style arena;
// on allocation failure it keeps pointing to the parser's storage.
template <class T>
const T* keep_list(CascadeContext& c, const T* items, std::size_t count) {
  if (!items || count == 0) return nullptr;
  if (!c.from_style_attribute) return items;
  const T* copy = intern_array(state_for(c), items, count);
  return copy ? copy : items;
}

const css::Gradient* keep_gradient(CascadeContext& c, const css::Gradient* g) {
  if (!g || !c.from_style_attribute) return g;
  StyleState& s = state_for(c);
  css::Gradient copy = *g;
  copy.stops = g->stop_count ? intern_array(s, g->stops, g->stop_count) : nullptr;
  if (g->stop_count && !copy.stops) return g;
  const css::Gradient* out = intern_array(s, &copy, 1);
  return out ? out : g;
}

StyleTrack to_track(CascadeContext& c, const css::GridTrack& t) {
  StyleTrack out;
  if (!resolve_declared(c, t.min, out.min)) out.min = StyleLength::automatic();
  if (!resolve_declared(c, t.max, out.max)) out.max = StyleLength::automatic();
  out.kind = static_cast<std::uint32_t>(t.repeat);
  return out;
}

void set_track_list(CascadeContext& c, const CssValue& v, const StyleTrack*& list,
                    std::uint16_t& count) {
  list = nullptr;
  count = 0;
  if (v.type != ValueType::GridTrackList || v.count == 0 || !v.tracks) return;
  StyleTrack tracks[64];
  std::uint16_t n = v.count > 64 ? 64 : v.count;
  for (std::uint16_t i = 0; i < n; ++i) tracks[i] = to_track(c, v.tracks[i]);
  const StyleTrack* copy = intern_array(state_for(c), tracks, n);
  if (!copy) return;
  list = copy;
  count = n;
}

void set_grid_line(const CssValue& v, std::int16_t& field) {
  if (v.type == ValueType::GridLine) {
    field = v.grid_line.span ? static_cast<std::int16_t>(-v.grid_line.line) : v.grid_line.line;
  } else if (v.type == ValueType::Keyword || v.type == ValueType::Length) {
    field = 0;  // auto
  }
}

void set_keyword(const CssValue& v, Keyword& field) {
  if (v.type == ValueType::Keyword && v.keyword < 256) field = static_cast<Keyword>(v.keyword);
}

void set_transform_op(const CssValue& v, css::TransformOp& op, std::uint8_t bit,
                      std::uint8_t& bits) {
  if (v.type == ValueType::Transform && v.count >= 1 && v.transforms) {
    op = v.transforms[0];
    bits |= bit;
  } else if (v.type == ValueType::Keyword) {
    op = css::TransformOp{};
    std::memset(static_cast<void*>(&op), 0, sizeof op);
    bits &= static_cast<std::uint8_t>(~bit);
  }
}

// The background layer being built: the run's working copy, or (outside a cascade run) a
// copy committed at once.
BackgroundLayer& working_layer(CascadeContext& c, BackgroundLayer& local) {
  if (c.run) {
    auto* run = static_cast<CascadeRun*>(c.run);
    if (!run->layer_open) {
      run->layer =
          c.style->background_layer_count ? c.style->background_layers[0] : BackgroundLayer{};
      run->layer_open = true;
    }
    return run->layer;
  }
  local = c.style->background_layer_count ? c.style->background_layers[0] : BackgroundLayer{};
  return local;
}

void set_background(CascadeContext& c, PropertyId p, const CssValue& v) {
  BackgroundLayer local;
  std::memset(static_cast<void*>(&local), 0, sizeof local);
  BackgroundLayer& layer = working_layer(c, local);
  switch (p) {
    case P::BackgroundImage:
      layer.gradient = nullptr;
      layer.image = 0;
      if (v.type == ValueType::Gradient) layer.gradient = keep_gradient(c, v.gradient);
      if (v.type == ValueType::Name) layer.image = v.atom;
      break;
    case P::BackgroundSize:
      layer.size_keyword = 0;
      layer.size[0] = layer.size[1] = StyleLength::automatic();
      if (v.type == ValueType::Keyword) {
        layer.size_keyword = static_cast<std::uint8_t>(v.keyword);
      } else if (v.type == ValueType::PositionPair && v.pair) {
        for (int i = 0; i < 2; ++i) resolve_declared(c, v.pair[i], layer.size[i]);
      }
      break;
    case P::BackgroundPosition:
      if (v.type == ValueType::PositionPair && v.pair) {
        for (int i = 0; i < 2; ++i) resolve_declared(c, v.pair[i], layer.position[i]);
      }
      break;
    case P::BackgroundRepeat:
      if (v.type == ValueType::Keyword) layer.repeat = static_cast<std::uint8_t>(v.keyword);
      break;
    default:
      break;
  }
  if (!c.run) commit_background_layer(c.style, state_for(c), layer);
}

void set_custom(CascadeContext& c, std::uint32_t name, std::string_view text) {
  StyleState& s = state_for(c);
  if (c.from_style_attribute || !c.run) {
    const char* copy = static_cast<const char*>(intern_payload(s, text.data(), text.size() + 1));
    if (!copy) return;
    text = std::string_view(copy, text.size());
  }
  CustomProperty entry;
  entry.name = name;
  entry.length = static_cast<std::uint32_t>(text.size());
  entry.text = text.data();
  if (c.run) {
    auto* run = static_cast<CascadeRun*>(c.run);
    if (!run->custom_open) {
      s.custom_scratch.clear();
      s.custom_scratch.insert(s.custom_scratch.end(), c.style->custom_properties,
                              c.style->custom_properties + c.style->custom_property_count);
      run->custom_open = true;
    }
    if (s.custom_scratch.size() < UINT16_MAX) s.custom_scratch.push_back(entry);
    return;
  }
  // Outside a run: a new copy of the list with the entry appended.
  std::uint16_t n = c.style->custom_property_count;
  if (n == UINT16_MAX) return;
  auto* list = static_cast<CustomProperty*>(s.arena().allocate(sizeof(CustomProperty) * (n + 1u)));
  if (!list) return;
  if (n) std::memcpy(list, c.style->custom_properties, sizeof(CustomProperty) * n);
  list[n] = entry;
  c.style->custom_properties = list;
  c.style->custom_property_count = static_cast<std::uint16_t>(n + 1);
}

void apply_value(CascadeContext& c, PropertyId p, const CssValue& v);

// Marks the run while font-size is resolved (rem on the root element means 16 then).
class FontSizeScope {
 public:
  explicit FontSizeScope(CascadeContext& c) : m_run(static_cast<CascadeRun*>(c.run)) {
    if (m_run) m_run->applying_font_size = true;
  }
  ~FontSizeScope() {
    if (m_run) m_run->applying_font_size = false;
  }

 private:
  CascadeRun* m_run;
};

// inherit / initial / unset: the property copied from the parent or the initial record.
void apply_wide_keyword(CascadeContext& c, PropertyId p, std::uint16_t keyword) {
  const ComputedStyle& initial = state_for(c).initial();
  bool inherit = keyword == kw::Inherit || (keyword == kw::Unset && css::is_inherited(p));
  const ComputedStyle& from = inherit && c.parent ? *c.parent : initial;
  if (p >= P::BackgroundImage && p <= P::BackgroundRepeat) {
    BackgroundLayer local;
    std::memset(static_cast<void*>(&local), 0, sizeof local);
    BackgroundLayer& layer = working_layer(c, local);
    BackgroundLayer source =
        from.background_layer_count ? from.background_layers[0] : BackgroundLayer{};
    if (p == P::BackgroundImage) {
      layer.image = source.image;
      layer.gradient = source.gradient;
    } else if (p == P::BackgroundSize) {
      layer.size_keyword = source.size_keyword;
      layer.size[0] = source.size[0];
      layer.size[1] = source.size[1];
    } else if (p == P::BackgroundPosition) {
      layer.position[0] = source.position[0];
      layer.position[1] = source.position[1];
    } else {
      layer.repeat = source.repeat;
    }
    if (!c.run) commit_background_layer(c.style, state_for(c), layer);
    return;
  }
  copy_property(p, *c.style, from);
  if (p >= P::BorderTopColor && p <= P::BorderLeftColor && inherit) {
    c.border_colors_set |=
        static_cast<std::uint8_t>(1u << (to_index(p) - to_index(P::BorderTopColor)));
  }
}

void apply_value(CascadeContext& c, PropertyId p, const CssValue& v) {
  ComputedStyle& s = *c.style;
  switch (p) {
    case P::Display:
      if (v.type == ValueType::Keyword) {
        s.display = display_of(v.keyword);
        s.flow_root = v.keyword == kw::FlowRoot;
      }
      break;
    case P::Position:
      set_keyword(v, s.position);
      break;
    case P::BoxSizing:
      set_keyword(v, s.box_sizing);
      break;
    case P::Overflow:
      set_keyword(v, s.overflow);
      break;
    case P::ZIndex:
      if (v.type == ValueType::Number) {
        s.z_index = static_cast<std::int32_t>(v.number);
        s.z_index_auto = false;
      } else if (v.type == ValueType::Keyword || v.type == ValueType::Length) {
        s.z_index = 0;
        s.z_index_auto = true;
      }
      break;
    case P::Width:
      set_size(c, v, s.width, false);
      break;
    case P::Height:
      set_size(c, v, s.height, false);
      break;
    case P::MinWidth:
      set_size(c, v, s.min_width, false);
      break;
    case P::MinHeight:
      set_size(c, v, s.min_height, false);
      break;
    case P::MaxWidth:
      set_size(c, v, s.max_width, true);
      break;
    case P::MaxHeight:
      set_size(c, v, s.max_height, true);
      break;
    case P::MarginTop:
    case P::MarginRight:
    case P::MarginBottom:
    case P::MarginLeft:
      set_length(c, v, s.margin[to_index(p) - to_index(P::MarginTop)]);
      break;
    case P::PaddingTop:
    case P::PaddingRight:
    case P::PaddingBottom:
    case P::PaddingLeft:
      set_length(c, v, s.padding[to_index(p) - to_index(P::PaddingTop)]);
      break;
    case P::Top:
    case P::Right:
    case P::Bottom:
    case P::Left:
      set_size(c, v, s.inset[to_index(p) - to_index(P::Top)], false);
      break;
    case P::FlexDirection:
      set_keyword(v, s.flex_direction);
      break;
    case P::FlexWrap:
      set_keyword(v, s.flex_wrap);
      break;
    case P::FlexGrow:
      if (v.type == ValueType::Number) s.flex_grow = v.number;
      break;
    case P::FlexShrink:
      if (v.type == ValueType::Number) s.flex_shrink = v.number;
      break;
    case P::FlexBasis:
      set_size(c, v, s.flex_basis, false);
      break;
    case P::AlignItems:
      set_keyword(v, s.align_items);
      break;
    case P::AlignSelf:
      set_keyword(v, s.align_self);
      break;
    case P::AlignContent:
      set_keyword(v, s.align_content);
      break;
    case P::JustifyContent:
      set_keyword(v, s.justify_content);
      break;
    case P::RowGap:
      set_length(c, v, s.row_gap);
      break;
    case P::ColumnGap:
      set_length(c, v, s.column_gap);
      break;
    case P::GridTemplateColumns:
      set_track_list(c, v, s.grid_template_columns, s.grid_template_column_count);
      break;
    case P::GridTemplateRows:
      set_track_list(c, v, s.grid_template_rows, s.grid_template_row_count);
      break;
    case P::GridAutoColumns:
    case P::GridAutoRows:
      if (v.type == ValueType::GridTrackList && v.count == 1 && v.tracks) {
        (p == P::GridAutoColumns ? s.grid_auto_columns : s.grid_auto_rows) =
            to_track(c, v.tracks[0]);
      }
      break;
    case P::GridColumnStart:
      set_grid_line(v, s.grid_column_start);
      break;
    case P::GridColumnEnd:
      set_grid_line(v, s.grid_column_end);
      break;
    case P::GridRowStart:
      set_grid_line(v, s.grid_row_start);
      break;
    case P::GridRowEnd:
      set_grid_line(v, s.grid_row_end);
      break;
    case P::JustifyItems:
      set_keyword(v, s.justify_items);
      break;
    case P::JustifySelf:
      set_keyword(v, s.justify_self);
      break;
    case P::Color:
      if (v.type == ValueType::Color) s.color = color_value(c, v.color, true);
      break;
    case P::AccentColor:
      s.accent_color = v.type == ValueType::Color ? color_value(c, v.color, false) : 0;
      break;
    case P::CaretColor:
      if (v.type == ValueType::Color) {
        s.caret_color = color_value(c, v.color, false);
        s.caret_color_set = true;
      } else if (v.type == ValueType::Keyword) {
        s.caret_color = 0;
        s.caret_color_set = false;
      }
      break;
    case P::BackgroundColor:
      if (v.type == ValueType::Color) s.background_color = color_value(c, v.color, false);
      break;
    case P::BackgroundImage:
    case P::BackgroundSize:
    case P::BackgroundPosition:
    case P::BackgroundRepeat:
      set_background(c, p, v);
      break;
    case P::BoxShadow:
      if (v.type == ValueType::ShadowList) {
        s.box_shadow = keep_list(c, v.shadows, v.count);
        s.box_shadow_count =
            s.box_shadow ? static_cast<std::uint8_t>(v.count > 255 ? 255 : v.count) : 0;
      } else if (v.type == ValueType::Keyword) {
        s.box_shadow = nullptr;
        s.box_shadow_count = 0;
      }
      break;
    case P::TextShadow:
      if (v.type == ValueType::ShadowList) {
        s.text_shadow = keep_list(c, v.shadows, v.count);
        s.text_shadow_count =
            s.text_shadow ? static_cast<std::uint8_t>(v.count > 255 ? 255 : v.count) : 0;
      } else if (v.type == ValueType::Keyword) {
        s.text_shadow = nullptr;
        s.text_shadow_count = 0;
      }
      break;
    case P::ObjectFit:
      set_keyword(v, s.object_fit);
      break;
    case P::BorderTopWidth:
    case P::BorderRightWidth:
    case P::BorderBottomWidth:
    case P::BorderLeftWidth:
      s.border_width[to_index(p) - to_index(P::BorderTopWidth)] = to_px_or_zero(c, v);
      break;
    case P::BorderTopColor:
    case P::BorderRightColor:
    case P::BorderBottomColor:
    case P::BorderLeftColor:
      if (v.type == ValueType::Color) {
        int side = to_index(p) - to_index(P::BorderTopColor);
        s.border_color[side] = color_value(c, v.color, false);
        c.border_colors_set |= static_cast<std::uint8_t>(1u << side);
      }
      break;
    case P::BorderStyle:
      if (v.type == ValueType::Keyword) {
        // "hidden" draws like none; "double" is drawn solid.
        std::uint16_t k =
            v.keyword == kw::Hidden ? static_cast<std::uint16_t>(kw::None) : v.keyword;
        if (k == kw::Double) k = kw::Solid;
        s.border_style = static_cast<Keyword>(k);
      }
      break;
    case P::BorderTopLeftRadius:
    case P::BorderTopRightRadius:
    case P::BorderBottomRightRadius:
    case P::BorderBottomLeftRadius: {
      StyleLength l;
      if (!to_length(c, v, l)) break;
      if (!l.is_percent() && !l.is_px()) l = StyleLength::px(0);
      if (l.value < 0) l.value = 0;
      s.border_radius[to_index(p) - to_index(P::BorderTopLeftRadius)] = l;
      break;
    }
    case P::Opacity:
      if (v.type == ValueType::Number) s.opacity = v.number;
      break;
    case P::Transform:
      if (v.type == ValueType::Transform && v.count && v.transforms) {
        s.transform = keep_list(c, v.transforms, v.count);
        s.transform_count = s.transform ? v.count : 0;
      } else if (v.type == ValueType::Keyword || v.type == ValueType::Transform) {
        s.transform = nullptr;
        s.transform_count = 0;
      }
      break;
    case P::TransformOrigin:
      if (v.type == ValueType::PositionPair && v.pair) {
        for (int i = 0; i < 2; ++i) resolve_declared(c, v.pair[i], s.transform_origin[i]);
      }
      break;
    case P::ObjectPosition:
      if (v.type == ValueType::PositionPair && v.pair) {
        for (int i = 0; i < 2; ++i) resolve_declared(c, v.pair[i], s.object_position[i]);
      }
      break;
    case P::Order:
      if (v.type == ValueType::Number) s.order = static_cast<std::int32_t>(v.number);
      break;
    case P::AspectRatio:
      s.aspect_ratio = v.type == ValueType::Number ? v.number : 0;
      break;
    case P::ListStyleType:
      set_keyword(v, s.list_style_type);
      break;
    case P::ListStylePosition:
      if (v.type == ValueType::Keyword) s.list_style_inside = v.keyword == kw::Inside;
      break;
    case P::OverflowWrap:
      if (v.type == ValueType::Keyword)
        s.overflow_wrap = v.keyword == kw::Normal ? 0 : static_cast<Keyword>(v.keyword);
      break;
    case P::ScrollbarGutter:
      set_keyword(v, s.scrollbar_gutter);
      break;
    case P::GridTemplateAreas:
      if (v.type == ValueType::GridAreas && v.areas && v.areas->rows && v.areas->columns &&
          v.areas->rows <= 255 && v.areas->columns <= 255) {
        s.grid_template_areas = keep_list(
            c, v.areas->cells, static_cast<std::size_t>(v.areas->rows) * v.areas->columns);
        s.grid_template_area_rows = static_cast<std::uint8_t>(v.areas->rows);
        s.grid_template_area_columns = static_cast<std::uint8_t>(v.areas->columns);
      } else {
        s.grid_template_areas = nullptr;
        s.grid_template_area_rows = s.grid_template_area_columns = 0;
      }
      break;
    case P::GridArea:
      if (v.type == ValueType::Name) s.grid_area = v.atom;
      break;
    case P::Translate:
      set_transform_op(v, s.translate, kHasTranslate, s.individual_transforms);
      break;
    case P::Rotate:
      set_transform_op(v, s.rotate, kHasRotate, s.individual_transforms);
      break;
    case P::Scale:
      set_transform_op(v, s.scale, kHasScale, s.individual_transforms);
      break;
    case P::Cursor:
      set_keyword(v, s.cursor);
      break;
    case P::BorderCollapse:
      if (v.type == ValueType::Keyword) s.border_collapse = v.keyword == kw::Collapse;
      break;
    case P::BorderSpacingX:
      set_length(c, v, s.border_spacing_x);
      break;
    case P::BorderSpacingY:
      set_length(c, v, s.border_spacing_y);
      break;
    case P::TableLayout:
      if (v.type == ValueType::Keyword) s.table_layout_fixed = v.keyword == kw::Fixed;
      break;
    case P::UserSelect:
      set_keyword(v, s.user_select);
      break;
    case P::TextIndent:
      set_length(c, v, s.text_indent);
      break;
    case P::LineClamp:
      if (v.type == ValueType::Number) {
        s.line_clamp =
            v.number >= 255 ? 255 : static_cast<std::uint8_t>(v.number < 0 ? 0 : v.number);
      } else if (v.type == ValueType::Keyword) {
        s.line_clamp = 0;
      }
      break;
    case P::Filter:
    case P::BackdropFilter:
      if (v.type == ValueType::FilterList || v.type == ValueType::Keyword) {
        const css::Filter* list =
            v.type == ValueType::FilterList ? keep_list(c, v.filters, v.count) : nullptr;
        std::uint8_t n = list ? static_cast<std::uint8_t>(v.count > 255 ? 255 : v.count) : 0;
        if (p == P::Filter) {
          s.filter = list;
          s.filter_count = n;
        } else {
          s.backdrop_filter = list;
          s.backdrop_filter_count = n;
        }
      }
      break;
    case P::FontFamily:
      if (v.type == ValueType::Name) s.font_family = v.atom;
      break;
    case P::FontSize: {
      FontSizeScope scope(c);
      float parent = c.parent_font_size;
      float px = -1;
      if (v.type == ValueType::Length) {
        if (v.length.unit == css::kUnitPercent) {
          px = v.length.value / 100.0f * parent;
        } else if (!length_to_px(c, v.length, parent, px)) {
          break;
        }
      } else if (v.type == ValueType::Calc && v.calc) {
        StyleLength l;
        if (!evaluate_calc(c, *v.calc, parent, l)) break;
        px = resolve_length(l, parent, -1);
      } else {
        break;
      }
      if (std::isfinite(px) && px >= 0) s.font_size = px;
      break;
    }
    case P::FontWeight:
      if (v.type == ValueType::Number) s.font_weight = v.number;
      break;
    case P::LineHeight:
      if (v.type == ValueType::Number) {
        s.line_height = {v.number, kStyleNone};
      } else if (v.type == ValueType::Keyword) {
        s.line_height = {1.2f, kStyleNone};
      } else if (v.type == ValueType::Length && v.length.unit == css::kUnitPercent) {
        // A percentage is of the element's font size: 150% of 12px is 18px.
        s.line_height = StyleLength::px(clamp_finite(v.length.value / 100.0f * s.font_size));
      } else {
        StyleLength l;
        if (!to_length(c, v, l)) break;
        if (l.is_percent() || l.is_mixed()) {
          l = StyleLength::px(resolve_length(l, s.font_size, 0));
        }
        if (l.is_px()) s.line_height = l;
      }
      break;
    case P::FontStyle:
      set_keyword(v, s.font_style);
      break;
    case P::TextAlign:
      set_keyword(v, s.text_align);
      break;
    case P::WhiteSpace:
      set_keyword(v, s.white_space);
      break;
    case P::WordBreak:
      set_keyword(v, s.word_break);
      break;
    case P::TextOverflow:
      set_keyword(v, s.text_overflow);
      break;
    case P::TextDecoration:
      if (v.type == ValueType::Number) {
        s.text_decoration = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v.number) & 3u);
      } else if (v.type == ValueType::Keyword) {
        s.text_decoration = 0;
      }
      break;
    case P::Float:
      set_keyword(v, s.float_);
      break;
    case P::Clear:
      set_keyword(v, s.clear);
      break;
    case P::TextTransform:
      set_keyword(v, s.text_transform);
      break;
    case P::Visibility:
      set_keyword(v, s.visibility);
      break;
    case P::PointerEvents:
      set_keyword(v, s.pointer_events);
      break;
    case P::OutlineWidth:
      s.outline_width = v.type == ValueType::Keyword ? 0 : to_px_or_zero(c, v);
      break;
    case P::OutlineColor:
      // currentcolor stays the sentinel: painting takes the element's colour.
      if (v.type == ValueType::Color) s.outline_color = v.color;
      break;
    case P::OutlineOffset:
      s.outline_offset = to_px_or_zero(c, v);
      break;
    case P::OutlineStyle:
      set_keyword(v, s.outline_style);
      break;
    case P::LetterSpacing:
      s.letter_spacing = v.type == ValueType::Keyword ? 0 : to_px_or_zero(c, v);
      break;
    case P::VerticalAlign:
      if (v.type == ValueType::Keyword)
        s.vertical_align = v.keyword == kw::Baseline ? 0 : static_cast<Keyword>(v.keyword);
      break;
    case P::Transition:
      if (v.type == ValueType::TransitionList && v.count) {
        s.transition = keep_list(c, v.transitions, v.count);
        s.transition_count = s.transition ? v.count : 0;
      } else if (v.type == ValueType::Keyword) {
        s.transition = nullptr;
        s.transition_count = 0;
      }
      break;
    case P::Animation:
      if (v.type == ValueType::AnimationList && v.count) {
        s.animation = keep_list(c, v.animations, v.count);
        s.animation_count = s.animation ? v.count : 0;
      } else if (v.type == ValueType::Keyword) {
        s.animation = nullptr;
        s.animation_count = 0;
      }
      break;
    case P::Content:
      // Only a string counts; none and normal remove it.
      if (v.type == ValueType::Name) {
        s.content = v.atom;
        s.content_present = true;
      } else if (v.type == ValueType::Keyword) {
        s.content = 0;
        s.content_present = false;
      }
      break;
    case P::Custom:
    case P::DeferredShorthand:
      break;
  }
}

// A value holding var(): substituted, re-parsed for the property (or expanded into
// longhands for a deferred shorthand) and applied from the scratch sheet.
void apply_substituted(CascadeContext& c, const css::Declaration& d) {
  StyleState& st = state_for(c);
  css::StyleSheet* scratch = c.document->sheets.scratch;
  if (!scratch) return;
  if (!substitute_var(*c.document, st, *c.style, d.value.raw_text())) return;
  bool was = c.from_style_attribute;
  c.from_style_attribute = true;  // the parsed value lives in the scratch sheet
  if (d.property == P::DeferredShorthand) {
    std::string_view name = c.document->atoms.text(d.aux);
    css::DeclarationBlock block;
    if (css::expand_shorthand(*scratch, name, st.var_text, block) == css::kStatusOk) {
      for (const css::Declaration& longhand : block.list()) {
        if (longhand.value.type == ValueType::RawText) continue;
        if (longhand.value.type == ValueType::Keyword &&
            (longhand.value.keyword == kw::Inherit || longhand.value.keyword == kw::Initial ||
             longhand.value.keyword == kw::Unset)) {
          apply_wide_keyword(c, longhand.property, longhand.value.keyword);
        } else {
          apply_value(c, longhand.property, longhand.value);
        }
      }
    }
  } else {
    CssValue value;
    if (css::parse_property_value(*scratch, d.property, st.var_text, value) &&
        value.type != ValueType::RawText) {
      if (value.type == ValueType::Keyword &&
          (value.keyword == kw::Inherit || value.keyword == kw::Initial ||
           value.keyword == kw::Unset)) {
        apply_wide_keyword(c, d.property, value.keyword);
      } else {
        apply_value(c, d.property, value);
      }
    }
  }
  c.from_style_attribute = was;
}

}  // namespace

void commit_background_layer(ComputedStyle* style, StyleState& state,
                             const BackgroundLayer& layer) {
  if (!layer.gradient && !layer.image) {
    style->background_layers = nullptr;
    style->background_layer_count = 0;
    return;
  }
  const BackgroundLayer* copy = intern_array(state, &layer, 1);
  if (!copy) return;
  style->background_layers = copy;
  style->background_layer_count = 1;
}

}  // namespace style

void apply_declaration(CascadeContext& c, const css::Declaration& d) noexcept {
  if (!c.document || !c.style || !style::ensure_state(*c.document)) return;
  const CssValue& v = d.value;
  PropertyId p = d.property;
  if (p == PropertyId::Custom) {
    if (v.type == ValueType::RawText && d.aux) style::set_custom(c, d.aux, v.raw_text());
    return;
  }
  if (to_index(p) >= to_index(PropertyId::Custom) && p != PropertyId::DeferredShorthand) return;
  if (v.type == ValueType::RawText) {
    style::apply_substituted(c, d);
    return;
  }
  if (p == PropertyId::DeferredShorthand) return;
  if (v.type == ValueType::Keyword &&
      (v.keyword == kw::Inherit || v.keyword == kw::Initial || v.keyword == kw::Unset)) {
    style::apply_wide_keyword(c, p, v.keyword);
    return;
  }
  style::apply_value(c, p, v);
}

}  // namespace orlan

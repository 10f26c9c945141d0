#include "properties.h"

#include <algorithm>
#include <array>
#include <vector>

namespace orlan::css {

namespace {

constexpr std::array<std::string_view, 117> kPropertyNames = {
    "display",
    "position",
    "box-sizing",
    "overflow",
    "z-index",
    "width",
    "height",
    "min-width",
    "min-height",
    "max-width",
    "max-height",
    "margin-top",
    "margin-right",
    "margin-bottom",
    "margin-left",
    "padding-top",
    "padding-right",
    "padding-bottom",
    "padding-left",
    "top",
    "right",
    "bottom",
    "left",
    "flex-direction",
    "flex-wrap",
    "flex-grow",
    "flex-shrink",
    "flex-basis",
    "align-items",
    "align-self",
    "align-content",
    "justify-content",
    "row-gap",
    "column-gap",
    "grid-template-columns",
    "grid-template-rows",
    "grid-auto-columns",
    "grid-auto-rows",
    "grid-column-start",
    "grid-column-end",
    "grid-row-start",
    "grid-row-end",
    "justify-items",
    "justify-self",
    "color",
    "accent-color",
    "caret-color",
    "background-color",
    "background-image",
    "background-size",
    "background-position",
    "background-repeat",
    "box-shadow",
    "object-fit",
    "border-top-width",
    "border-right-width",
    "border-bottom-width",
    "border-left-width",
    "border-top-color",
    "border-right-color",
    "border-bottom-color",
    "border-left-color",
    "border-style",
    "border-top-left-radius",
    "border-top-right-radius",
    "border-bottom-right-radius",
    "border-bottom-left-radius",
    "opacity",
    "transform",
    "transform-origin",
    "order",
    "aspect-ratio",
    "list-style-type",
    "list-style-position",
    "overflow-wrap",
    "scrollbar-gutter",
    "grid-template-areas",
    "grid-area",
    "translate",
    "rotate",
    "scale",
    "cursor",
    "border-collapse",
    "border-spacing-x",
    "border-spacing-y",
    "table-layout",
    "user-select",
    "object-position",
    "text-indent",
    "line-clamp",
    "filter",
    "backdrop-filter",
    "font-family",
    "font-size",
    "font-weight",
    "line-height",
    "font-style",
    "text-align",
    "white-space",
    "word-break",
    "text-overflow",
    "text-decoration",
    "float",
    "clear",
    "text-transform",
    "visibility",
    "pointer-events",
    "outline-width",
    "outline-color",
    "outline-offset",
    "outline-style",
    "text-shadow",
    "letter-spacing",
    "vertical-align",
    "transition",
    "animation",
    "content",
};

struct NameId {
  std::string_view name;
  uint16_t id;
};

const std::vector<NameId>& declaration_names() {
  static const std::vector<NameId> table = [] {
    std::vector<NameId> names;
    for (uint16_t i = 0; i < kPropertyNames.size(); ++i) {
      auto id = static_cast<PropertyId>(i);
      if (id == PropertyId::GridArea || id == PropertyId::BorderSpacingX ||
          id == PropertyId::BorderSpacingY || id == PropertyId::OutlineStyle) {
        continue;
      }
      names.push_back({kPropertyNames[i], i});
    }
    names.push_back({"-webkit-line-clamp", to_index(PropertyId::LineClamp)});
    names.push_back({"-webkit-user-select", to_index(PropertyId::UserSelect)});
    names.push_back({"word-wrap", to_index(PropertyId::OverflowWrap)});
    std::sort(names.begin(), names.end(),
              [](const NameId& a, const NameId& b) { return a.name < b.name; });
    return names;
  }();
  return table;
}

// Sorted by name; ids are fixed.
constexpr NameId kKeywords[] = {
    {"-webkit-box", 143},
    {"absolute", 1},
    {"alias", 75},
    {"all", 144},
    {"all-scroll", 78},
    {"alternate", 2},
    {"anywhere", 3},
    {"auto", 4},
    {"baseline", 5},
    {"block", 6},
    {"bold", 7},
    {"bolder", 8},
    {"border-box", 9},
    {"both", 10},
    {"bottom", 126},
    {"break-all", 11},
    {"break-word", 12},
    {"capitalize", 13},
    {"cell", 76},
    {"center", 14},
    {"circle", 27},
    {"clip", 15},
    {"col-resize", 16},
    {"collapse", 141},
    {"column", 17},
    {"column-reverse", 111},
    {"contain", 18},
    {"content-box", 19},
    {"context-menu", 77},
    {"copy", 74},
    {"cover", 20},
    {"crosshair", 66},
    {"dashed", 21},
    {"decimal", 22},
    {"default", 23},
    {"disc", 24},
    {"dotted", 25},
    {"double", 26},
    {"e-resize", 83},
    {"ease", 36},
    {"ease-in", 37},
    {"ease-in-out", 38},
    {"ease-out", 39},
    {"ellipsis", 40},
    {"end", 41},
    {"ew-resize", 68},
    {"fill", 42},
    {"fixed", 43},
    {"flex", 44},
    {"flex-end", 45},
    {"flex-start", 46},
    {"flow-root", 47},
    {"forwards", 48},
    {"grab", 61},
    {"grabbing", 62},
    {"grid", 49},
    {"help", 65},
    {"hidden", 50},
    {"infinite", 51},
    {"inherit", 52},
    {"initial", 53},
    {"inline", 54},
    {"inline-block", 55},
    {"inline-flex", 56},
    {"inline-grid", 57},
    {"inline-table", 132},
    {"inside", 30},
    {"italic", 58},
    {"keep-all", 59},
    {"left", 85},
    {"lighter", 86},
    {"line-through", 93},
    {"linear", 94},
    {"list-item", 87},
    {"lower-alpha", 32},
    {"lower-roman", 34},
    {"lowercase", 95},
    {"middle", 88},
    {"move", 60},
    {"n-resize", 81},
    {"nesw-resize", 69},
    {"no-drop", 79},
    {"no-repeat", 96},
    {"none", 0},
    {"normal", 97},
    {"not-allowed", 98},
    {"nowrap", 99},
    {"ns-resize", 67},
    {"nwse-resize", 70},
    {"outside", 31},
    {"pointer", 100},
    {"pre", 101},
    {"pre-line", 103},
    {"pre-wrap", 102},
    {"progress", 64},
    {"relative", 104},
    {"repeat", 105},
    {"repeat-x", 106},
    {"repeat-y", 107},
    {"right", 108},
    {"row", 109},
    {"row-resize", 71},
    {"row-reverse", 110},
    {"s-resize", 82},
    {"scroll", 113},
    {"self-end", 114},
    {"self-start", 115},
    {"separate", 142},
    {"solid", 116},
    {"space-around", 117},
    {"space-between", 118},
    {"space-evenly", 119},
    {"square", 28},
    {"stable", 29},
    {"start", 120},
    {"static", 121},
    {"sticky", 122},
    {"stretch", 123},
    {"sub", 89},
    {"super", 90},
    {"table", 131},
    {"table-caption", 138},
    {"table-cell", 134},
    {"table-column", 139},
    {"table-column-group", 140},
    {"table-footer-group", 137},
    {"table-header-group", 136},
    {"table-row", 133},
    {"table-row-group", 135},
    {"text", 124},
    {"text-bottom", 92},
    {"text-top", 91},
    {"top", 125},
    {"transparent", 127},
    {"underline", 128},
    {"unset", 129},
    {"upper-alpha", 33},
    {"upper-roman", 35},
    {"uppercase", 130},
    {"vertical-text", 80},
    {"visible", 145},
    {"w-resize", 84},
    {"wait", 63},
    {"wrap", 146},
    {"wrap-reverse", 112},
    {"zoom-in", 72},
    {"zoom-out", 73},
};

}  // namespace

std::optional<PropertyId> find_property(std::string_view lower_name) {
  const auto& names = declaration_names();
  auto it =
      std::lower_bound(names.begin(), names.end(), lower_name,
                       [](const NameId& entry, std::string_view key) { return entry.name < key; });
  if (it == names.end() || it->name != lower_name) return std::nullopt;
  return static_cast<PropertyId>(it->id);
}

std::string_view property_name(PropertyId id) {
  auto index = to_index(id);
  if (index < kPropertyNames.size()) return kPropertyNames[index];
  if (id == PropertyId::Custom) return "--*";
  if (id == PropertyId::DeferredShorthand) return "(shorthand)";
  return {};
}

bool is_inherited(PropertyId id) {
  switch (id) {
    case PropertyId::Color:
    case PropertyId::AccentColor:
    case PropertyId::CaretColor:
    case PropertyId::ListStyleType:
    case PropertyId::ListStylePosition:
    case PropertyId::OverflowWrap:
    case PropertyId::Cursor:
    case PropertyId::BorderCollapse:
    case PropertyId::BorderSpacingX:
    case PropertyId::BorderSpacingY:
    case PropertyId::UserSelect:
    case PropertyId::TextIndent:
    case PropertyId::FontFamily:
    case PropertyId::FontSize:
    case PropertyId::FontWeight:
    case PropertyId::LineHeight:
    case PropertyId::FontStyle:
    case PropertyId::TextAlign:
    case PropertyId::WhiteSpace:
    case PropertyId::WordBreak:
    case PropertyId::TextDecoration:
    case PropertyId::TextTransform:
    case PropertyId::Visibility:
    case PropertyId::PointerEvents:
    case PropertyId::TextShadow:
    case PropertyId::LetterSpacing:
    case PropertyId::Custom:
      return true;
    default:
      return false;
  }
}

uint16_t find_keyword(std::string_view name) {
  // Keywords are at most 18 bytes; anything longer cannot match.
  char lower[24];
  if (name.empty() || name.size() >= sizeof lower) return kNoKeyword;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  std::string_view key(lower, name.size());
  auto begin = std::begin(kKeywords);
  auto end = std::end(kKeywords);
  auto it = std::lower_bound(
      begin, end, key, [](const NameId& entry, std::string_view k) { return entry.name < k; });
  if (it == end || it->name != key) return kNoKeyword;
  return it->id;
}

std::string_view keyword_name(uint16_t id) {
  for (const auto& entry : kKeywords) {
    if (entry.id == id) return entry.name;
  }
  return {};
}

namespace {

using P = PropertyId;

bool in_list(std::initializer_list<uint16_t> list, uint16_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

bool property_accepts_keyword(PropertyId property, uint16_t k) {
  switch (property) {
    case P::Display:
      return in_list({kw::None,
                      kw::Block,
                      kw::Flex,
                      kw::FlowRoot,
                      kw::Grid,
                      kw::Inline,
                      kw::InlineBlock,
                      kw::InlineFlex,
                      kw::InlineGrid,
                      kw::ListItem,
                      kw::Table,
                      kw::InlineTable,
                      kw::TableRow,
                      kw::TableCell,
                      kw::TableRowGroup,
                      kw::TableHeaderGroup,
                      kw::TableFooterGroup,
                      kw::TableCaption,
                      kw::TableColumn,
                      kw::TableColumnGroup,
                      kw::WebkitBox},
                     k);
    case P::Position:
      return in_list({kw::Absolute, kw::Fixed, kw::Relative, kw::Static, kw::Sticky}, k);
    case P::BoxSizing:
      return in_list({kw::BorderBox, kw::ContentBox}, k);
    case P::Overflow:
      return in_list({kw::Auto, kw::Hidden, kw::Scroll, kw::Visible}, k);
    case P::ZIndex:
    case P::Width:
    case P::Height:
    case P::MinWidth:
    case P::MinHeight:
    case P::MaxWidth:
    case P::MaxHeight:
    case P::MarginTop:
    case P::MarginRight:
    case P::MarginBottom:
    case P::MarginLeft:
    case P::Top:
    case P::Right:
    case P::Bottom:
    case P::Left:
    case P::FlexBasis:
      return in_list({kw::None, kw::Auto}, k);
    case P::FlexDirection:
      return in_list({kw::Column, kw::Row, kw::RowReverse, kw::ColumnReverse}, k);
    case P::FlexWrap:
      return in_list({kw::Nowrap, kw::WrapReverse, kw::Wrap}, k);
    case P::AlignItems:
    case P::JustifyItems:
      return in_list(
          {kw::Baseline, kw::Center, kw::End, kw::FlexEnd, kw::FlexStart, kw::Start, kw::Stretch},
          k);
    case P::AlignSelf:
    case P::JustifySelf:
      return in_list({kw::Auto, kw::Baseline, kw::Center, kw::End, kw::FlexEnd, kw::FlexStart,
                      kw::SelfEnd, kw::SelfStart, kw::Start, kw::Stretch},
                     k);
    case P::AlignContent:
    case P::JustifyContent:
      return in_list({kw::Center, kw::End, kw::FlexEnd, kw::FlexStart, kw::Normal, kw::SpaceAround,
                      kw::SpaceBetween, kw::SpaceEvenly, kw::Start, kw::Stretch},
                     k);
    case P::AccentColor:
    case P::CaretColor:
    case P::AspectRatio:
      return k == kw::Auto;
    case P::ObjectFit:
      return in_list({kw::None, kw::Contain, kw::Cover, kw::Fill}, k);
    case P::BorderStyle:
      return in_list({kw::None, kw::Dashed, kw::Dotted, kw::Double, kw::Solid}, k);
    case P::Transform:
    case P::Translate:
    case P::Rotate:
    case P::Scale:
    case P::LineClamp:
    case P::OutlineWidth:
    case P::TextShadow:
    case P::Transition:
    case P::Animation:
      return k == kw::None;
    case P::ListStyleType:
      return in_list({kw::None, kw::Decimal, kw::Disc, kw::Circle, kw::Square, kw::LowerAlpha,
                      kw::UpperAlpha, kw::LowerRoman, kw::UpperRoman},
                     k);
    case P::ListStylePosition:
      return in_list({kw::Inside, kw::Outside}, k);
    case P::OverflowWrap:
      return in_list({kw::Anywhere, kw::BreakWord, kw::Normal}, k);
    case P::ScrollbarGutter:
      return in_list({kw::Auto, kw::Stable}, k);
    case P::Cursor:
      return in_list(
          {kw::None,      kw::Auto,        kw::ColResize, kw::Default,    kw::Move,
           kw::Grab,      kw::Grabbing,    kw::Wait,      kw::Progress,   kw::Help,
           kw::Crosshair, kw::NsResize,    kw::EwResize,  kw::NeswResize, kw::NwseResize,
           kw::RowResize, kw::ZoomIn,      kw::ZoomOut,   kw::Copy,       kw::Alias,
           kw::Cell,      kw::ContextMenu, kw::AllScroll, kw::NoDrop,     kw::VerticalText,
           kw::NResize,   kw::SResize,     kw::EResize,   kw::WResize,    kw::NotAllowed,
           kw::Pointer,   kw::Text},
          k);
    case P::BorderCollapse:
      return in_list({kw::Collapse, kw::Separate}, k);
    case P::TableLayout:
      return in_list({kw::Auto, kw::Fixed}, k);
    case P::UserSelect:
      return in_list({kw::None, kw::Auto, kw::Text, kw::All}, k);
    case P::FontWeight:
      return in_list({kw::Bold, kw::Bolder, kw::Lighter, kw::Normal}, k);
    case P::LineHeight:
    case P::LetterSpacing:
      return k == kw::Normal;
    case P::FontStyle:
      return in_list({kw::Italic, kw::Normal}, k);
    case P::TextAlign:
      return in_list({kw::Center, kw::Left, kw::Right}, k);
    case P::WhiteSpace:
      return in_list({kw::Normal, kw::Nowrap, kw::Pre, kw::PreWrap, kw::PreLine}, k);
    case P::WordBreak:
      return in_list({kw::BreakAll, kw::KeepAll, kw::Normal}, k);
    case P::TextOverflow:
      return in_list({kw::Clip, kw::Ellipsis}, k);
    case P::TextDecoration:
      return in_list({kw::None, kw::LineThrough, kw::Underline}, k);
    case P::Float:
      return in_list({kw::None, kw::Left, kw::Right}, k);
    case P::Clear:
      return in_list({kw::None, kw::Both, kw::Left, kw::Right}, k);
    case P::TextTransform:
      return in_list({kw::None, kw::Capitalize, kw::Lowercase, kw::Uppercase}, k);
    case P::Visibility:
      return in_list({kw::Hidden, kw::Visible}, k);
    case P::PointerEvents:
      return in_list({kw::None, kw::Auto}, k);
    case P::OutlineStyle:
      return in_list({kw::Dashed, kw::Dotted, kw::Solid}, k);
    case P::VerticalAlign:
      return in_list({kw::Baseline, kw::Middle, kw::Sub, kw::Super, kw::TextTop, kw::TextBottom,
                      kw::Top, kw::Bottom},
                     k);
    default:
      return false;
  }
}

namespace {

constexpr PropertyId kBackground[] = {P::BackgroundColor, P::BackgroundImage, P::BackgroundSize,
                                      P::BackgroundPosition, P::BackgroundRepeat};
constexpr PropertyId kBorder[] = {P::BorderTopWidth,    P::BorderRightWidth, P::BorderBottomWidth,
                                  P::BorderLeftWidth,   P::BorderTopColor,   P::BorderRightColor,
                                  P::BorderBottomColor, P::BorderLeftColor,  P::BorderStyle};
constexpr PropertyId kBorderTop[] = {P::BorderTopWidth, P::BorderTopColor};
constexpr PropertyId kBorderRight[] = {P::BorderRightWidth, P::BorderRightColor};
constexpr PropertyId kBorderBottom[] = {P::BorderBottomWidth, P::BorderBottomColor};
constexpr PropertyId kBorderLeft[] = {P::BorderLeftWidth, P::BorderLeftColor};
constexpr PropertyId kBorderColor[] = {P::BorderTopColor, P::BorderRightColor, P::BorderBottomColor,
                                       P::BorderLeftColor};
constexpr PropertyId kBorderWidth[] = {P::BorderTopWidth, P::BorderRightWidth, P::BorderBottomWidth,
                                       P::BorderLeftWidth};
constexpr PropertyId kBorderRadius[] = {P::BorderTopLeftRadius, P::BorderTopRightRadius,
                                        P::BorderBottomRightRadius, P::BorderBottomLeftRadius};
constexpr PropertyId kBorderSpacing[] = {P::BorderSpacingX, P::BorderSpacingY};
constexpr PropertyId kFlex[] = {P::FlexGrow, P::FlexShrink, P::FlexBasis};
constexpr PropertyId kFlexFlow[] = {P::FlexDirection, P::FlexWrap};
constexpr PropertyId kFont[] = {P::FontStyle, P::FontWeight, P::FontSize, P::LineHeight,
                                P::FontFamily};
constexpr PropertyId kGap[] = {P::RowGap, P::ColumnGap};
constexpr PropertyId kGridArea[] = {P::GridRowStart, P::GridColumnStart, P::GridRowEnd,
                                    P::GridColumnEnd};
constexpr PropertyId kGridColumn[] = {P::GridColumnStart, P::GridColumnEnd};
constexpr PropertyId kGridRow[] = {P::GridRowStart, P::GridRowEnd};
constexpr PropertyId kInset[] = {P::Top, P::Right, P::Bottom, P::Left};
constexpr PropertyId kListStyle[] = {P::ListStyleType, P::ListStylePosition};
constexpr PropertyId kMargin[] = {P::MarginTop, P::MarginRight, P::MarginBottom, P::MarginLeft};
constexpr PropertyId kOutline[] = {P::OutlineWidth, P::OutlineColor};
constexpr PropertyId kPadding[] = {P::PaddingTop, P::PaddingRight, P::PaddingBottom,
                                   P::PaddingLeft};
constexpr PropertyId kPlaceContent[] = {P::AlignContent, P::JustifyContent};
constexpr PropertyId kPlaceItems[] = {P::AlignItems, P::JustifyItems};
constexpr PropertyId kPlaceSelf[] = {P::AlignSelf, P::JustifySelf};

// Sorted by name.
const Shorthand kShorthands[] = {
    {"background", kBackground},
    {"border", kBorder},
    {"border-bottom", kBorderBottom},
    {"border-color", kBorderColor},
    {"border-left", kBorderLeft},
    {"border-radius", kBorderRadius},
    {"border-right", kBorderRight},
    {"border-spacing", kBorderSpacing},
    {"border-top", kBorderTop},
    {"border-width", kBorderWidth},
    {"flex", kFlex},
    {"flex-flow", kFlexFlow},
    {"font", kFont},
    {"gap", kGap},
    {"grid-area", kGridArea},
    {"grid-column", kGridColumn},
    {"grid-gap", kGap},
    {"grid-row", kGridRow},
    {"inset", kInset},
    {"list-style", kListStyle},
    {"margin", kMargin},
    {"outline", kOutline},
    {"padding", kPadding},
    {"place-content", kPlaceContent},
    {"place-items", kPlaceItems},
    {"place-self", kPlaceSelf},
};

}  // namespace

const Shorthand* find_shorthand(std::string_view lower_name) {
  auto begin = std::begin(kShorthands);
  auto end = std::end(kShorthands);
  auto it = std::lower_bound(begin, end, lower_name,
                             [](const Shorthand& s, std::string_view key) { return s.name < key; });
  if (it == end || it->name != lower_name) return nullptr;
  return &*it;
}

std::span<const Shorthand> all_shorthands() {
  return kShorthands;
}

}  // namespace orlan::css

#pragma once

// Typed declaration values. Everything is reduced once, at parse time: absolute units to
// px, angles to degrees, times to milliseconds, colours to 0xAARRGGBB. Units that depend on
// the element (em, rem, percentages, viewport units) stay symbolic for the cascade.
// Pointed-to records live in the owning style sheet's arena.

#include <cstdint>
#include <string_view>

namespace orlan::css {

enum class ValueType : uint8_t {
  None = 0,
  Keyword = 1,
  Length = 2,
  Number = 3,
  Color = 4,
  Name = 5,       // atom: strings, idents, font families, content text, area names, url()
  RawText = 6,    // custom properties and values holding var(): `text`, count = length
  Transform = 7,  // TransformOp list (also the single op of translate/rotate/scale)
  TransitionList = 8,
  AnimationList = 9,
  GridTrackList = 10,
  GridLine = 11,
  ShadowList = 12,
  FilterList = 13,  // count 0 for none
  Gradient = 14,
  PositionPair = 15,  // two CssLengths (x, y): positions and background sizes
  GridAreas = 16,
  Calc = 17,
};

enum Unit : uint32_t {
  kUnitNone = 0,  // no unit: "none" max sizes, plain line-height factors
  kUnitPx = 1,
  kUnitPercent = 2,
  kUnitEm = 3,
  kUnitAuto = 4,
  kUnitFr = 5,
  kUnitRem = 6,
  kUnitVw = 7,
  kUnitVh = 8,
  kUnitMinContent = 10,
  kUnitMaxContent = 11,
  kUnitFitContentPx = 12,
  kUnitFitContentPercent = 13,
};

struct CssLength {
  float value = 0;
  uint32_t unit = kUnitNone;
  bool operator==(const CssLength&) const = default;
};

struct CalcSum {
  // Coefficients of px, percent, em, rem, vw, vh, in that order.
  float terms[6] = {};
  float number = 0;       // plain-number part
  uint8_t is_number = 0;  // the whole sum is a plain number
};

enum class CalcKind : uint8_t { Calc = 0, Min = 1, Max = 2, Clamp = 3 };

struct CalcValue {
  CalcKind kind = CalcKind::Calc;
  uint8_t sum_count = 0;
  CalcSum sums[3];  // calc: 1; min/max: 2; clamp: minimum, preferred, maximum
};

enum class TimingKind : uint8_t {
  Linear = 0,
  Ease = 1,
  EaseIn = 2,
  EaseOut = 3,
  EaseInOut = 4,
  CubicBezier = 5,
  Steps = 6
};
enum class StepPosition : uint8_t { End = 0, Start = 1, None = 2, Both = 3 };

struct TimingFunction {
  TimingKind kind = TimingKind::Ease;
  StepPosition step_position = StepPosition::End;
  union {
    float bezier[4];  // x1, y1, x2, y2
    int32_t steps;
  };
  TimingFunction() : bezier{0, 0, 0, 0} {}
};

// One transition entry: property id (-1 for all), times in milliseconds.
struct TransitionEntry {
  int16_t property = -1;
  float duration = 0;
  float delay = 0;
  TimingFunction timing;
};

struct AnimationEntry {
  uint32_t name = 0;  // keyframe-set atom
  float duration = 0;
  float delay = 0;
  TimingFunction timing;
  float iterations = 1;  // -1: infinite
  uint8_t alternate = 0;
  uint8_t forwards = 0;  // fill forwards or both
};

enum class TransformKind : uint8_t { Translate = 0, Scale = 1, Rotate = 2, Skew = 3, Matrix = 4 };

// translate: args[0..1] lengths x, y (args[2] z for the translate property, unused in 2D);
// scale: args[0..1] numbers (unit none); rotate: args[0] degrees; skew: args[0..1] degrees;
// matrix: args[0..5] numbers a b c d e f. 3-D forms are reduced to these: translate3d and
// translateZ keep x and y, scale3d keeps x and y, perspective becomes scale(1, 1).
struct TransformOp {
  TransformKind kind = TransformKind::Translate;
  uint8_t arg_count = 0;
  CssLength args[6];
};

enum class FilterKind : uint8_t {
  Blur = 1,
  Brightness = 2,
  Contrast = 3,
  Grayscale = 4,
  Saturate = 5,
  Invert = 6,
  Opacity = 7,
  Sepia = 8,
  HueRotate = 9,
  DropShadow = 10,
};

struct Filter {
  FilterKind kind = FilterKind::Blur;
  float amount = 1;    // blur radius in px, a factor, or hue-rotate degrees
  float offset_x = 0;  // drop-shadow only (px)
  float offset_y = 0;
  float blur = 0;
  uint32_t color = 0;  // drop-shadow colour; may be the currentcolor marker
};

struct Shadow {
  float offset_x = 0;
  float offset_y = 0;
  float blur = 0;
  float spread = 0;
  uint32_t color = 0;
  uint8_t inset = 0;
};

enum class GradientKind : uint8_t { Linear = 0, Radial = 1, Conic = 2 };
enum class RadialSize : uint8_t { FarthestCorner = 0, FarthestSide, ClosestCorner, ClosestSide };

struct GradientStop {
  uint32_t color = 0;
  CssLength position;  // px or percent after fix-up
};

struct Gradient {
  GradientKind kind = GradientKind::Linear;
  // Linear: "to" sides as bits (1 top, 2 bottom, 4 left, 8 right; 0 = an angle was given or
  // the default). For a corner the painter derives the angle from the box.
  uint8_t to_sides = 0;
  uint8_t circle = 0;  // radial: circle rather than ellipse
  RadialSize size = RadialSize::FarthestCorner;
  float angle = 180;  // linear direction / conic "from", degrees
  CssLength center[2] = {{50, kUnitPercent}, {50, kUnitPercent}};
  uint16_t stop_count = 0;
  const GradientStop* stops = nullptr;
};

enum class GridRepeat : uint8_t { None = 0, AutoFill = 1, AutoFit = 2 };

struct GridTrack {
  CssLength min;
  CssLength max;
  GridRepeat repeat = GridRepeat::None;
};

struct GridLine {
  int16_t line = 0;  // 0: auto
  uint8_t span = 0;
};

struct GridAreas {
  const uint32_t* cells = nullptr;  // rows x columns atoms, 0 for "."
  uint16_t rows = 0;
  uint16_t columns = 0;
};

static_assert(sizeof(TransitionEntry) == 32, "transition entries are 32 bytes");

// Colour marker for currentcolor; the cascade replaces it by the element's colour.
constexpr uint32_t kCurrentColor = 0x00FFFFFE;

// Text-decoration lines, stored as a Number value holding these bits.
constexpr uint32_t kDecorationUnderline = 1;
constexpr uint32_t kDecorationLineThrough = 2;

struct CssValue {
  ValueType type = ValueType::None;
  uint16_t count = 0;
  union {
    uint32_t u32;
    uint16_t keyword;
    float number;
    uint32_t color;
    uint32_t atom;
    CssLength length;
    GridLine grid_line;
    const char* text;
    const TransformOp* transforms;
    const TransitionEntry* transitions;
    const AnimationEntry* animations;
    const GridTrack* tracks;
    const Shadow* shadows;
    const Filter* filters;
    const Gradient* gradient;
    const CssLength* pair;
    const GridAreas* areas;
    const CalcValue* calc;
  };

  CssValue() : length{} {}

  std::string_view raw_text() const { return std::string_view(text, count); }

  static CssValue make_keyword(uint16_t k) {
    CssValue v;
    v.type = ValueType::Keyword;
    v.keyword = k;
    return v;
  }
  static CssValue make_length(float value, uint32_t unit) {
    CssValue v;
    v.type = ValueType::Length;
    v.length = {value, unit};
    return v;
  }
  static CssValue make_number(float n) {
    CssValue v;
    v.type = ValueType::Number;
    v.number = n;
    return v;
  }
  static CssValue make_color(uint32_t c) {
    CssValue v;
    v.type = ValueType::Color;
    v.color = c;
    return v;
  }
  static CssValue make_name(uint32_t a) {
    CssValue v;
    v.type = ValueType::Name;
    v.atom = a;
    return v;
  }
  bool is_keyword(uint16_t k) const { return type == ValueType::Keyword && keyword == k; }
};

static_assert(sizeof(void*) != 8 || sizeof(CssValue) == 16,
              "a value is a type, a count and one 8-byte payload");

}  // namespace orlan::css

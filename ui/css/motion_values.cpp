// Transition and animation lists.

#include <cmath>
#include <string>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

constexpr int kMaxTransitions = 16;
constexpr int kMaxAnimations = 8;

bool is_timing_start(const CssToken& t) {
  if (t.type == TokenType::Function) {
    return ascii_iequals(t.text, "steps") || ascii_iequals(t.text, "cubic-bezier");
  }
  if (t.type != TokenType::Ident) return false;
  return t.is_ident("linear") || t.is_ident("ease") || t.is_ident("ease-in") ||
         t.is_ident("ease-out") || t.is_ident("ease-in-out") || t.is_ident("step-start") ||
         t.is_ident("step-end");
}

}  // namespace

bool parse_transition_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  TokenRange items[kMaxTransitions];
  int n = split_commas(r, items, kMaxTransitions);
  if (n <= 0) return false;
  TransitionEntry entries[kMaxTransitions];
  int count = 0;
  for (int k = 0; k < n; ++k) {
    TokenRange item = items[k];
    TransitionEntry entry;
    int times = 0;
    bool have_timing = false;
    bool have_name = false;
    const Shorthand* shorthand = nullptr;
    for (int i = 0; i < item.count;) {
      const CssToken& t = item[i];
      if (auto ms = time_from_token(t)) {
        if (times == 2) return false;
        (times == 0 ? entry.duration : entry.delay) = *ms;
        ++times;
        ++i;
        continue;
      }
      if (is_timing_start(t)) {
        if (have_timing || !parse_timing_function(item, i, entry.timing)) return false;
        have_timing = true;
        continue;
      }
      if (t.type != TokenType::Ident || have_name) return false;
      have_name = true;
      std::string name(t.text);
      for (char& c : name) c = ascii_lower(c);
      if (name == "all") {
        entry.property = -1;
      } else if (name.starts_with("--")) {
        return false;
      } else if (auto id = find_property(name)) {
        entry.property = static_cast<int16_t>(to_index(*id));
      } else if ((shorthand = find_shorthand(name)) != nullptr) {
        // expanded below, one entry per longhand
      } else {
        return false;
      }
      ++i;
    }
    if (!have_name || times == 0) return false;
    if (shorthand) {
      for (PropertyId longhand : shorthand->longhands) {
        if (count == kMaxTransitions) return false;
        entries[count] = entry;
        entries[count].property = static_cast<int16_t>(to_index(longhand));
        ++count;
      }
    } else {
      if (count == kMaxTransitions) return false;
      entries[count++] = entry;
    }
  }
  out = CssValue{};
  out.type = ValueType::TransitionList;
  out.count = static_cast<uint16_t>(count);
  out.transitions = sheet.arena().copy_array(entries, count);
  return true;
}

bool parse_animation_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  TokenRange items[kMaxAnimations];
  int n = split_commas(r, items, kMaxAnimations);
  if (n <= 0) return false;
  AnimationEntry entries[kMaxAnimations];
  for (int k = 0; k < n; ++k) {
    TokenRange item = items[k];
    AnimationEntry& entry = entries[k];
    entry = AnimationEntry{};
    int times = 0;
    bool have_timing = false;
    bool have_name = false;
    bool have_count = false;
    for (int i = 0; i < item.count;) {
      const CssToken& t = item[i];
      if (auto ms = time_from_token(t)) {
        if (times == 2) return false;
        (times == 0 ? entry.duration : entry.delay) = *ms;
        ++times;
        ++i;
        continue;
      }
      if (is_timing_start(t)) {
        if (have_timing || !parse_timing_function(item, i, entry.timing)) return false;
        have_timing = true;
        continue;
      }
      if (t.type == TokenType::Number) {
        if (have_count || !(t.number >= 0) || !std::isfinite(t.number)) return false;
        entry.iterations = t.number;
        have_count = true;
        ++i;
        continue;
      }
      if (t.is_ident("infinite")) {
        if (have_count) return false;
        entry.iterations = -1;
        have_count = true;
      } else if (t.is_ident("alternate")) {
        entry.alternate = 1;
      } else if (t.is_ident("forwards") || t.is_ident("both")) {
        entry.forwards = 1;
      } else if (t.is_ident("normal")) {
        // accepted, changes nothing
      } else if (t.type == TokenType::Ident || t.type == TokenType::String) {
        if (have_name) return false;
        have_name = true;
        if (t.type == TokenType::String) {
          std::string name;
          unescape_string(t.text, name);
          entry.name = sheet.atoms().intern(name);
        } else {
          entry.name = sheet.atoms().intern(t.text);
        }
      } else {
        return false;
      }
      ++i;
    }
    if (!have_name || times == 0) return false;
  }
  out = CssValue{};
  out.type = ValueType::AnimationList;
  out.count = static_cast<uint16_t>(n);
  out.animations = sheet.arena().copy_array(entries, n);
  return true;
}

}  // namespace orlan::css

#pragma once

// Which font family a `font-family` value asks for, and the weight the font system gets.

#include <string>
#include <string_view>

namespace orlan::render {

inline constexpr std::size_t kMaxFamilyBytes = 127;

// The first name of the list, quotes removed, surrounding spaces trimmed, at most 127
// bytes (cut at a character boundary). The generic names map to the system's families:
// "sans-serif", "system-ui" and an empty name to "Segoe UI", "serif" to
// "Times New Roman", "monospace" to "Consolas".
std::string select_family(std::string_view font_family) noexcept;

// Whether the name is one of the generic family names above (after select_family they
// are already replaced; this answers for the raw first name).
bool is_generic_family(std::string_view name) noexcept;

// The weight requested from the font system: 100..950, rounded to a whole number.
int clamp_weight(float weight) noexcept;

// The families tried, in order, when the selected one does not exist on this system, so
// that text never vanishes for want of a font.
inline constexpr const char* kFallbackFamilies[] = {
    "Segoe UI", "Arial",     "Liberation Sans",     "DejaVu Sans",     "Tahoma",
    "Verdana",  "Noto Sans", "Droid Sans Fallback", "Times New Roman", "Liberation Serif"};

}  // namespace orlan::render

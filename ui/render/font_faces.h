#pragma once

// Fonts the application supplies for the author sheet's @font-face rules. For each face
// the registry records the family and asks the application's font loader for the bytes
// of its source; bytes that arrive bump the generation, which drops every cached text
// format so that the next text uses the new font.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlan::render {

// The application's font loader: for a face's family and source (the url() argument as
// written), sets *bytes and *length to the font file and returns true, or returns false
// when it has no such font. The registry copies the bytes before the call returns to the
// engine; the loader keeps its own.
using FontLoader = bool (*)(void* context, const char* family, std::size_t family_length,
                            const char* source, std::size_t source_length,
                            const std::uint8_t** bytes, std::size_t* length);

struct FontFaceEntry {
  std::string family;
  std::string source;
  std::vector<std::uint8_t> bytes;  // empty: the loader had none
  bool requested = false;           // the loader was asked
};

class FontFaceRegistry {
 public:
  static constexpr std::size_t kCapacity = 32;

  void set_loader(void* context, FontLoader loader) noexcept;
  // Records the family and asks the loader (not again for a family whose bytes came from
  // the same source). A registry that is full ignores new families.
  void request(std::string_view family, std::string_view source) noexcept;
  // Stores bytes for a family directly (what the loader's answer does).
  bool supply(std::string_view family, std::string_view source, const std::uint8_t* bytes,
              std::size_t length) noexcept;
  // The entry of a family with bytes (ASCII case-insensitive), or null.
  const FontFaceEntry* find(std::string_view family) const noexcept;
  std::uint32_t generation() const noexcept { return m_generation; }
  std::size_t size() const noexcept { return m_count; }
  // Forgets every face (tests).
  void clear() noexcept;

 private:
  FontFaceEntry* entry_for(std::string_view family) noexcept;

  FontFaceEntry m_entries[kCapacity];
  std::size_t m_count = 0;
  std::uint32_t m_generation = 0;
  void* m_context = nullptr;
  FontLoader m_loader = nullptr;
};

// The process-wide registry.
FontFaceRegistry& font_faces() noexcept;

// Hands every @font-face of a newly loaded author sheet to the process-wide registry.
void install_font_face_hook() noexcept;

// Declared with the renderer's calls (renderer.h).
void set_font_loader(void* context, FontLoader loader) noexcept;

}  // namespace orlan::render

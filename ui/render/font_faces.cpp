#include "font_faces.h"

#include <new>

#include "ascii.h"
#include "document_sheets.h"

namespace orlan::render {

namespace {

using tw::ascii_iequals;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

void FontFaceRegistry::set_loader(void* context, FontLoader loader) noexcept {
  m_context = context;
  m_loader = loader;
}

FontFaceEntry* FontFaceRegistry::entry_for(std::string_view family) noexcept {
  for (std::size_t i = 0; i < m_count; ++i) {
    if (ascii_iequals(m_entries[i].family, family)) return &m_entries[i];
  }
  if (m_count == kCapacity) return nullptr;
  try {
    m_entries[m_count].family.assign(family);
  } catch (const std::bad_alloc&) {
    m_entries[m_count] = FontFaceEntry{};
    return nullptr;
  }
  return &m_entries[m_count++];
}

void FontFaceRegistry::request(std::string_view family, std::string_view source) noexcept {
  family = trim(family);
  if (family.empty()) return;
  FontFaceEntry* entry = entry_for(family);
  if (!entry) return;
  if (entry->requested && !entry->bytes.empty() && entry->source == source) return;
  entry->requested = true;
  if (!m_loader) return;
  const std::uint8_t* bytes = nullptr;
  std::size_t length = 0;
  if (m_loader(m_context, family.data(), family.size(), source.data(), source.size(), &bytes,
               &length) &&
      bytes && length > 0) {
    supply(family, source, bytes, length);
  }
}

bool FontFaceRegistry::supply(std::string_view family, std::string_view source,
                              const std::uint8_t* bytes, std::size_t length) noexcept {
  family = trim(family);
  if (family.empty() || !bytes || length == 0) return false;
  FontFaceEntry* entry = entry_for(family);
  if (!entry) return false;
  try {
    entry->bytes.assign(bytes, bytes + length);
    entry->source.assign(source);
  } catch (const std::bad_alloc&) {
    entry->bytes.clear();
    return false;
  }
  entry->requested = true;
  ++m_generation;
  return true;
}

const FontFaceEntry* FontFaceRegistry::find(std::string_view family) const noexcept {
  for (std::size_t i = 0; i < m_count; ++i) {
    const FontFaceEntry& entry = m_entries[i];
    if (!entry.bytes.empty() && ascii_iequals(entry.family, family)) return &entry;
  }
  return nullptr;
}

void FontFaceRegistry::clear() noexcept {
  for (std::size_t i = 0; i < m_count; ++i) m_entries[i] = FontFaceEntry{};
  if (m_count > 0) ++m_generation;
  m_count = 0;
}

FontFaceRegistry& font_faces() noexcept {
  static FontFaceRegistry registry;
  return registry;
}

namespace {

void on_font_face(Document&, std::string_view family, std::string_view source) {
  font_faces().request(family, source);
}

}  // namespace

void install_font_face_hook() noexcept {
  css::set_font_face_loader(&on_font_face);
}

void set_font_loader(void* context, FontLoader loader) noexcept {
  font_faces().set_loader(context, loader);
  install_font_face_hook();
}

}  // namespace orlan::render

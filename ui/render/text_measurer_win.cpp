// DirectWrite behind text: the process-wide factories, text formats with font selection
// and in-memory fonts, and layout's text measurer.

#include "font_faces.h"
#include "font_selection.h"
#include "graphics_win.h"
#include "last_error.h"
#include "renderer.h"
#include "text_caches.h"
#include "utf.h"

#include <cmath>
#include <new>
#include <vector>

namespace orlan::render {

Graphics& graphics() noexcept {
  // Never destroyed: releasing device objects while the process exits, after the
  // graphics libraries may have been unloaded, can crash.
  static Graphics* g = new Graphics;
  return *g;
}

bool ensure_factories() noexcept {
  Graphics& g = graphics();
  if (g.d2d && g.dwrite) return true;
  if (!g.d2d) {
    D2D1_FACTORY_OPTIONS options{};
    HRESULT hr = D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1),
                                   &options, reinterpret_cast<void**>(g.d2d.put()));
    if (FAILED(hr)) {
      set_last_error("D2D1CreateFactory failed (0x%08lx)", static_cast<unsigned long>(hr));
      return false;
    }
  }
  if (!g.dwrite) {
    HRESULT hr = DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                     reinterpret_cast<IUnknown**>(g.dwrite.put()));
    if (FAILED(hr)) {
      set_last_error("DWriteCreateFactory failed (0x%08lx)", static_cast<unsigned long>(hr));
      return false;
    }
  }
  return true;
}

std::wstring widen(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = tw::decode_utf8(text, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  }
  return out;
}

namespace {

// One in-memory font collection per font-face generation and family.
struct MemoryCollection {
  std::string family;
  std::uint32_t generation = 0;
  Com<IDWriteFontCollection> collection;
  std::wstring internal_name;  // the family name the font itself declares
};

struct TextState {
  TextFormatCache formats{[](void* handle) { static_cast<IDWriteTextFormat*>(handle)->Release(); }};
  WidthCache widths;
  Com<IDWriteInMemoryFontFileLoader> memory_loader;
  std::vector<MemoryCollection> collections;
  std::uint32_t collections_generation = 0;
};

TextState& text_state() noexcept {
  static TextState* state = new TextState;  // lives for the process
  return *state;
}

bool family_exists(IDWriteFontCollection* collection, const std::wstring& name) {
  UINT32 index = 0;
  BOOL exists = FALSE;
  return collection && SUCCEEDED(collection->FindFamilyName(name.c_str(), &index, &exists)) &&
         exists;
}

// A collection holding the supplied font bytes, and the family name inside it.
IDWriteFontCollection* memory_collection(const FontFaceEntry& face, std::wstring& name) noexcept {
  TextState& s = text_state();
  FontFaceRegistry& registry = font_faces();
  if (s.collections_generation != registry.generation()) {
    s.collections.clear();
    s.collections_generation = registry.generation();
  }
  for (MemoryCollection& c : s.collections) {
    if (c.family == face.family) {
      name = c.internal_name;
      return c.collection.get();
    }
  }
  Graphics& g = graphics();
  Com<IDWriteFactory5> factory5;
  if (FAILED(g.dwrite.query(factory5))) return nullptr;
  if (!s.memory_loader) {
    if (FAILED(factory5->CreateInMemoryFontFileLoader(s.memory_loader.put())) ||
        FAILED(g.dwrite->RegisterFontFileLoader(s.memory_loader.get()))) {
      s.memory_loader.reset();
      return nullptr;
    }
  }
  Com<IDWriteFontFile> file;
  Com<IDWriteFontSetBuilder1> builder;
  Com<IDWriteFontSet> set;
  Com<IDWriteFontCollection1> collection;
  if (FAILED(s.memory_loader->CreateInMemoryFontFileReference(
          g.dwrite.get(), face.bytes.data(), static_cast<UINT32>(face.bytes.size()), nullptr,
          file.put())) ||
      FAILED(factory5->CreateFontSetBuilder(builder.put())) ||
      FAILED(builder->AddFontFile(file.get())) || FAILED(builder->CreateFontSet(set.put())) ||
      FAILED(factory5->CreateFontCollectionFromFontSet(set.get(), collection.put()))) {
    return nullptr;
  }
  Com<IDWriteFontFamily1> family;
  Com<IDWriteLocalizedStrings> names;
  UINT32 length = 0;
  if (collection->GetFontFamilyCount() == 0 || FAILED(collection->GetFontFamily(0, family.put())) ||
      FAILED(family->GetFamilyNames(names.put())) || FAILED(names->GetStringLength(0, &length))) {
    return nullptr;
  }
  std::wstring internal(length + 1, L'\0');
  if (FAILED(names->GetString(0, internal.data(), length + 1))) return nullptr;
  internal.resize(length);
  try {
    MemoryCollection entry;
    entry.family = face.family;
    entry.generation = registry.generation();
    entry.internal_name = internal;
    entry.collection.attach(collection.detach());
    s.collections.push_back(std::move(entry));
  } catch (...) {
    return nullptr;
  }
  name = internal;
  return s.collections.back().collection.get();
}

}  // namespace

std::wstring resolve_family_name(const std::string& selected,
                                 IDWriteFontCollection** collection) noexcept {
  *collection = nullptr;
  if (const FontFaceEntry* face = font_faces().find(selected)) {
    std::wstring name;
    if (IDWriteFontCollection* memory = memory_collection(*face, name)) {
      *collection = memory;
      return name;
    }
  }
  Graphics& g = graphics();
  Com<IDWriteFontCollection> system;
  std::wstring name = widen(selected);
  if (FAILED(g.dwrite->GetSystemFontCollection(system.put(), FALSE)) ||
      family_exists(system.get(), name)) {
    return name;
  }
  // A family this system does not have would make DirectWrite draw nothing at all.
  for (const char* fallback : kFallbackFamilies) {
    std::wstring candidate = widen(fallback);
    if (family_exists(system.get(), candidate)) return candidate;
  }
  // Anything the system has is better than no text.
  Com<IDWriteFontFamily> first;
  Com<IDWriteLocalizedStrings> names;
  UINT32 length = 0;
  if (system->GetFontFamilyCount() > 0 && SUCCEEDED(system->GetFontFamily(0, first.put())) &&
      SUCCEEDED(first->GetFamilyNames(names.put())) &&
      SUCCEEDED(names->GetStringLength(0, &length))) {
    std::wstring any(length + 1, L'\0');
    if (SUCCEEDED(names->GetString(0, any.data(), length + 1))) {
      any.resize(length);
      return any;
    }
  }
  return name;
}

FormatRef text_format_for(const AtomTable& atoms, const FontDescription& font) noexcept {
  if (!ensure_factories()) return {};
  TextState& s = text_state();
  const std::uint32_t generation = font_faces().generation();
  if (s.formats.generation() != generation) {
    s.formats.sync_generation(generation);
    s.widths.clear();
  }
  float size = font.size;
  if (!(size > 0) || !std::isfinite(size)) size = 16;
  size = std::min(size, 4096.f);
  TextFormatKey key;
  try {
    key.family = select_family(atoms.text(font.family));
  } catch (...) {
    return {};
  }
  key.size = size;
  key.weight = clamp_weight(font.weight);
  key.italic = font.italic != 0;
  if (TextFormat* cached = s.formats.find(key)) {
    return {static_cast<IDWriteTextFormat*>(cached->handle), cached->id, cached};
  }
  IDWriteFontCollection* collection = nullptr;
  const std::wstring family = resolve_family_name(key.family, &collection);
  IDWriteTextFormat* format = nullptr;
  HRESULT hr = graphics().dwrite->CreateTextFormat(
      family.c_str(), collection, static_cast<DWRITE_FONT_WEIGHT>(key.weight),
      key.italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
      size, L"en-us", &format);
  if (FAILED(hr) || !format) return {};
  format->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  TextFormat* entry = s.formats.insert(key, format);
  if (!entry) return {};
  return {format, entry->id, entry};
}

namespace {

// The width of a run laid out whole (trailing whitespace included); negative on failure.
float layout_width(IDWriteTextFormat* format, std::string_view run, float letter_spacing) {
  std::wstring wide;
  try {
    wide = widen(run);
  } catch (...) {
    return -1;
  }
  Com<IDWriteTextLayout> layout;
  if (FAILED(graphics().dwrite->CreateTextLayout(wide.c_str(), static_cast<UINT32>(wide.size()),
                                                 format, 1e7f, 1e7f, layout.put()))) {
    return -1;
  }
  if (letter_spacing != 0) {
    Com<IDWriteTextLayout1> layout1;
    if (SUCCEEDED(layout.query(layout1))) {
      layout1->SetCharacterSpacing(0, letter_spacing, 0,
                                   DWRITE_TEXT_RANGE{0, static_cast<UINT32>(wide.size())});
    }
  }
  DWRITE_TEXT_METRICS metrics{};
  if (FAILED(layout->GetMetrics(&metrics))) return -1;
  return metrics.widthIncludingTrailingWhitespace;
}

float measure_with_dwrite(void*, const AtomTable& atoms, const FontDescription& font,
                          const char* text, std::size_t length) {
  if (length == 0 || !text) return 0;
  const FormatRef format = text_format_for(atoms, font);
  if (!format.format) return static_cast<float>(length) * font.size * 0.5f;
  const std::string_view run(text, length);
  TextState& s = text_state();
  float width = 0;
  if (s.widths.find(format.id, font.letter_spacing, run, width)) return width;
  CharacterAdvances* advances = nullptr;
  if (format.entry && font.letter_spacing == 0) {
    if (!format.entry->advances) format.entry->advances.reset(new (std::nothrow) CharacterAdvances);
    advances = format.entry->advances.get();
  }
  width = -1;
  if (advances) {
    IDWriteTextFormat* handle = format.format;
    width = advances->summed_width(
        run,
        [](void* context, std::string_view part) {
          return layout_width(static_cast<IDWriteTextFormat*>(context), part, 0);
        },
        handle);
  }
  if (width < 0) {
    width = layout_width(format.format, run, font.letter_spacing);
    if (width < 0) return static_cast<float>(length) * font.size * 0.5f;
    if (advances) advances->count_whole_run();
  }
  s.widths.store(format.id, font.letter_spacing, run, width);
  return width;
}

FontMetrics metrics_with_dwrite(void*, const AtomTable& atoms, const FontDescription& font) {
  const FormatRef format = text_format_for(atoms, font);
  FontMetrics fallback{font.size * 0.8f, font.size * 0.2f};
  if (!format.format) return fallback;
  TextFormat* entry = format.entry;
  if (entry && entry->has_metrics) return entry->metrics;
  Com<IDWriteTextLayout> layout;
  DWRITE_LINE_METRICS line{};
  UINT32 lines = 0;
  if (FAILED(
          graphics().dwrite->CreateTextLayout(L"Ag", 2, format.format, 1e7f, 1e7f, layout.put())) ||
      FAILED(layout->GetLineMetrics(&line, 1, &lines)) || lines == 0) {
    return fallback;
  }
  FontMetrics out{line.baseline, line.height - line.baseline};
  if (entry) {
    entry->metrics = out;
    entry->has_metrics = true;
  }
  return out;
}

// New font bytes change what every family measures.
std::uint32_t fonts_generation(void*) {
  return font_faces().generation();
}

}  // namespace

const TextMeasurer& text_measurer() noexcept {
  static const TextMeasurer measurer{nullptr, &measure_with_dwrite, &metrics_with_dwrite,
                                     &fonts_generation};
  if (!ensure_factories()) return fallback_text_measurer();
  return measurer;
}

}  // namespace orlan::render

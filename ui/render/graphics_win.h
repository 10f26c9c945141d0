#pragma once

// The Windows side of the renderer: the process-wide graphics objects (Direct2D,
// DirectWrite, the Direct3D device and its Direct2D device, WIC) and the helpers the
// drawing, text and image files share. Windows-only.

#ifndef _WIN32
#error "graphics_win.h is only for Windows builds"
#endif

#include "win32_include.h"

#include <d2d1_1.h>
#include <d3d11.h>
#include <dwrite_3.h>
#include <dxgi1_2.h>
#include <wincodec.h>

#ifdef DrawText
#undef DrawText
#endif

#include <cstdint>
#include <string>
#include <string_view>

#include "layout_box.h"

namespace orlan::render {

// An owned COM pointer.
template <typename T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  Com(Com&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
  Com& operator=(Com&& other) noexcept {
    if (this != &other) {
      reset();
      m_p = other.m_p;
      other.m_p = nullptr;
    }
    return *this;
  }
  ~Com() { reset(); }
  void reset() noexcept {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }
  T* get() const noexcept { return m_p; }
  T* operator->() const noexcept { return m_p; }
  explicit operator bool() const noexcept { return m_p != nullptr; }
  T** put() noexcept {
    reset();
    return &m_p;
  }
  // Takes over a pointer the caller already holds a reference to.
  void attach(T* p) noexcept {
    reset();
    m_p = p;
  }
  T* detach() noexcept {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }
  template <typename U>
  HRESULT query(Com<U>& out) const noexcept {
    if (!m_p) return E_POINTER;
    return m_p->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out.put()));
  }

 private:
  T* m_p = nullptr;
};

struct Graphics {
  Com<ID2D1Factory1> d2d;
  Com<IDWriteFactory> dwrite;
  Com<ID3D11Device> d3d;
  Com<ID2D1Device> d2d_device;
  Com<IWICImagingFactory> wic;
  bool factories_failed = false;  // reported once; text falls back to the engine's widths
};

// The process-wide objects (UI thread only).
Graphics& graphics() noexcept;
// The Direct2D and DirectWrite factories, made once. False with the message recorded.
bool ensure_factories() noexcept;
// The WIC factory (COM initialised apartment-threaded on this thread first).
bool ensure_wic() noexcept;

// Whether Direct2D's effects draw on this system. Wine's Direct2D creates the built-in
// effects but draws nothing through them, which would make filtered content vanish:
// there the content is drawn unfiltered instead.
bool effects_usable() noexcept;

// The DirectWrite format of a font description (created and cached), its cache id, and
// the font metrics of that format. Null when the factories cannot be made.
struct TextFormat;
struct FormatRef {
  IDWriteTextFormat* format = nullptr;
  std::uint32_t id = 0;
  TextFormat* entry = nullptr;  // valid until the next format is made
};
FormatRef text_format_for(const AtomTable& atoms, const FontDescription& font) noexcept;
// The family a format finally uses: the selected name when the system or a supplied font
// has it, else the first fallback family that exists.
std::wstring resolve_family_name(const std::string& selected,
                                 IDWriteFontCollection** collection) noexcept;

// UTF-8 to UTF-16 for DirectWrite (malformed bytes become U+FFFD).
std::wstring widen(std::string_view text);

// ARGB to Direct2D's float colour.
inline D2D1_COLOR_F to_color(std::uint32_t argb, float alpha_scale = 1) noexcept {
  return D2D1_COLOR_F{((argb >> 16) & 0xFF) / 255.f, ((argb >> 8) & 0xFF) / 255.f,
                      (argb & 0xFF) / 255.f, ((argb >> 24) & 0xFF) / 255.f * alpha_scale};
}

}  // namespace orlan::render

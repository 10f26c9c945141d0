// The renderer on Direct3D 11, DXGI and Direct2D: device and swap chain creation, the
// frame with its partial present, device loss, and every display-item kind.
//
// Rounded clips, opacity and filters draw their enclosed items into an offscreen target
// and compose it back (through the rounded geometry, at the opacity, or through the
// filter chain); this gives the same pixels as Direct2D layers and also works where
// layers are not implemented (Wine).

#include "renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "damage.h"
#include "graphics_win.h"
#include "image_registry.h"
#include "images_win.h"
#include "last_error.h"
#include "paint_math.h"
#include "svg_draw.h"
#include "vector_image.h"

#include <d2d1effects.h>

namespace orlan::render {

namespace {

constexpr HRESULT kRecreateTarget = static_cast<HRESULT>(0x8899000C);
constexpr std::size_t kImageCacheSize = 32;
constexpr std::size_t kSvgCacheSize = 64;
// Offscreen targets of this many group levels are kept between frames; deeper levels get
// targets for the frame that needs them only.
constexpr std::size_t kKeptGroupTargets = 16;
constexpr std::size_t kMaxStack = 256;

// Failures the tests inject where the system cannot be made to fail.
HRESULT g_inject_end_draw = S_OK;
HRESULT g_inject_present = S_OK;
HRESULT g_inject_resize = S_OK;

void release_unknown(void* p) {
  static_cast<IUnknown*>(p)->Release();
}

void release_device() noexcept {
  Graphics& g = graphics();
  g.d2d_device.reset();
  g.d3d.reset();
}

// The device made and first drawn with on a thread of its own while the program loads
// its page (null: none started, or already waited for).
HANDLE g_device_warm_up = nullptr;

void wait_for_device_warm_up() noexcept {
  if (!g_device_warm_up) return;
  WaitForSingleObject(g_device_warm_up, INFINITE);
  CloseHandle(g_device_warm_up);
  g_device_warm_up = nullptr;
}

bool create_device() noexcept {
  Graphics& g = graphics();
  if (g.d3d && FAILED(g.d3d->GetDeviceRemovedReason())) release_device();
  if (g.d2d_device) return true;
  using CreateDevice = decltype(&D3D11CreateDevice);
  static CreateDevice create = [] {
    HMODULE module = LoadLibraryW(L"d3d11.dll");
    return module ? reinterpret_cast<CreateDevice>(GetProcAddress(module, "D3D11CreateDevice"))
                  : nullptr;
  }();
  if (!create) {
    set_last_error("d3d11.dll: D3D11CreateDevice not found");
    return false;
  }
  const UINT flags = D3D11_CREATE_DEVICE_BGRA_SUPPORT | D3D11_CREATE_DEVICE_SINGLETHREADED;
  HRESULT hr = create(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, flags, nullptr, 0,
                      D3D11_SDK_VERSION, g.d3d.put(), nullptr, nullptr);
  if (FAILED(hr)) {
    hr = create(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, flags, nullptr, 0, D3D11_SDK_VERSION,
                g.d3d.put(), nullptr, nullptr);
  }
  if (FAILED(hr)) {
    set_last_error("D3D11CreateDevice failed (0x%08lx)", static_cast<unsigned long>(hr));
    g.d3d.reset();
    return false;
  }
  Com<IDXGIDevice> dxgi;
  hr = g.d3d.query(dxgi);
  if (SUCCEEDED(hr)) hr = g.d2d->CreateDevice(dxgi.get(), g.d2d_device.put());
  if (FAILED(hr)) {
    set_last_error("ID2D1Factory1::CreateDevice failed (0x%08lx)", static_cast<unsigned long>(hr));
    release_device();
    return false;
  }
  return true;
}

bool ensure_device() noexcept {
  wait_for_device_warm_up();
  return create_device();
}

// One small offscreen frame with the kinds of drawing every page has (fills, a path, a
// stroke, a clip, a bitmap, text): a software graphics stack builds what these need on
// first use, which otherwise delays the window's first frame by most of a second.
void draw_warm_up_frame() noexcept {
  Graphics& g = graphics();
  Com<ID2D1DeviceContext> dc;
  if (FAILED(g.d2d_device->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, dc.put())))
    return;
  D2D1_BITMAP_PROPERTIES1 props{};
  props.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE};
  props.dpiX = props.dpiY = 96;
  props.bitmapOptions = D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW;
  Com<ID2D1Bitmap1> target;
  if (FAILED(dc->CreateBitmap(D2D1_SIZE_U{64, 64}, nullptr, 0, &props, target.put()))) return;
  Com<ID2D1SolidColorBrush> brush;
  if (FAILED(dc->CreateSolidColorBrush(D2D1_COLOR_F{0.2f, 0.4f, 0.6f, 1}, brush.put()))) return;
  const std::uint32_t pixels[4] = {0xff000000u, 0xffffffffu, 0x80ff0000u, 0x00000000u};
  D2D1_BITMAP_PROPERTIES image_props{};
  image_props.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
  Com<ID2D1Bitmap> image;
  dc->CreateBitmap(D2D1_SIZE_U{2, 2}, pixels, 8, &image_props, image.put());
  Com<ID2D1PathGeometry> path;
  Com<ID2D1GeometrySink> sink;
  if (SUCCEEDED(g.d2d->CreatePathGeometry(path.put())) && SUCCEEDED(path->Open(sink.put()))) {
    sink->BeginFigure(D2D1_POINT_2F{4, 4}, D2D1_FIGURE_BEGIN_FILLED);
    sink->AddLine(D2D1_POINT_2F{40, 6});
    sink->AddArc(D2D1_ARC_SEGMENT{D2D1_POINT_2F{36, 30}, D2D1_SIZE_F{6, 6}, 0,
                                  D2D1_SWEEP_DIRECTION_CLOCKWISE, D2D1_ARC_SIZE_SMALL});
    sink->EndFigure(D2D1_FIGURE_END_CLOSED);
    sink->Close();
  }
  Com<IDWriteTextFormat> format;
  Com<IDWriteTextLayout> text;
  if (SUCCEEDED(g.dwrite->CreateTextFormat(L"Segoe UI", nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                           DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                           13, L"en-us", format.put())))
    g.dwrite->CreateTextLayout(L"Ag 0123", 7, format.get(), 64, 64, text.put());
  dc->SetTarget(target.get());
  dc->BeginDraw();
  dc->Clear(D2D1_COLOR_F{1, 1, 1, 1});
  dc->FillRectangle(D2D1_RECT_F{2, 2, 30, 20}, brush.get());
  if (path) {
    dc->FillGeometry(path.get(), brush.get());
    dc->DrawGeometry(path.get(), brush.get(), 1.5f);
  }
  dc->DrawLine(D2D1_POINT_2F{0, 50}, D2D1_POINT_2F{60, 52}, brush.get(), 1);
  dc->PushAxisAlignedClip(D2D1_RECT_F{8, 8, 56, 56}, D2D1_ANTIALIAS_MODE_ALIASED);
  if (image) dc->DrawBitmap(image.get(), D2D1_RECT_F{10, 10, 20, 20});
  if (text) dc->DrawTextLayout(D2D1_POINT_2F{4, 30}, text.get(), brush.get());
  dc->PopAxisAlignedClip();
  dc->EndDraw();
  dc->SetTarget(nullptr);
}

DWORD WINAPI warm_up_device(void*) {
  if (create_device()) draw_warm_up_frame();
  return 0;
}

D2D1_MATRIX_3X2_F multiply(const D2D1_MATRIX_3X2_F& a, const D2D1_MATRIX_3X2_F& b) {
  // Row-vector convention: a then b.
  D2D1_MATRIX_3X2_F m;
  m._11 = a._11 * b._11 + a._12 * b._21;
  m._12 = a._11 * b._12 + a._12 * b._22;
  m._21 = a._21 * b._11 + a._22 * b._21;
  m._22 = a._21 * b._12 + a._22 * b._22;
  m._31 = a._31 * b._11 + a._32 * b._21 + b._31;
  m._32 = a._31 * b._12 + a._32 * b._22 + b._32;
  return m;
}

D2D1_MATRIX_3X2_F identity() {
  D2D1_MATRIX_3X2_F m{};
  m._11 = 1;
  m._22 = 1;
  return m;
}

bool invert(const D2D1_MATRIX_3X2_F& m, D2D1_MATRIX_3X2_F& out) {
  const float det = m._11 * m._22 - m._12 * m._21;
  if (!(std::fabs(det) > 1e-12f)) return false;
  out._11 = m._22 / det;
  out._12 = -m._12 / det;
  out._21 = -m._21 / det;
  out._22 = m._11 / det;
  out._31 = -(m._31 * out._11 + m._32 * out._21);
  out._32 = -(m._31 * out._12 + m._32 * out._22);
  return true;
}

D2D1_POINT_2F pt(float x, float y) {
  return D2D1_POINT_2F{x, y};
}
D2D1_RECT_F rect(float x, float y, float w, float h) {
  return D2D1_RECT_F{x, y, x + w, y + h};
}

bool has_radii(const float* r) {
  return r[0] > 0 || r[1] > 0 || r[2] > 0 || r[3] > 0;
}

// A rectangle with per-corner circular radii (top-left, top-right, bottom-right,
// bottom-left) as one figure of `sink`.
void add_rounded_figure(ID2D1GeometrySink* sink, float x, float y, float w, float h,
                        const float* radii) {
  float r[4];
  for (int i = 0; i < 4; ++i) r[i] = std::clamp(radii[i], 0.f, std::min(w, h) / 2);
  auto arc = [&](float ex, float ey, float radius) {
    if (radius <= 0) {
      sink->AddLine(pt(ex, ey));
      return;
    }
    D2D1_ARC_SEGMENT a{pt(ex, ey), D2D1_SIZE_F{radius, radius}, 0, D2D1_SWEEP_DIRECTION_CLOCKWISE,
                       D2D1_ARC_SIZE_SMALL};
    sink->AddArc(a);
  };
  sink->BeginFigure(pt(x + r[0], y), D2D1_FIGURE_BEGIN_FILLED);
  sink->AddLine(pt(x + w - r[1], y));
  arc(x + w, y + r[1], r[1]);
  sink->AddLine(pt(x + w, y + h - r[2]));
  arc(x + w - r[2], y + h, r[2]);
  sink->AddLine(pt(x + r[3], y + h));
  arc(x, y + h - r[3], r[3]);
  sink->AddLine(pt(x, y + r[0]));
  arc(x + r[0], y, r[0]);
  sink->EndFigure(D2D1_FIGURE_END_CLOSED);
}

Com<ID2D1PathGeometry> rounded_geometry(float x, float y, float w, float h, const float* radii,
                                        const float* inner_rect = nullptr,
                                        const float* inner_radii = nullptr) {
  Com<ID2D1PathGeometry> path;
  Com<ID2D1GeometrySink> sink;
  if (FAILED(graphics().d2d->CreatePathGeometry(path.put())) || FAILED(path->Open(sink.put()))) {
    return {};
  }
  sink->SetFillMode(D2D1_FILL_MODE_ALTERNATE);
  add_rounded_figure(sink.get(), x, y, w, h, radii);
  if (inner_rect && inner_rect[2] > 0 && inner_rect[3] > 0) {
    add_rounded_figure(sink.get(), inner_rect[0], inner_rect[1], inner_rect[2], inner_rect[3],
                       inner_radii);
  }
  if (FAILED(sink->Close())) return {};
  return path;
}

Com<ID2D1PathGeometry> polygon(const D2D1_POINT_2F* points, int count) {
  Com<ID2D1PathGeometry> path;
  Com<ID2D1GeometrySink> sink;
  if (FAILED(graphics().d2d->CreatePathGeometry(path.put())) || FAILED(path->Open(sink.put()))) {
    return {};
  }
  sink->BeginFigure(points[0], D2D1_FIGURE_BEGIN_FILLED);
  for (int i = 1; i < count; ++i) sink->AddLine(points[i]);
  sink->EndFigure(D2D1_FIGURE_END_CLOSED);
  if (FAILED(sink->Close())) return {};
  return path;
}

struct ImageBitmap {
  const image::ImageEntry* entry = nullptr;
  const std::uint8_t* bytes = nullptr;
  std::uint32_t generation = 0;
  Com<ID2D1Bitmap> bitmap;  // null: the bytes could not be decoded
  std::uint64_t used = 0;
};

struct SvgGeometry {
  const svg::VectorImage* image = nullptr;
  std::uint32_t generation = 0;
  std::vector<Com<ID2D1PathGeometry>> paths;  // one per draw record (null: empty)
  std::uint64_t used = 0;
};

enum class OpenKind : std::uint8_t { AxisClip, RoundedClip, Opacity, Filter, Transform, Nothing };

struct Open {
  OpenKind kind = OpenKind::Nothing;
  ItemKind pushed_by = ItemKind::kPushClip;
  const DisplayItem* item = nullptr;
  D2D1_MATRIX_3X2_F saved{};  // the transform when it was pushed
  bool group = false;         // drew into an offscreen target of its own
};

}  // namespace

struct Renderer {
  HWND window = nullptr;
  Com<IDXGISwapChain1> swap_chain;
  Com<ID2D1DeviceContext> context;
  Com<ID2D1Bitmap1> target;
  std::int32_t width = 1, height = 1;
  float scale = 1;
  bool force_full = true;
  bool occluded = false;
  bool broken = false;  // a resize failed: only a new renderer can draw again
  PresentHistory history;
  FilterChainCache filters{&release_unknown};
  std::vector<ImageBitmap> images;
  std::vector<SvgGeometry> svgs;
  std::uint64_t clock = 0;
  Com<ID2D1StrokeStyle> strokes[3][3];  // SVG strokes by cap and join
  Com<ID2D1StrokeStyle> dashed, dotted;
  // Offscreen targets of nested groups, by depth.
  std::vector<Com<ID2D1BitmapRenderTarget>> group_targets;
  std::vector<Com<ID2D1SolidColorBrush>> group_brushes;
  Com<ID2D1SolidColorBrush> brush;
  bool capture = false;
  std::vector<std::uint32_t> captured;
};

namespace {

bool create_target(Renderer& r) noexcept {
  Com<IDXGISurface> surface;
  HRESULT hr =
      r.swap_chain->GetBuffer(0, __uuidof(IDXGISurface), reinterpret_cast<void**>(surface.put()));
  if (SUCCEEDED(hr)) {
    D2D1_BITMAP_PROPERTIES1 props{};
    props.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE};
    props.dpiX = props.dpiY = 96 * r.scale;
    props.bitmapOptions = D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW;
    hr = r.context->CreateBitmapFromDxgiSurface(surface.get(), &props, r.target.put());
  }
  if (FAILED(hr)) {
    set_last_error("swap chain back buffer bitmap failed (0x%08lx)",
                   static_cast<unsigned long>(hr));
    return false;
  }
  r.context->SetDpi(96 * r.scale, 96 * r.scale);
  r.context->SetTarget(r.target.get());
  r.force_full = true;
  r.history.reset();
  return true;
}

void release_target(Renderer& r) noexcept {
  if (r.context) r.context->SetTarget(nullptr);
  r.target.reset();
  r.group_targets.clear();
  r.group_brushes.clear();
}

}  // namespace

void warm_up_graphics_in_background() noexcept {
  static bool started = false;
  if (started) return;
  started = true;
  // The factories are made here, so that the thread only reads them.
  if (!ensure_factories()) return;
  g_device_warm_up = CreateThread(nullptr, 0, warm_up_device, nullptr, 0, nullptr);
}

Renderer* create_renderer(void* window, std::int32_t pixel_width, std::int32_t pixel_height,
                          float scale) noexcept {
  if (!ensure_factories() || !ensure_device()) return nullptr;
  Graphics& g = graphics();
  std::unique_ptr<Renderer> r(new (std::nothrow) Renderer);
  if (!r) {
    set_last_error("out of memory");
    return nullptr;
  }
  r->window = static_cast<HWND>(window);
  r->width = std::max(pixel_width, 1);
  r->height = std::max(pixel_height, 1);
  r->scale = scale > 0 && std::isfinite(scale) ? scale : 1;

  Com<IDXGIDevice> dxgi;
  Com<IDXGIAdapter> adapter;
  Com<IDXGIFactory2> factory;
  HRESULT hr = g.d3d.query(dxgi);
  if (SUCCEEDED(hr)) hr = dxgi->GetAdapter(adapter.put());
  if (SUCCEEDED(hr))
    hr = adapter->GetParent(__uuidof(IDXGIFactory2), reinterpret_cast<void**>(factory.put()));
  if (SUCCEEDED(hr)) {
    DXGI_SWAP_CHAIN_DESC1 desc{};
    desc.Width = static_cast<UINT>(r->width);
    desc.Height = static_cast<UINT>(r->height);
    desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 2;
    desc.Scaling = DXGI_SCALING_NONE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
    desc.AlphaMode = DXGI_ALPHA_MODE_IGNORE;
    hr = factory->CreateSwapChainForHwnd(g.d3d.get(), r->window, &desc, nullptr, nullptr,
                                         r->swap_chain.put());
  }
  if (FAILED(hr)) {
    set_last_error("CreateSwapChainForHwnd failed (0x%08lx)", static_cast<unsigned long>(hr));
    return nullptr;
  }
  factory->MakeWindowAssociation(r->window, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER);

  hr = g.d2d_device->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, r->context.put());
  if (FAILED(hr)) {
    set_last_error("CreateDeviceContext failed (0x%08lx)", static_cast<unsigned long>(hr));
    return nullptr;
  }
  if (!create_target(*r)) return nullptr;
  hr = r->context->CreateSolidColorBrush(D2D1_COLOR_F{0, 0, 0, 1}, r->brush.put());
  if (FAILED(hr)) {
    set_last_error("CreateSolidColorBrush failed (0x%08lx)", static_cast<unsigned long>(hr));
    return nullptr;
  }
  // Images need WIC; without it they are not drawn, but everything else is.
  ensure_wic();
  return r.release();
}

void destroy_renderer(Renderer* renderer) noexcept {
  if (!renderer) return;
  release_target(*renderer);
  delete renderer;
}

bool resize(Renderer& r, std::int32_t pixel_width, std::int32_t pixel_height) noexcept {
  if (r.broken) return false;
  r.width = std::max(pixel_width, 1);
  r.height = std::max(pixel_height, 1);
  // The buffers can only be resized once nothing refers to them.
  release_target(r);
  HRESULT hr = g_inject_resize;
  g_inject_resize = S_OK;
  if (hr == S_OK) {
    hr = r.swap_chain->ResizeBuffers(0, static_cast<UINT>(r.width), static_cast<UINT>(r.height),
                                     DXGI_FORMAT_UNKNOWN, 0);
  }
  if (FAILED(hr)) {
    set_last_error("ResizeBuffers failed (0x%08lx)", static_cast<unsigned long>(hr));
    r.broken = true;
    return false;
  }
  if (!create_target(r)) {
    r.broken = true;
    return false;
  }
  return true;
}

void set_dpi(Renderer& r, float scale) noexcept {
  if (!(scale > 0) || !std::isfinite(scale) || r.broken) return;
  r.scale = scale;
  release_target(r);
  if (!create_target(r)) r.broken = true;
}

bool occluded(const Renderer& r) noexcept {
  return r.occluded;
}

void inject_failures_for_test(std::int32_t end_draw_hresult, std::int32_t present_hresult,
                              std::int32_t resize_hresult) noexcept {
  g_inject_resize = static_cast<HRESULT>(resize_hresult);
  g_inject_end_draw = static_cast<HRESULT>(end_draw_hresult);
  g_inject_present = static_cast<HRESULT>(present_hresult);
}

void set_frame_capture_for_test(Renderer& r, bool enabled) noexcept {
  r.capture = enabled;
  if (!enabled) r.captured.clear();
}

const std::uint32_t* captured_frame_for_test(const Renderer& r, std::int32_t* width,
                                             std::int32_t* height) noexcept {
  if (r.captured.empty()) return nullptr;
  *width = r.width;
  *height = r.height;
  return r.captured.data();
}

namespace {

// Copies the buffer just drawn into memory (tests).
void capture_back_buffer(Renderer& r) {
  Graphics& g = graphics();
  Com<ID3D11Texture2D> buffer, staging;
  if (FAILED(r.swap_chain->GetBuffer(0, __uuidof(ID3D11Texture2D),
                                     reinterpret_cast<void**>(buffer.put())))) {
    return;
  }
  D3D11_TEXTURE2D_DESC desc{};
  buffer->GetDesc(&desc);
  desc.Usage = D3D11_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  if (FAILED(g.d3d->CreateTexture2D(&desc, nullptr, staging.put()))) return;
  Com<ID3D11DeviceContext> immediate;
  g.d3d->GetImmediateContext(immediate.put());
  immediate->CopyResource(staging.get(), buffer.get());
  D3D11_MAPPED_SUBRESOURCE mapped{};
  if (FAILED(immediate->Map(staging.get(), 0, D3D11_MAP_READ, 0, &mapped))) return;
  try {
    r.captured.assign(static_cast<std::size_t>(desc.Width) * desc.Height, 0);
    for (UINT y = 0; y < desc.Height; ++y) {
      std::memcpy(&r.captured[static_cast<std::size_t>(y) * desc.Width],
                  static_cast<const std::uint8_t*>(mapped.pData) +
                      static_cast<std::size_t>(y) * mapped.RowPitch,
                  desc.Width * 4);
    }
  } catch (...) {
    r.captured.clear();
  }
  immediate->Unmap(staging.get(), 0);
}

// One frame's drawing state.
class FrameDrawer {
 public:
  FrameDrawer(Renderer& r, const AtomTable& atoms, const FramePlan& plan)
      : m_r(r), m_atoms(atoms), m_plan(plan) {
    m_rt = r.context.get();
    m_brush = r.brush.get();
    m_transform = identity();
  }

  bool failed() const { return m_failed; }

  void draw(const DisplayList& list, const ItemBounds& bounds) {
    const bool use_bounds = bounds.rects && bounds.count == list.count && !m_plan.full;
    for (std::uint32_t i = 0; i < list.count && !m_failed; ++i) {
      const DisplayItem& item = list.items[i];
      if (use_bounds && is_drawing(item.kind) && !meets_damage(bounds.rects[i])) continue;
      execute(item);
    }
    // A list that leaves pushes open still composes what they hold.
    while (m_depth > 0 && !m_failed) close_top();
  }

 private:
  static bool is_drawing(ItemKind k) {
    return k == ItemKind::kFill || k == ItemKind::kBorder || k == ItemKind::kText ||
           k == ItemKind::kImage || k == ItemKind::kGradient || k == ItemKind::kBackdropFilter;
  }

  bool meets_damage(const Rect& b) const {
    const PixelRect p = snap_to_pixels(b, m_r.scale);
    return !p.empty() && p.left < m_plan.rect.right && p.right > m_plan.rect.left &&
           p.top < m_plan.rect.bottom && p.bottom > m_plan.rect.top;
  }

  D2D1_RECT_F damage_dips() const {
    const float s = m_r.scale;
    return D2D1_RECT_F{m_plan.rect.left / s, m_plan.rect.top / s, m_plan.rect.right / s,
                       m_plan.rect.bottom / s};
  }

  ID2D1SolidColorBrush* brush(std::uint32_t color, float alpha = 1) {
    m_brush->SetColor(to_color(color, alpha));
    return m_brush;
  }

  void set_transform(const D2D1_MATRIX_3X2_F& m) {
    m_transform = m;
    m_rt->SetTransform(&m_transform);
  }

  void execute(const DisplayItem& item) {
    switch (item.kind) {
      case ItemKind::kFill:
        fill(item);
        break;
      case ItemKind::kBorder:
        border(item);
        break;
      case ItemKind::kText:
        text(item);
        break;
      case ItemKind::kImage:
        image(item);
        break;
      case ItemKind::kGradient:
        gradient(item);
        break;
      case ItemKind::kPushClip:
        push_clip(item);
        break;
      case ItemKind::kPushTransform:
        push_transform(item);
        break;
      case ItemKind::kPushOpacity:
        push_opacity(item);
        break;
      case ItemKind::kPushFilter:
        push_group(item, OpenKind::Filter);
        break;
      case ItemKind::kPopClip:
        pop(ItemKind::kPushClip);
        break;
      case ItemKind::kPopTransform:
        pop(ItemKind::kPushTransform);
        break;
      case ItemKind::kPopOpacity:
        pop(ItemKind::kPushOpacity);
        break;
      case ItemKind::kPopFilter:
        pop(ItemKind::kPushFilter);
        break;
      case ItemKind::kBackdropFilter:
        backdrop(item);
        break;
    }
  }

  void fill_shape(const DisplayItem& item, ID2D1Brush* b) {
    if (!(item.width > 0) || !(item.height > 0)) return;
    if (!has_radii(item.radii)) {
      m_rt->FillRectangle(rect(item.x, item.y, item.width, item.height), b);
      return;
    }
    Com<ID2D1PathGeometry> g =
        rounded_geometry(item.x, item.y, item.width, item.height, item.radii);
    if (g) m_rt->FillGeometry(g.get(), b, nullptr);
  }

  void fill(const DisplayItem& item) {
    if ((item.color >> 24) == 0) return;
    fill_shape(item, brush(item.color));
  }

  void border(const DisplayItem& item) {
    const float x = item.x, y = item.y, w = item.width, h = item.height;
    const float* bw = item.widths;  // top, right, bottom, left
    if (!(w > 0) || !(h > 0)) return;
    const bool one_colour = item.colors[0] == item.colors[1] && item.colors[0] == item.colors[2] &&
                            item.colors[0] == item.colors[3];
    const bool one_width = bw[0] == bw[1] && bw[0] == bw[2] && bw[0] == bw[3];
    if (item.style != kBorderSolid) {
      dashed_border(item, one_colour && one_width);
      return;
    }
    const float inner[4] = {x + bw[3], y + bw[0], w - bw[1] - bw[3], h - bw[0] - bw[2]};
    const float inner_radii[4] = {std::max(0.f, item.radii[0] - std::max(bw[0], bw[3])),
                                  std::max(0.f, item.radii[1] - std::max(bw[0], bw[1])),
                                  std::max(0.f, item.radii[2] - std::max(bw[2], bw[1])),
                                  std::max(0.f, item.radii[3] - std::max(bw[2], bw[3]))};
    Com<ID2D1PathGeometry> ring = rounded_geometry(x, y, w, h, item.radii, inner, inner_radii);
    if (!ring) return;
    if (one_colour) {
      if (item.colors[0] >> 24) m_rt->FillGeometry(ring.get(), brush(item.colors[0]), nullptr);
      return;
    }
    // Each side its own colour: the trapezoid from the outer to the inner edge, cut to
    // the ring when the corners are rounded.
    const D2D1_POINT_2F sides[4][4] = {
        {pt(x, y), pt(x + w, y), pt(x + w - bw[1], y + bw[0]), pt(x + bw[3], y + bw[0])},
        {pt(x + w, y), pt(x + w, y + h), pt(x + w - bw[1], y + h - bw[2]),
         pt(x + w - bw[1], y + bw[0])},
        {pt(x + w, y + h), pt(x, y + h), pt(x + bw[3], y + h - bw[2]),
         pt(x + w - bw[1], y + h - bw[2])},
        {pt(x, y + h), pt(x, y), pt(x + bw[3], y + bw[0]), pt(x + bw[3], y + h - bw[2])}};
    const bool rounded = has_radii(item.radii);
    for (int s = 0; s < 4; ++s) {
      if (!(bw[s] > 0) || (item.colors[s] >> 24) == 0) continue;
      Com<ID2D1PathGeometry> side = polygon(sides[s], 4);
      if (!side) continue;
      if (rounded) {
        Com<ID2D1PathGeometry> cut;
        Com<ID2D1GeometrySink> sink;
        if (SUCCEEDED(graphics().d2d->CreatePathGeometry(cut.put())) &&
            SUCCEEDED(cut->Open(sink.put())) &&
            SUCCEEDED(ring->CombineWithGeometry(side.get(), D2D1_COMBINE_MODE_INTERSECT, nullptr,
                                                sink.get())) &&
            SUCCEEDED(sink->Close())) {
          m_rt->FillGeometry(cut.get(), brush(item.colors[s]), nullptr);
          continue;
        }
      }
      m_rt->FillGeometry(side.get(), brush(item.colors[s]), nullptr);
    }
  }

  ID2D1StrokeStyle* dash_style(bool dotted) {
    Com<ID2D1StrokeStyle>& slot = dotted ? m_r.dotted : m_r.dashed;
    if (!slot) {
      D2D1_STROKE_STYLE_PROPERTIES props{};
      props.startCap = props.endCap = D2D1_CAP_STYLE_FLAT;
      props.dashCap = dotted ? D2D1_CAP_STYLE_ROUND : D2D1_CAP_STYLE_FLAT;
      props.lineJoin = D2D1_LINE_JOIN_MITER;
      props.miterLimit = 10;
      props.dashStyle = D2D1_DASH_STYLE_CUSTOM;
      const float dash[2] = {3, 3};
      const float dot[2] = {0, 2};
      graphics().d2d->CreateStrokeStyle(&props, dotted ? dot : dash, 2, slot.put());
    }
    return slot.get();
  }

  void dashed_border(const DisplayItem& item, bool uniform) {
    ID2D1StrokeStyle* style = dash_style(item.style == kBorderDotted);
    const float x = item.x, y = item.y, w = item.width, h = item.height;
    const float* bw = item.widths;
    if (uniform) {
      const float half = bw[0] / 2;
      if (!(bw[0] > 0) || (item.colors[0] >> 24) == 0) return;
      float radii[4];
      for (int i = 0; i < 4; ++i) radii[i] = std::max(0.f, item.radii[i] - half);
      Com<ID2D1PathGeometry> g = rounded_geometry(x + half, y + half, w - bw[0], h - bw[0], radii);
      if (g) m_rt->DrawGeometry(g.get(), brush(item.colors[0]), bw[0], style);
      return;
    }
    // Sides along their centre lines.
    const D2D1_POINT_2F lines[4][2] = {{pt(x, y + bw[0] / 2), pt(x + w, y + bw[0] / 2)},
                                       {pt(x + w - bw[1] / 2, y), pt(x + w - bw[1] / 2, y + h)},
                                       {pt(x + w, y + h - bw[2] / 2), pt(x, y + h - bw[2] / 2)},
                                       {pt(x + bw[3] / 2, y + h), pt(x + bw[3] / 2, y)}};
    for (int s = 0; s < 4; ++s) {
      if (!(bw[s] > 0) || (item.colors[s] >> 24) == 0) continue;
      m_rt->DrawLine(lines[s][0], lines[s][1], brush(item.colors[s]), bw[s], style);
    }
  }

  void text(const DisplayItem& item) {
    if (!item.text || item.text_length == 0 || (item.color >> 24) == 0) return;
    const FormatRef format = text_format_for(m_atoms, item.font);
    if (!format.format) return;
    std::wstring wide;
    try {
      wide = widen(std::string_view(item.text, item.text_length));
    } catch (...) {
      return;
    }
    Com<IDWriteTextLayout> layout;
    if (FAILED(graphics().dwrite->CreateTextLayout(wide.c_str(), static_cast<UINT32>(wide.size()),
                                                   format.format, 1e7f, 1e7f, layout.put()))) {
      return;
    }
    const DWRITE_TEXT_RANGE all{0, static_cast<UINT32>(wide.size())};
    if (item.font.decoration & 1) layout->SetUnderline(TRUE, all);
    if (item.font.decoration & 2) layout->SetStrikethrough(TRUE, all);
    if (item.font.letter_spacing != 0) {
      Com<IDWriteTextLayout1> layout1;
      if (SUCCEEDED(layout.query(layout1))) {
        layout1->SetCharacterSpacing(0, item.font.letter_spacing, 0, all);
      }
    }
    DWRITE_LINE_METRICS line{};
    UINT32 lines = 0;
    float layout_baseline = 0;
    if (SUCCEEDED(layout->GetLineMetrics(&line, 1, &lines)) && lines > 0) {
      layout_baseline = line.baseline;
    }
    // The run's baseline lies at y + baseline; the layout's own first baseline is moved
    // onto it.
    m_rt->DrawTextLayout(pt(item.x, item.y + item.baseline - layout_baseline), layout.get(),
                         brush(item.color), D2D1_DRAW_TEXT_OPTIONS_NONE);
  }

  ID2D1Bitmap* bitmap_for(const image::ImageEntry& entry) {
    for (ImageBitmap& b : m_r.images) {
      if (b.entry == &entry && b.bytes == entry.bytes && b.generation == entry.generation) {
        b.used = ++m_r.clock;
        return b.bitmap.get();
      }
    }
    ImageBitmap fresh;
    fresh.entry = &entry;
    fresh.bytes = entry.bytes;
    fresh.generation = entry.generation;
    fresh.used = ++m_r.clock;
    Com<IWICBitmapSource> source;
    if (SUCCEEDED(decode_image(entry.bytes, static_cast<std::size_t>(entry.length), source))) {
      D2D1_BITMAP_PROPERTIES props{};
      props.pixelFormat =
          D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
      props.dpiX = props.dpiY = 96;
      m_r.context->CreateBitmapFromWicBitmap(source.get(), &props, fresh.bitmap.put());
    }
    try {
      if (m_r.images.size() >= kImageCacheSize) {
        auto oldest = std::min_element(
            m_r.images.begin(), m_r.images.end(),
            [](const ImageBitmap& a, const ImageBitmap& b) { return a.used < b.used; });
        *oldest = std::move(fresh);
        return oldest->bitmap.get();
      }
      m_r.images.push_back(std::move(fresh));
    } catch (...) {
      return nullptr;
    }
    return m_r.images.back().bitmap.get();
  }

  // The area an image item covers: one tile, or the tile area along repeating axes.
  static D2D1_RECT_F image_area(const DisplayItem& item) {
    D2D1_RECT_F a = rect(item.x, item.y, item.width, item.height);
    if (item.repeat_x) {
      a.left = item.tile_x;
      a.right = item.tile_x + item.tile_width;
    }
    if (item.repeat_y) {
      a.top = item.tile_y;
      a.bottom = item.tile_y + item.tile_height;
    }
    return a;
  }

  void image(const DisplayItem& item) {
    const image::ImageEntry* entry = item.image;
    if (!entry || !(item.width > 0) || !(item.height > 0)) return;
    if (entry->svg) {
      vector_image(item, *entry);
      return;
    }
    if (!entry->bytes) return;
    ID2D1Bitmap* bitmap = bitmap_for(*entry);
    if (!bitmap) return;  // could not be decoded: not drawn
    if (!item.repeat_x && !item.repeat_y) {
      m_rt->DrawBitmap(bitmap, rect(item.x, item.y, item.width, item.height), 1,
                       D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
      return;
    }
    Com<ID2D1BitmapBrush> tiles;
    D2D1_BITMAP_BRUSH_PROPERTIES props{
        item.repeat_x ? D2D1_EXTEND_MODE_WRAP : D2D1_EXTEND_MODE_CLAMP,
        item.repeat_y ? D2D1_EXTEND_MODE_WRAP : D2D1_EXTEND_MODE_CLAMP,
        D2D1_BITMAP_INTERPOLATION_MODE_LINEAR};
    if (FAILED(m_rt->CreateBitmapBrush(bitmap, &props, nullptr, tiles.put()))) return;
    const D2D1_SIZE_F size = bitmap->GetSize();
    if (!(size.width > 0) || !(size.height > 0)) return;
    D2D1_MATRIX_3X2_F m{};
    m._11 = item.width / size.width;
    m._22 = item.height / size.height;
    m._31 = item.x;
    m._32 = item.y;
    tiles->SetTransform(&m);
    m_rt->FillRectangle(image_area(item), tiles.get());
  }

  SvgGeometry* svg_geometry(const image::ImageEntry& entry) {
    const svg::VectorImage& image = *entry.svg;
    for (SvgGeometry& g : m_r.svgs) {
      if (g.image == &image && g.generation == entry.generation) {
        g.used = ++m_r.clock;
        return &g;
      }
    }
    SvgGeometry fresh;
    fresh.image = &image;
    fresh.generation = entry.generation;
    fresh.used = ++m_r.clock;
    try {
      fresh.paths.resize(image.draws.size());
      for (std::size_t i = 0; i < image.draws.size(); ++i) {
        fresh.paths[i] = svg_path(image, image.draws[i]);
      }
      if (m_r.svgs.size() >= kSvgCacheSize) {
        auto oldest = std::min_element(
            m_r.svgs.begin(), m_r.svgs.end(),
            [](const SvgGeometry& a, const SvgGeometry& b) { return a.used < b.used; });
        *oldest = std::move(fresh);
        return &*oldest;
      }
      m_r.svgs.push_back(std::move(fresh));
    } catch (...) {
      return nullptr;
    }
    return &m_r.svgs.back();
  }

  static Com<ID2D1PathGeometry> svg_path(const svg::VectorImage& image,
                                         const svg::DrawRecord& record) {
    Com<ID2D1PathGeometry> path;
    Com<ID2D1GeometrySink> sink;
    if (FAILED(graphics().d2d->CreatePathGeometry(path.put())) || FAILED(path->Open(sink.put()))) {
      return {};
    }
    sink->SetFillMode(record.fill_rule == svg::FillRule::EvenOdd ? D2D1_FILL_MODE_ALTERNATE
                                                                 : D2D1_FILL_MODE_WINDING);
    bool open = false;
    svg::Point start, current;
    auto begin_at = [&](svg::Point p) {
      sink->BeginFigure(pt(p.x, p.y), D2D1_FIGURE_BEGIN_FILLED);
      open = true;
      start = p;
    };
    const std::size_t end = std::min<std::size_t>(
        image.segments.size(),
        static_cast<std::size_t>(record.first_segment) + record.segment_count);
    for (std::size_t i = record.first_segment; i < end; ++i) {
      const svg::PathSegment& s = image.segments[i];
      switch (s.kind) {
        case svg::SegmentKind::MoveTo:
          if (open) sink->EndFigure(D2D1_FIGURE_END_OPEN);
          begin_at(s.points[0]);
          current = s.points[0];
          break;
        case svg::SegmentKind::LineTo:
          if (!open) begin_at(current);
          sink->AddLine(pt(s.points[0].x, s.points[0].y));
          current = s.points[0];
          break;
        case svg::SegmentKind::Cubic: {
          if (!open) begin_at(current);
          D2D1_BEZIER_SEGMENT b{pt(s.points[0].x, s.points[0].y), pt(s.points[1].x, s.points[1].y),
                                pt(s.points[2].x, s.points[2].y)};
          sink->AddBezier(b);
          current = s.points[2];
          break;
        }
        case svg::SegmentKind::Quad: {
          if (!open) begin_at(current);
          D2D1_QUADRATIC_BEZIER_SEGMENT q{pt(s.points[0].x, s.points[0].y),
                                          pt(s.points[1].x, s.points[1].y)};
          sink->AddQuadraticBezier(q);
          current = s.points[1];
          break;
        }
        case svg::SegmentKind::Close:
          if (open) sink->EndFigure(D2D1_FIGURE_END_CLOSED);
          open = false;
          current = start;
          break;
      }
    }
    if (open) sink->EndFigure(D2D1_FIGURE_END_OPEN);
    if (FAILED(sink->Close())) return {};
    return path;
  }

  ID2D1StrokeStyle* svg_stroke(svg::LineCap cap, svg::LineJoin join) {
    const int c = std::min<int>(static_cast<int>(cap), 2),
              j = std::min<int>(static_cast<int>(join), 2);
    Com<ID2D1StrokeStyle>& slot = m_r.strokes[c][j];
    if (!slot) {
      static const D2D1_CAP_STYLE caps[3] = {D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_ROUND,
                                             D2D1_CAP_STYLE_SQUARE};
      static const D2D1_LINE_JOIN joins[3] = {D2D1_LINE_JOIN_MITER, D2D1_LINE_JOIN_ROUND,
                                              D2D1_LINE_JOIN_BEVEL};
      D2D1_STROKE_STYLE_PROPERTIES props{
          caps[c], caps[c], caps[c], joins[j], 4, D2D1_DASH_STYLE_SOLID, 0};
      graphics().d2d->CreateStrokeStyle(&props, nullptr, 0, slot.put());
    }
    return slot.get();
  }

  void vector_image(const DisplayItem& item, const image::ImageEntry& entry) {
    SvgGeometry* geometry = svg_geometry(entry);
    if (!geometry) return;
    const svg::VectorImage& image = *entry.svg;
    const D2D1_RECT_F area = image_area(item);
    const bool tiled = item.repeat_x || item.repeat_y;
    if (tiled) m_rt->PushAxisAlignedClip(area, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    // Tiles along the repeating axes (a bounded number: tiny tiles over a huge area are
    // not worth thousands of draws).
    const float step_x = item.width, step_y = item.height;
    float x0 = item.x, y0 = item.y;
    int nx = 1, ny = 1;
    if (item.repeat_x) {
      x0 = item.x - std::ceil((item.x - area.left) / step_x) * step_x;
      nx = static_cast<int>(std::ceil((area.right - x0) / step_x));
    }
    if (item.repeat_y) {
      y0 = item.y - std::ceil((item.y - area.top) / step_y) * step_y;
      ny = static_cast<int>(std::ceil((area.bottom - y0) / step_y));
    }
    nx = std::clamp(nx, 0, 64);
    ny = std::clamp(ny, 0, 64);
    const D2D1_MATRIX_3X2_F outer = m_transform;
    for (int ty = 0; ty < ny; ++ty) {
      for (int tx = 0; tx < nx; ++tx) {
        const std::optional<svg::Matrix> map = svg::view_box_transform(
            image, svg::Rect{x0 + tx * step_x, y0 + ty * step_y, item.width, item.height});
        if (!map) continue;
        D2D1_MATRIX_3X2_F m{map->a, map->b, map->c, map->d, map->e, map->f};
        m_rt->SetTransform(multiply(m, outer));
        for (std::size_t i = 0; i < image.draws.size(); ++i) {
          ID2D1PathGeometry* path = geometry->paths[i].get();
          if (!path) continue;
          const svg::DrawRecord& record = image.draws[i];
          const svg::RecordPaint paint = svg::resolve_record_paint(record, item.color);
          if (paint.fill >> 24) m_rt->FillGeometry(path, brush(paint.fill), nullptr);
          if (paint.stroke >> 24) {
            m_rt->DrawGeometry(path, brush(paint.stroke), record.stroke_width,
                               svg_stroke(record.cap, record.join));
          }
        }
      }
    }
    m_rt->SetTransform(&outer);
    if (tiled) m_rt->PopAxisAlignedClip();
  }

  void gradient(const DisplayItem& item) {
    if (!item.gradient) return;
    GradientBrushGeometry g;
    if (!gradient_geometry(*item.gradient, item.x, item.y, item.width, item.height, g)) return;
    std::vector<D2D1_GRADIENT_STOP> stops;
    try {
      for (const GradientStopAt& s : g.stops) stops.push_back({s.position, to_color(s.color)});
    } catch (...) {
      return;
    }
    if (g.kind == css::GradientKind::Conic) {
      conic(item, g);
      return;
    }
    Com<ID2D1GradientStopCollection> collection;
    if (FAILED(m_rt->CreateGradientStopCollection(stops.data(), static_cast<UINT32>(stops.size()),
                                                  D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP,
                                                  collection.put()))) {
      return;
    }
    if (g.kind == css::GradientKind::Radial) {
      Com<ID2D1RadialGradientBrush> b;
      D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES props{pt(g.x0, g.y0), pt(0, 0), g.rx, g.ry};
      if (SUCCEEDED(m_rt->CreateRadialGradientBrush(&props, nullptr, collection.get(), b.put()))) {
        fill_shape(item, b.get());
      }
      return;
    }
    Com<ID2D1LinearGradientBrush> b;
    D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES props{pt(g.x0, g.y0), pt(g.x1, g.y1)};
    if (SUCCEEDED(m_rt->CreateLinearGradientBrush(&props, nullptr, collection.get(), b.put()))) {
      fill_shape(item, b.get());
    }
  }

  // A conic gradient as 180 narrow wedges of interpolated colour around its centre.
  void conic(const DisplayItem& item, const GradientBrushGeometry& g) {
    const float reach = std::hypot(item.width, item.height) * 2;
    const float from = item.gradient->angle * 3.14159265f / 180;
    auto colour_at = [&](float t) {
      const auto& s = g.stops;
      if (t <= s.front().position) return s.front().color;
      for (std::size_t i = 1; i < s.size(); ++i) {
        if (t <= s[i].position) {
          const float span = s[i].position - s[i - 1].position;
          const float f = span > 0 ? (t - s[i - 1].position) / span : 1;
          std::uint32_t out = 0;
          for (int shift = 0; shift < 32; shift += 8) {
            const float a = (s[i - 1].color >> shift) & 0xFF, b = (s[i].color >> shift) & 0xFF;
            out |= static_cast<std::uint32_t>(std::lround(a + (b - a) * f)) << shift;
          }
          return out;
        }
      }
      return s.back().color;
    };
    m_rt->PushAxisAlignedClip(rect(item.x, item.y, item.width, item.height),
                              D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    constexpr int kWedges = 180;
    for (int i = 0; i < kWedges; ++i) {
      const float a0 = from + 2 * 3.14159265f * i / kWedges;
      const float a1 = from + 2 * 3.14159265f * (i + 1.02f) / kWedges;
      const D2D1_POINT_2F tri[3] = {pt(g.x0, g.y0),
                                    pt(g.x0 + std::sin(a0) * reach, g.y0 - std::cos(a0) * reach),
                                    pt(g.x0 + std::sin(a1) * reach, g.y0 - std::cos(a1) * reach)};
      Com<ID2D1PathGeometry> wedge = polygon(tri, 3);
      if (wedge) m_rt->FillGeometry(wedge.get(), brush(colour_at((i + 0.5f) / kWedges)), nullptr);
    }
    m_rt->PopAxisAlignedClip();
  }

  // ---- pushes and pops ----

  bool push_open(const Open& open) {
    if (m_depth >= kMaxStack) return false;
    m_stack[m_depth++] = open;
    return true;
  }

  void push_clip(const DisplayItem& item) {
    if (has_radii(item.radii)) {
      push_group(item, OpenKind::RoundedClip);
      return;
    }
    Open open{OpenKind::AxisClip, ItemKind::kPushClip, &item, m_transform, false};
    if (!push_open(open)) {
      push_open_nothing(ItemKind::kPushClip);
      return;
    }
    m_rt->PushAxisAlignedClip(
        rect(item.x, item.y, std::max(item.width, 0.f), std::max(item.height, 0.f)),
        D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  }

  void push_open_nothing(ItemKind) {
    // Past the stack's end a push is only counted: being the innermost, it is what the
    // next pop closes.
    ++m_beyond;
  }

  // A group that cannot have a target of its own still draws its content: a rounded clip
  // as a plain clip to its rectangle, an opacity or filter group as it is. Its pop
  // closes it like any other push.
  void push_group_fallback(const Open& group) {
    const DisplayItem& item = *group.item;
    if (group.kind == OpenKind::RoundedClip) {
      Open open{OpenKind::AxisClip, ItemKind::kPushClip, &item, m_transform, false};
      if (!push_open(open)) {
        push_open_nothing(ItemKind::kPushClip);
        return;
      }
      m_rt->PushAxisAlignedClip(
          rect(item.x, item.y, std::max(item.width, 0.f), std::max(item.height, 0.f)),
          D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
      return;
    }
    if (!push_open(Open{OpenKind::Nothing, group.pushed_by, &item, m_transform, false}))
      push_open_nothing(group.pushed_by);
  }

  void push_transform(const DisplayItem& item) {
    Open open{OpenKind::Transform, ItemKind::kPushTransform, &item, m_transform, false};
    if (!push_open(open)) {
      push_open_nothing(ItemKind::kPushTransform);
      return;
    }
    const float* m = item.matrix;
    D2D1_MATRIX_3X2_F local{m[0], m[1], m[2], m[3], m[4], m[5]};
    set_transform(multiply(local, m_transform));
  }

  void push_opacity(const DisplayItem& item) {
    if (item.opacity >= 1) {
      if (!push_open(Open{OpenKind::Nothing, ItemKind::kPushOpacity, &item, m_transform, false})) {
        push_open_nothing(ItemKind::kPushOpacity);
      }
      return;
    }
    push_group(item, OpenKind::Opacity);
  }

  ItemKind push_kind_of(OpenKind kind) {
    switch (kind) {
      case OpenKind::RoundedClip:
        return ItemKind::kPushClip;
      case OpenKind::Opacity:
        return ItemKind::kPushOpacity;
      default:
        return ItemKind::kPushFilter;
    }
  }

  // Starts drawing the enclosed items into an offscreen target of the window's size.
  void push_group(const DisplayItem& item, OpenKind kind) {
    Open open{kind, push_kind_of(kind), &item, m_transform, true};
    const std::size_t level = m_group_depth;
    if (m_depth >= kMaxStack) {
      push_open_nothing(open.pushed_by);
      return;
    }
    if (m_r.group_targets.size() <= level || m_parents.size() <= level) {
      try {
        if (m_r.group_targets.size() <= level) {
          m_r.group_targets.resize(level + 1);
          m_r.group_brushes.resize(level + 1);
        }
        if (m_parents.size() <= level) m_parents.resize(level + 1);
      } catch (...) {
        push_group_fallback(open);
        return;
      }
    }
    Com<ID2D1BitmapRenderTarget>& target = m_r.group_targets[level];
    if (!target) {
      const D2D1_SIZE_F size{m_r.width / m_r.scale, m_r.height / m_r.scale};
      const D2D1_SIZE_U pixels{static_cast<UINT32>(m_r.width), static_cast<UINT32>(m_r.height)};
      const D2D1_PIXEL_FORMAT format{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
      if (FAILED(m_r.context->CreateCompatibleRenderTarget(
              &size, &pixels, &format, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, target.put())) ||
          FAILED(target->CreateSolidColorBrush(D2D1_COLOR_F{0, 0, 0, 1},
                                               m_r.group_brushes[level].put()))) {
        target.reset();
        // The levels every page may use must work; a deeper one falls back.
        if (level < kKeptGroupTargets) {
          m_failed = true;
        } else {
          push_group_fallback(open);
        }
        return;
      }
    }
    open.saved = m_transform;
    m_parents[level] = {m_rt, m_brush};
    m_rt = target.get();
    m_brush = m_r.group_brushes[level].get();
    ++m_group_depth;
    push_open(open);
    m_rt->BeginDraw();
    m_rt->SetTransform(identity());
    m_rt->Clear(D2D1_COLOR_F{0, 0, 0, 0});
    if (!m_plan.full) m_rt->PushAxisAlignedClip(damage_dips(), D2D1_ANTIALIAS_MODE_ALIASED);
    m_rt->SetTransform(&m_transform);
  }

  void pop(ItemKind pushed_by) {
    if (m_beyond > 0) {
      --m_beyond;
      return;
    }
    // A pop that does not close the innermost open push of its kind is ignored.
    if (m_depth == 0 || m_stack[m_depth - 1].pushed_by != pushed_by) return;
    close_top();
  }

  void close_top() {
    const Open open = m_stack[--m_depth];
    switch (open.kind) {
      case OpenKind::AxisClip:
        m_rt->PopAxisAlignedClip();
        return;
      case OpenKind::Transform:
        set_transform(open.saved);
        return;
      case OpenKind::Nothing:
        return;
      default:
        compose_group(open);
        return;
    }
  }

  void compose_group(const Open& open) {
    ID2D1BitmapRenderTarget* target = m_r.group_targets[m_group_depth - 1].get();
    if (!m_plan.full) {
      m_rt->SetTransform(identity());
      m_rt->PopAxisAlignedClip();
    }
    HRESULT hr = m_rt->EndDraw();
    --m_group_depth;
    m_rt = m_parents[m_group_depth].target;
    m_brush = m_parents[m_group_depth].brush;
    m_transform = open.saved;
    m_rt->SetTransform(&m_transform);
    if (FAILED(hr)) {
      m_failed = true;
      return;
    }
    Com<ID2D1Bitmap> content;
    if (FAILED(target->GetBitmap(content.put()))) return;
    const D2D1_RECT_F whole{0, 0, m_r.width / m_r.scale, m_r.height / m_r.scale};
    const DisplayItem& item = *open.item;
    if (open.kind == OpenKind::RoundedClip) {
      Com<ID2D1BitmapBrush> b;
      D2D1_MATRIX_3X2_F inverse;
      if (!invert(m_transform, inverse) || FAILED(m_rt->CreateBitmapBrush(content.get(), b.put())))
        return;
      b->SetInterpolationMode(D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
      b->SetTransform(&inverse);
      Com<ID2D1PathGeometry> shape = rounded_geometry(item.x, item.y, std::max(item.width, 0.f),
                                                      std::max(item.height, 0.f), item.radii);
      if (shape) m_rt->FillGeometry(shape.get(), b.get(), nullptr);
      return;
    }
    m_rt->SetTransform(identity());
    if (open.kind == OpenKind::Opacity) {
      m_rt->DrawBitmap(content.get(), whole, std::clamp(item.opacity, 0.f, 1.f),
                       D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
    } else if (!draw_filtered(content.get(), item)) {
      m_rt->DrawBitmap(content.get(), whole, 1, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                       nullptr);
    }
    m_rt->SetTransform(&m_transform);
  }

  // The filter chain of a list: effects in list order, the first drop-shadow as a shadow
  // effect drawn under the content. Null when effects cannot be used.
  struct Chain {
    Com<ID2D1Effect> first, last;
    Com<ID2D1Effect> shadow;  // fed by `last`, drawn offset under it
    float shadow_dx = 0, shadow_dy = 0;
  };

  static void release_chain(void* p) { delete static_cast<Chain*>(p); }

  Chain* chain_for(const css::Filter* filters, std::uint32_t count) {
    if (!effects_usable() || !filters || count == 0) return nullptr;
    if (void* cached = m_r.filters.find(filters, count)) return static_cast<Chain*>(cached);
    std::unique_ptr<Chain> chain(new (std::nothrow) Chain);
    if (!chain) return nullptr;
    ID2D1DeviceContext* dc = m_r.context.get();
    count = std::min(count, FilterChainCache::kMaxFilters);
    bool shadow_seen = false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const css::Filter& f = filters[i];
      Com<ID2D1Effect> effect;
      if (f.kind == css::FilterKind::Blur) {
        if (!(f.amount > 0) || FAILED(dc->CreateEffect(CLSID_D2D1GaussianBlur, effect.put())))
          continue;
        effect->SetValue(D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION, f.amount);
      } else if (f.kind == css::FilterKind::DropShadow) {
        if (shadow_seen || FAILED(dc->CreateEffect(CLSID_D2D1Shadow, chain->shadow.put())))
          continue;
        shadow_seen = true;
        chain->shadow->SetValue(D2D1_SHADOW_PROP_BLUR_STANDARD_DEVIATION,
                                std::max(f.blur, 0.f) / 2);
        const D2D1_COLOR_F c = to_color(f.color);
        chain->shadow->SetValue(D2D1_SHADOW_PROP_COLOR, D2D1_VECTOR_4F{c.r, c.g, c.b, c.a});
        chain->shadow_dx = f.offset_x;
        chain->shadow_dy = f.offset_y;
        continue;
      } else {
        if (FAILED(dc->CreateEffect(CLSID_D2D1ColorMatrix, effect.put()))) continue;
        const ColorMatrix cm = filter_color_matrix(f.kind, f.amount);
        D2D1_MATRIX_5X4_F m;
        std::memcpy(&m, cm.m, sizeof m);
        effect->SetValue(D2D1_COLORMATRIX_PROP_COLOR_MATRIX, m);
      }
      if (chain->first) {
        effect->SetInputEffect(0, chain->last.get());
      } else {
        effect->AddRef();
        chain->first.attach(effect.get());
      }
      chain->last = std::move(effect);
    }
    Chain* out = chain.release();
    m_r.filters.insert(filters, count, out);
    return out;
  }

  bool draw_filtered(ID2D1Bitmap* content, const DisplayItem& item) {
    Chain* chain = chain_for(item.filters, item.filter_count);
    if (!chain) return false;
    ID2D1DeviceContext* dc = m_r.context.get();
    Com<ID2D1DeviceContext> target_dc;
    // Groups nest in offscreen targets; effects draw through a device context.
    if (m_rt != dc) {
      if (FAILED(m_rt->QueryInterface(__uuidof(ID2D1DeviceContext),
                                      reinterpret_cast<void**>(target_dc.put())))) {
        return false;
      }
      dc = target_dc.get();
    }
    Com<ID2D1Image> output;
    if (chain->first) {
      chain->first->SetInput(0, content);
      chain->last->GetOutput(output.put());
    }
    ID2D1Image* image = output ? output.get() : static_cast<ID2D1Image*>(content);
    if (chain->shadow) {
      chain->shadow->SetInput(0, image);
      Com<ID2D1Image> shadow;
      chain->shadow->GetOutput(shadow.put());
      const D2D1_POINT_2F offset{chain->shadow_dx, chain->shadow_dy};
      dc->DrawImage(shadow.get(), &offset, nullptr, D2D1_INTERPOLATION_MODE_LINEAR,
                    D2D1_COMPOSITE_MODE_SOURCE_OVER);
    }
    dc->DrawImage(image, nullptr, nullptr, D2D1_INTERPOLATION_MODE_LINEAR,
                  D2D1_COMPOSITE_MODE_SOURCE_OVER);
    if (chain->first) chain->first->SetInput(0, nullptr);
    if (chain->shadow) chain->shadow->SetInput(0, nullptr);
    return true;
  }

  // Filters what is already drawn under the rectangle and draws it back in its place,
  // inside the item's rounded rectangle.
  void backdrop(const DisplayItem& item) {
    if (!effects_usable() || !item.filters || item.filter_count == 0) return;
    if (!chain_for(item.filters, item.filter_count)) return;
    Com<ID2D1Bitmap> copy;
    const D2D1_BITMAP_PROPERTIES props{{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
                                       96 * m_r.scale,
                                       96 * m_r.scale};
    const D2D1_SIZE_U size{static_cast<UINT32>(m_r.width), static_cast<UINT32>(m_r.height)};
    if (FAILED(m_r.context->CreateBitmap(size, nullptr, 0, &props, copy.put()))) return;
    // What was drawn so far must reach the target before it can be copied. Inside a
    // clip, opacity or filter group that is the group's own drawing so far (a translucent
    // or filtered group is the backdrop's root).
    if (m_group_depth == 0) {
      m_r.context->Flush(nullptr, nullptr);
      if (FAILED(copy->CopyFromBitmap(nullptr, m_r.target.get(), nullptr))) return;
    } else {
      ID2D1BitmapRenderTarget* group = m_r.group_targets[m_group_depth - 1].get();
      Com<ID2D1Bitmap> drawn;
      if (!group || FAILED(group->Flush(nullptr, nullptr)) ||
          FAILED(group->GetBitmap(drawn.put())) ||
          FAILED(copy->CopyFromBitmap(nullptr, drawn.get(), nullptr)))
        return;
    }
    m_backdrop = item;
    push_group(m_backdrop, OpenKind::RoundedClip);
    if (m_failed || m_group_depth == 0) return;
    m_rt->SetTransform(identity());
    draw_filtered(copy.get(), m_backdrop);
    m_rt->SetTransform(&m_transform);
    close_top();
  }

  struct Parent {
    ID2D1RenderTarget* target = nullptr;
    ID2D1SolidColorBrush* brush = nullptr;
  };

  Renderer& m_r;
  const AtomTable& m_atoms;
  const FramePlan& m_plan;
  ID2D1RenderTarget* m_rt = nullptr;
  ID2D1SolidColorBrush* m_brush = nullptr;
  D2D1_MATRIX_3X2_F m_transform{};
  Open m_stack[kMaxStack];
  std::size_t m_depth = 0;
  std::vector<Parent> m_parents;
  std::size_t m_group_depth = 0;
  std::uint32_t m_beyond = 0;  // pushes past the stack's end, all innermost
  DisplayItem m_backdrop{};
  bool m_failed = false;
};

}  // namespace

bool render(Renderer& r, const DisplayList& list, const AtomTable& atoms, std::uint32_t clear_color,
            const Rect* damage, const ItemBounds& bounds) noexcept {
  if (r.broken || !r.context) return false;
  if (!r.target && !create_target(r)) return false;
  FramePlan plan = r.history.plan(damage, r.scale, r.width, r.height, r.force_full);
  if (plan.nothing) return true;
  grow_plan_for_effects(plan, list, bounds, r.scale, r.width, r.height);

  ID2D1DeviceContext* dc = r.context.get();
  dc->BeginDraw();
  const D2D1_MATRIX_3X2_F id = identity();
  dc->SetTransform(&id);
  if (!plan.full) {
    const float s = r.scale;
    dc->PushAxisAlignedClip(D2D1_RECT_F{plan.rect.left / s, plan.rect.top / s, plan.rect.right / s,
                                        plan.rect.bottom / s},
                            D2D1_ANTIALIAS_MODE_ALIASED);
  }
  dc->Clear(to_color(clear_color | 0xFF000000u));
  bool drawn = true;
  try {
    std::unique_ptr<FrameDrawer> drawer(new FrameDrawer(r, atoms, plan));
    drawer->draw(list, bounds);
    drawn = !drawer->failed();
  } catch (...) {
    drawn = false;
  }
  if (r.group_targets.size() > kKeptGroupTargets) {
    r.group_targets.resize(kKeptGroupTargets);
    r.group_brushes.resize(kKeptGroupTargets);
  }
  dc->SetTransform(&id);
  if (!plan.full) dc->PopAxisAlignedClip();
  HRESULT hr = dc->EndDraw();
  if (g_inject_end_draw != S_OK) {
    hr = g_inject_end_draw;
    g_inject_end_draw = S_OK;
  }
  // Every failed EndDraw fails the frame (D2DERR_RECREATE_TARGET among them): the host
  // builds a new renderer, which also notices a removed device.
  if (FAILED(hr) || !drawn) {
    if (hr == kRecreateTarget) release_device();
    return false;
  }
  if (r.capture) capture_back_buffer(r);

  DXGI_PRESENT_PARAMETERS params{};
  RECT dirty{plan.rect.left, plan.rect.top, plan.rect.right, plan.rect.bottom};
  if (!plan.full) {
    params.DirtyRectsCount = 1;
    params.pDirtyRects = &dirty;
  }
  if (g_inject_present != S_OK) {
    hr = g_inject_present;
    g_inject_present = S_OK;
  } else {
    hr = r.swap_chain->Present1(0, 0, &params);
  }
  if (hr == DXGI_ERROR_DEVICE_REMOVED || hr == DXGI_ERROR_DEVICE_RESET) {
    release_device();
    return false;
  }
  if (FAILED(hr)) return false;
  r.occluded = hr == DXGI_STATUS_OCCLUDED;
  r.history.remember(plan.own);
  r.force_full = false;
  return true;
}

bool effects_usable() noexcept {
  static const bool usable = [] {
    // Wine's ntdll exports wine_get_version; its Direct2D effects draw nothing.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
  }();
  return usable;
}

}  // namespace orlan::render

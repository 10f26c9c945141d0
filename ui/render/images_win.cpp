// WIC behind raster images: the imaging factory, decoding the first frame of image bytes
// into premultiplied BGRA, and the image information function for image_set.

#include "images_win.h"
#include "graphics_win.h"
#include "image_registry.h"
#include "last_error.h"
#include "renderer.h"

namespace orlan::render {

bool ensure_wic() noexcept {
  Graphics& g = graphics();
  if (g.wic) return true;
  // S_FALSE (already initialised) and a different apartment both leave COM usable here.
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)init;
  HRESULT hr =
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                       __uuidof(IWICImagingFactory), reinterpret_cast<void**>(g.wic.put()));
  if (FAILED(hr)) {
    set_last_error("WICImagingFactory failed (0x%08lx)", static_cast<unsigned long>(hr));
    return false;
  }
  return true;
}

namespace {

HRESULT first_frame(const std::uint8_t* bytes, std::size_t length,
                    Com<IWICBitmapFrameDecode>& frame) {
  if (!bytes || length == 0 || length > 0xFFFFFFFFu) return E_INVALIDARG;
  if (!ensure_wic()) return E_FAIL;
  IWICImagingFactory* wic = graphics().wic.get();
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  HRESULT hr = wic->CreateStream(stream.put());
  if (SUCCEEDED(hr)) {
    hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(length));
  }
  if (SUCCEEDED(hr)) {
    hr = wic->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                      decoder.put());
  }
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.put());
  return hr;
}

}  // namespace

HRESULT decode_image(const std::uint8_t* bytes, std::size_t length,
                     Com<IWICBitmapSource>& out) noexcept {
  Com<IWICBitmapFrameDecode> frame;
  HRESULT hr = first_frame(bytes, length, frame);
  if (FAILED(hr)) return hr;
  Com<IWICFormatConverter> converter;
  hr = graphics().wic->CreateFormatConverter(converter.put());
  if (SUCCEEDED(hr)) {
    hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                               nullptr, 0, WICBitmapPaletteTypeCustom);
  }
  if (FAILED(hr)) return hr;
  // Decode now, while the bytes are known to be alive.
  Com<IWICBitmap> bitmap;
  hr = graphics().wic->CreateBitmapFromSource(converter.get(), WICBitmapCacheOnLoad, bitmap.put());
  if (FAILED(hr)) return hr;
  out.attach(bitmap.detach());
  return S_OK;
}

bool image_info(void* context, const std::uint8_t* bytes, std::size_t length, std::int32_t* width,
                std::int32_t* height) {
  if (image::header_image_info(context, bytes, length, width, height)) return true;
  Com<IWICBitmapFrameDecode> frame;
  UINT w = 0, h = 0;
  if (FAILED(first_frame(bytes, length, frame)) || FAILED(frame->GetSize(&w, &h)) || w == 0 ||
      h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) {
    return false;
  }
  *width = static_cast<std::int32_t>(w);
  *height = static_cast<std::int32_t>(h);
  return true;
}

}  // namespace orlan::render

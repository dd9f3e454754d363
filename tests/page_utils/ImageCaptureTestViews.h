// A document view for picture tests: it draws a known pattern through GDI
// into whatever DC it is given, and remembers how it was asked to draw.
#pragma once

#include <gif_lib.h>

#include <cstring>
#include <vector>

#include "platform/browser/ViewObject.h"
#include "platform/com/ComObject.h"

namespace capture_test {

// Vertical stripes of equal width in these colours (0x00BBGGRR), left to right.
inline const std::vector<COLORREF> kStripes = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 255, 255)};

class PatternView : public com::ComObject<IViewObject> {
  VORN_INTERFACE_TABLE_BEGIN(PatternView)
  VORN_ENTRY(IViewObject)
  VORN_INTERFACE_TABLE_END
 public:
  struct DrawCall {
    DWORD aspect = 0;
    LONG index = 0;
    bool aspectData = false, targetDevice = false, targetDc = false, drawDc = false, wbounds = false,
         callback = false;
    RECTL bounds{};
  };

  // gradient: a different colour in every pixel (far more than 256 colours) instead of stripes.
  explicit PatternView(HRESULT result = S_OK, bool gradient = false) : result_(result), gradient_(gradient) {}

  HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                 HDC hdcTargetDev, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                 BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR), ULONG_PTR) override {
    DrawCall call{dwDrawAspect, lindex, pvAspect != nullptr, ptd != nullptr, hdcTargetDev != nullptr,
                  hdcDraw != nullptr, lprcWBounds != nullptr, pfnContinue != nullptr, {}};
    if (lprcBounds) call.bounds = *lprcBounds;
    calls.push_back(call);
    if (!hdcDraw || !lprcBounds) return E_INVALIDARG;
    const LONG width = lprcBounds->right - lprcBounds->left, height = lprcBounds->bottom - lprcBounds->top;
    if (gradient_) {
      for (LONG y = 0; y < height; y += 2)
        for (LONG x = 0; x < width; x += 2) Paint(hdcDraw, x, y, x + 2, y + 2, RGB(x * 255 / width, y * 255 / height, (x + y) & 0xFF));
    } else {
      for (std::size_t i = 0; i < kStripes.size(); ++i) {
        const LONG left = static_cast<LONG>(width * static_cast<LONG>(i) / static_cast<LONG>(kStripes.size()));
        const LONG right = static_cast<LONG>(width * static_cast<LONG>(i + 1) / static_cast<LONG>(kStripes.size()));
        Paint(hdcDraw, left, 0, right, height, kStripes[i]);
      }
    }
    return result_;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

  std::vector<DrawCall> calls;

 private:
  static void Paint(HDC dc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
    HBRUSH brush = win::CreateSolidBrush(color);
    RECT r{left, top, right, bottom};
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);
  }

  HRESULT result_;
  bool gradient_;
};

// A GIF file image decoded (by the GIF library's reader) into 0x00RRGGBB pixels.
struct DecodedGif {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<std::uint32_t> palette;
  std::vector<std::uint32_t> pixels;
};

inline DecodedGif DecodeGif(const std::vector<std::uint8_t>& bytes) {
  struct Input {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at;
  } input{&bytes, 0};
  auto read = [](GifFileType* gif, GifByteType* out, int n) -> int {
    auto* in = static_cast<Input*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), in->bytes->size() - in->at);
    std::memcpy(out, in->bytes->data() + in->at, count);
    in->at += count;
    return static_cast<int>(count);
  };
  DecodedGif result;
  int error = 0;
  GifFileType* gif = DGifOpen(&input, read, &error);
  if (!gif) return result;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    if (map) {
      for (int i = 0; i < map->ColorCount; ++i)
        result.palette.push_back(static_cast<std::uint32_t>(map->Colors[i].Red) << 16 |
                                 static_cast<std::uint32_t>(map->Colors[i].Green) << 8 | map->Colors[i].Blue);
      const std::size_t n = static_cast<std::size_t>(image.ImageDesc.Width) * image.ImageDesc.Height;
      for (std::size_t i = 0; i < n; ++i) {
        const std::size_t index = image.RasterBits[i];
        result.pixels.push_back(index < result.palette.size() ? result.palette[index] : 0xFF000000u);
      }
      result.ok = image.ImageDesc.Width == gif->SWidth && image.ImageDesc.Height == gif->SHeight;
    }
  }
  DGifCloseFile(gif, &error);
  return result;
}

}  // namespace capture_test

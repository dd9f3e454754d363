// A 32-bit top-down DIB section selected into a memory DC, for the portable
// GDI's drawing tests: pixels read back as 0x00RRGGBB.
#pragma once

#include <cstdint>

#include "platform/win/Gdi.h"
#include "platform/win/GdiHandles.h"

namespace gdi_test {

class Canvas {
 public:
  Canvas(int width, int height, COLORREF background = 0xFFFFFF) : width_(width), height_(height) {
    BITMAPINFO info = win::TopDownDibInfo(width, height);
    dc_ = win::DcHandle(win::CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    bitmap_ = win::BitmapHandle(win::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    selected_.Select(dc_.Get(), bitmap_.Get());
    Clear(background);
  }

  HDC Dc() const { return dc_.Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Ready() const { return bits_ != nullptr; }
  std::uint32_t At(int x, int y) const { return bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFFu; }
  void Clear(COLORREF color) {
    const std::uint32_t rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
  }
  // How many pixels differ from `background` (0x00RRGGBB), and their bounds.
  struct Ink {
    int count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive bounds
    double cx = 0, cy = 0;                                         // centroid
  };
  Ink InkOn(std::uint32_t background) const {
    Ink ink;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        if (At(x, y) == background) continue;
        ++ink.count;
        ink.left = x < ink.left ? x : ink.left;
        ink.top = y < ink.top ? y : ink.top;
        ink.right = x > ink.right ? x : ink.right;
        ink.bottom = y > ink.bottom ? y : ink.bottom;
        ink.cx += x;
        ink.cy += y;
      }
    if (ink.count) {
      ink.cx /= ink.count;
      ink.cy /= ink.count;
    }
    return ink;
  }

 private:
  int width_;
  int height_;
  win::DcHandle dc_;
  win::BitmapHandle bitmap_;
  win::SelectedObject selected_;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace gdi_test

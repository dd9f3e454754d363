#include "platform/forms/TImage.h"

#include "platform/forms/TCanvas.h"

namespace forms {

void TImage::SetPicture(const TBitmap& value) {
  picture_ = value;
  AdjustSize();
}

RECT TImage::DestRect() const {
  if (stretch_) return RECT{0, 0, Width(), Height()};
  int left = 0, top = 0;
  if (center_) {
    left = (Width() - picture_.Width()) / 2;
    top = (Height() - picture_.Height()) / 2;
  }
  return RECT{left, top, left + picture_.Width(), top + picture_.Height()};
}

void TImage::Paint(TCanvas& canvas) {
  if (picture_.Empty()) return;
  const RECT dest = DestRect();
  if (stretch_) {
    canvas.StretchDraw(dest, picture_);
  } else if (transparent_ && picture_.PixelFormat() != pf32bit) {
    // A picture without alpha is see-through where it has its bottom-left pixel's colour.
    const std::uint32_t key = picture_.Pixel(0, picture_.Height() - 1);
    const TColor colour = static_cast<TColor>(((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF));
    canvas.DrawTransparent(dest.left, dest.top, picture_, colour);
  } else {
    canvas.Draw(dest.left, dest.top, picture_);
  }
}

bool TImage::AutoSizeExtent(int& width, int& height) const {
  if (picture_.Empty()) return false;
  width = picture_.Width();
  height = picture_.Height();
  return true;
}

}  // namespace forms

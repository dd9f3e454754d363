#include "platform/forms/TImage.h"

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

bool TImage::AutoSizeExtent(int& width, int& height) const {
  if (picture_.Empty()) return false;
  width = picture_.Width();
  height = picture_.Height();
  return true;
}

}  // namespace forms

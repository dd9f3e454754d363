#include "platform/forms/TShape.h"

#include <algorithm>

#include "platform/forms/TCanvas.h"

namespace forms {

// Every shape is drawn as its bounding rectangle, the squares as the largest
// square centred in the bounds: the forms use frames, nothing rounder.
void TShape::Paint(TCanvas& canvas) {
  RECT rect{0, 0, Width(), Height()};
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    const int side = std::min(Width(), Height());
    rect.left = (Width() - side) / 2;
    rect.top = (Height() - side) / 2;
    rect.right = rect.left + side;
    rect.bottom = rect.top + side;
  }
  canvas.Pen = pen_;
  canvas.Brush = brush_;
  canvas.Rectangle(rect);
}

}  // namespace forms

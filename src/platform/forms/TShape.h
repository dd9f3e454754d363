// A rectangle (or other simple shape) drawn with a pen and filled with a
// brush; hint windows use one as their frame.
#pragma once

#include "platform/forms/TGraphicControl.h"

namespace forms {

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 65); }

  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& value) { brush_ = value; }
  const TPen& Pen() const { return pen_; }
  void SetPen(const TPen& value) { pen_ = value; }
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType value) { shape_ = value; }

  void Paint(TCanvas& canvas) override;

 private:
  TBrush brush_;
  TPen pen_;
  TShapeType shape_ = stRectangle;
};

}  // namespace forms

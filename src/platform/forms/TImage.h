// A picture drawn on the parent. With AutoSize the control takes the picture's
// size (an empty picture asks for nothing); Center and Stretch say how a
// picture of another size is drawn in the control's bounds.
#pragma once

#include "platform/forms/TBitmap.h"
#include "platform/forms/TGraphicControl.h"

namespace forms {

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

  const TBitmap& Picture() const { return picture_; }
  void SetPicture(const TBitmap& value);

  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

  // Where the picture lands in the control's client area under Center/Stretch.
  RECT DestRect() const;

  void Paint(TCanvas& canvas) override;

 protected:
  bool AutoSizeExtent(int& width, int& height) const override;

 private:
  TBitmap picture_;
  bool center_ = false;
  bool stretch_ = false;
  bool transparent_ = false;
};

}  // namespace forms

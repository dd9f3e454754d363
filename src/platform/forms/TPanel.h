// A container with bevels and an optional caption. Aligned children are
// arranged inside BorderWidth plus the width of each bevel that is not bvNone
// (BevelWidth pixels each), so a panel with both bevels raised, BevelWidth 1
// and BorderWidth 3 keeps a 5-pixel margin. AutoSize makes it enclose its
// visible children (TWinControl).
#pragma once

#include "platform/forms/TLabel.h"
#include "platform/forms/TWinControl.h"

namespace forms {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }

 protected:
  void CreateParams(TCreateParams& params) const override;
  void AdjustClientRect(RECT& rect) const override;
  void PaintWindow(TCanvas& canvas) override;

 private:
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TAlignment alignment_ = taCenter;
};

}  // namespace forms

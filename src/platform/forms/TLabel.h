// A caption drawn on its parent. AutoSize (on by default) sizes the label to
// its caption in the label's font (Graphics.h metrics; accelerator '&'s are
// not shown and take no room, see StripAccelChars).
#pragma once

#include "platform/forms/TGraphicControl.h"

namespace forms {

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);

  // The text as drawn.
  std::wstring ShownText() const;

  void Paint(TCanvas& canvas) override;

 protected:
  bool AutoSizeExtent(int& width, int& height) const override;

 private:
  bool transparent_ = false;
  bool showAccelChar_ = true;
  TAlignment alignment_ = taLeftJustify;
};

}  // namespace forms

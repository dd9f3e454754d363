// A static text in a window of its own, optionally framed: sbsSingle gives the
// window a one-pixel border (WS_BORDER), sbsSunken a one-pixel sunken edge
// (WS_EX_STATICEDGE). AutoSize (on by default) sizes the window to its caption
// (Graphics.h metrics, accelerators stripped) plus the frame.
#pragma once

#include "platform/forms/TLabel.h"
#include "platform/forms/TWinControl.h"

namespace forms {

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TComponent* owner);

  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  std::wstring ShownText() const { return showAccelChar_ ? StripAccelChars(Caption()) : Caption(); }

 protected:
  void CreateParams(TCreateParams& params) const override;
  bool AutoSizeExtent(int& width, int& height) const override;
  void PaintWindow(TCanvas& canvas) override;

 private:
  TStaticBorderStyle borderStyle_ = sbsNone;
  TAlignment alignment_ = taLeftJustify;
  bool showAccelChar_ = true;
};

}  // namespace forms

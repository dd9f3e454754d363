// A static text in a window of its own, optionally framed: sbsSingle gives the
// window a one-pixel border (WS_BORDER), sbsSunken a one-pixel sunken edge
// (WS_EX_STATICEDGE). AutoSize (on by default) sizes the window to its caption
// (Graphics.h metrics, accelerators stripped) plus the frame.
//
// The text is drawn in the control's font colour on its Color. On Windows
// the window is the system's static control (SystemControls.h), which asks
// its parent for those colours (WM_CTLCOLORSTATIC, answered here); the
// portable build draws the same itself. Clicks and mouse moves reach the
// control's events on both.
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
  void SetAlignment(TAlignment value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  std::wstring ShownText() const { return showAccelChar_ ? StripAccelChars(Caption()) : Caption(); }

 protected:
  void CreateParams(TCreateParams& params) const override;
  bool AutoSizeExtent(int& width, int& height) const override;
  void PaintWindow(TCanvas& canvas) override;
  void WndProc(TMessage& message) override;

 private:
  // A new window takes a style that the system's control reads only when made.
  void RecreateWindow();

  win::GdiObjectHandle<HBRUSH> background_;
  TColor backgroundColor_ = clNone;
  TStaticBorderStyle borderStyle_ = sbsNone;
  TAlignment alignment_ = taLeftJustify;
  bool showAccelChar_ = true;
};

}  // namespace forms

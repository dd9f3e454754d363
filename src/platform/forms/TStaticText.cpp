#include "platform/forms/TStaticText.h"

#include "platform/forms/TCanvas.h"

namespace forms {

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TStaticText::SetBorderStyle(TStaticBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  // The frame is part of the window's style: a new window carries it.
  if (HandleAllocated()) {
    DestroyHandle();
    if (Parent() && Parent()->HandleAllocated()) HandleNeeded();
  }
  AdjustSize();
}

void TStaticText::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  AdjustSize();
}

void TStaticText::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornStaticText";
  if (borderStyle_ == sbsSingle) params.Style |= WS_BORDER;
  if (borderStyle_ == sbsSunken) params.ExStyle |= WS_EX_STATICEDGE;
}

void TStaticText::PaintWindow(TCanvas& canvas) {
  const RECT area{0, 0, ClientWidth(), ClientHeight()};
  canvas.Brush.Color = Color();
  canvas.FillRect(area);
  canvas.Brush.Style = bsClear;
  if (!Enabled()) canvas.Font.Color = clGrayText;
  canvas.TextAligned(area, ShownText(), alignment_, false);
}

bool TStaticText::AutoSizeExtent(int& width, int& height) const {
  const TTextSize text = TextExtent(Font(), ShownText());
  const RECT frame = NonClientInsets();
  width = text.cx + frame.left + frame.right;
  height = text.cy + frame.top + frame.bottom;
  return true;
}

}  // namespace forms

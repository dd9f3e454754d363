#include "platform/forms/TPanel.h"

#include <algorithm>

#include "platform/forms/TCanvas.h"

namespace forms {

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelInner(TBevelCut value) {
  if (value == bevelInner_) return;
  bevelInner_ = value;
  Realign();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (value == bevelOuter_) return;
  bevelOuter_ = value;
  Realign();
}

void TPanel::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == bevelWidth_) return;
  bevelWidth_ = value;
  Realign();
}

void TPanel::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornPanel";
  params.Style |= WS_CLIPCHILDREN;
}

namespace {

void Bevel(TCanvas& canvas, RECT& rect, TBevelCut cut, int width) {
  if (cut == bvRaised) canvas.Frame3D(rect, clBtnHighlight, clBtnShadow, width);
  if (cut == bvLowered) canvas.Frame3D(rect, clBtnShadow, clBtnHighlight, width);
  if (cut == bvSpace) rect = RECT{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
}

}  // namespace

void TPanel::PaintWindow(TCanvas& canvas) {
  RECT rect{0, 0, ClientWidth(), ClientHeight()};
  canvas.Brush.Color = Color();
  canvas.FillRect(rect);
  Bevel(canvas, rect, bevelOuter_, bevelWidth_);
  Bevel(canvas, rect, bevelInner_, bevelWidth_);
  if (Caption().empty()) return;
  canvas.Brush.Style = bsClear;
  canvas.TextAligned(rect, StripAccelChars(Caption()), alignment_, true);
}

void TPanel::AdjustClientRect(RECT& rect) const {
  TWinControl::AdjustClientRect(rect);
  const int bevels = (bevelInner_ != bvNone ? bevelWidth_ : 0) + (bevelOuter_ != bvNone ? bevelWidth_ : 0);
  rect.left += bevels;
  rect.top += bevels;
  rect.right -= bevels;
  rect.bottom -= bevels;
}

}  // namespace forms

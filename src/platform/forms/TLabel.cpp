#include "platform/forms/TLabel.h"

#include "platform/forms/TCanvas.h"

namespace forms {

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  AdjustSize();
}

std::wstring TLabel::ShownText() const { return showAccelChar_ ? StripAccelChars(Caption()) : Caption(); }

void TLabel::Paint(TCanvas& canvas) {
  const RECT area{0, 0, Width(), Height()};
  if (!transparent_) {
    canvas.Brush.Color = Color();
    canvas.FillRect(area);
  }
  canvas.Brush.Style = bsClear;
  if (!Enabled()) canvas.Font.Color = clGrayText;
  canvas.TextAligned(area, ShownText(), alignment_, false);
}

bool TLabel::AutoSizeExtent(int& width, int& height) const {
  const TTextSize size = TextExtent(Font(), ShownText());
  width = size.cx;
  height = size.cy;
  return true;
}

}  // namespace forms

#include "platform/forms/TStaticText.h"

#include "platform/forms/SystemControls.h"
#include "platform/forms/TCanvas.h"
#include "platform/win/Gdi.h"

namespace forms {

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TStaticText::SetBorderStyle(TStaticBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWindow();
  AdjustSize();
}

void TStaticText::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  if (SystemControl())
    RecreateWindow();
  else
    Invalidate();
}

void TStaticText::RecreateWindow() {
  if (!HandleAllocated()) return;
  DestroyHandle();
  if (Parent() && Parent()->HandleAllocated()) HandleNeeded();
}

void TStaticText::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  if (SystemControl()) RecreateWindow();
  AdjustSize();
}

void TStaticText::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornStaticText";
  if (borderStyle_ == sbsSingle) params.Style |= WS_BORDER;
  if (borderStyle_ == sbsSunken) params.ExStyle |= WS_EX_STATICEDGE;
  detail::StaticTextCreateParams(*this, params);
}

void TStaticText::WndProc(TMessage& message) {
  if (message.Msg != CN_CTLCOLORSTATIC) {
    TWinControl::WndProc(message);
    return;
  }
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  const TColor text = Enabled() ? Font().Color : clGrayText;
  win::SetTextColor(dc, TCanvas::ToColorRef(text));
  win::SetBkColor(dc, TCanvas::ToColorRef(Color()));
  if (!background_ || backgroundColor_ != Color()) {
    background_ = win::GdiObjectHandle<HBRUSH>(win::CreateSolidBrush(TCanvas::ToColorRef(Color())));
    backgroundColor_ = Color();
  }
  message.Result = reinterpret_cast<LRESULT>(background_.Get());
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

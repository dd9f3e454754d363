#include "platform/forms/TCanvas.h"

#include <algorithm>

namespace forms {

std::uint32_t TCanvas::Resolve(TColor color) {
  switch (color) {
    case clWindow: return TBitmap::FromColor(clWhite);
    case clWindowText:
    case clBtnText:
    case clInfoText:
    case clWindowFrame: return TBitmap::FromColor(clBlack);
    case clBtnFace: return TBitmap::FromColor(0xF0F0F0);
    case clHighlight: return TBitmap::FromColor(0xD77800);
    case clHighlightText: return TBitmap::FromColor(clWhite);
    case clInfoBk: return TBitmap::FromColor(0xE1FFFF);
    default: return TBitmap::FromColor(color);
  }
}

void TCanvas::FillRect(const RECT& rect) {
  if (Brush.Style == bsClear) return;
  target_.FillRect(rect.left, rect.top, rect.right, rect.bottom, Resolve(Brush.Color));
}

void TCanvas::FrameRect(const RECT& rect) {
  const std::uint32_t c = Resolve(Brush.Color);
  target_.FillRect(rect.left, rect.top, rect.right, rect.top + 1, c);
  target_.FillRect(rect.left, rect.bottom - 1, rect.right, rect.bottom, c);
  target_.FillRect(rect.left, rect.top, rect.left + 1, rect.bottom, c);
  target_.FillRect(rect.right - 1, rect.top, rect.right, rect.bottom, c);
}

void TCanvas::Rectangle(const RECT& rect) {
  const int w = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
  if (Brush.Style != bsClear)
    target_.FillRect(rect.left + w, rect.top + w, rect.right - w, rect.bottom - w, Resolve(Brush.Color));
  if (w == 0) return;
  const std::uint32_t c = Resolve(Pen.Color);
  target_.FillRect(rect.left, rect.top, rect.right, rect.top + w, c);
  target_.FillRect(rect.left, rect.bottom - w, rect.right, rect.bottom, c);
  target_.FillRect(rect.left, rect.top, rect.left + w, rect.bottom, c);
  target_.FillRect(rect.right - w, rect.top, rect.right, rect.bottom, c);
}

void TCanvas::Draw(int x, int y, const TBitmap& picture) {
  for (int py = 0; py < picture.Height(); ++py)
    for (int px = 0; px < picture.Width(); ++px) {
      const int tx = x + px, ty = y + py;
      if (tx >= 0 && ty >= 0 && tx < target_.Width() && ty < target_.Height())
        target_.SetPixel(tx, ty, picture.Pixel(px, py));
    }
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  lastText_ = text;
  lastTextAt_ = POINT{x, y};
}

}  // namespace forms

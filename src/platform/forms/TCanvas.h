// Drawing on a TBitmap with a brush, a pen and a font: what owner-drawn menu
// items and pictures made at run time need. System colours are resolved to
// the standard Windows defaults (clWindow white, clWindowText black, ...).
// Text is not rendered into pixels; TextOut records the last text and its
// place so that callers can be checked (the real drawing is the peer's job).
#pragma once

#include <string>

#include "platform/forms/Graphics.h"
#include "platform/forms/TBitmap.h"
#include "platform/win/WindowTypes.h"

namespace forms {

class TCanvas {
 public:
  explicit TCanvas(TBitmap& target) : target_(target) {}

  TBrush Brush;
  TPen Pen;
  TFont Font;

  TBitmap& Target() const { return target_; }

  // Fills with the brush (nothing for bsClear).
  void FillRect(const RECT& rect);
  // A one-pixel frame in the brush colour (as GDI's FrameRect).
  void FrameRect(const RECT& rect);
  // Outline with the pen, inside filled with the brush.
  void Rectangle(const RECT& rect);
  // Copies the picture with its top-left corner at (x, y), clipped.
  void Draw(int x, int y, const TBitmap& picture);
  void TextOut(int x, int y, const std::wstring& text);
  TTextSize TextExtent(const std::wstring& text) const { return forms::TextExtent(Font, text); }

  const std::wstring& LastText() const { return lastText_; }
  POINT LastTextAt() const { return lastTextAt_; }

  // 0xFFRRGGBB for a colour, system colours resolved to their defaults.
  static std::uint32_t Resolve(TColor color);

 private:
  TBitmap& target_;
  std::wstring lastText_;
  POINT lastTextAt_{0, 0};
};

}  // namespace forms

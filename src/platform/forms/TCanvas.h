// Drawing with a brush, a pen and a font, through GDI, on both builds.
//
// Over a device context (TCanvas(HDC)): the caller owns the DC (a WM_PAINT's,
// an owner-drawn menu item's, a TBitmapDC's). For every call the canvas makes
// and selects the font, pen and brush that call needs and puts back what the
// DC held, so between calls the DC is exactly as the caller left it, and a
// canvas can be made and dropped around any DC at no cost.
//
// Over a bitmap (TCanvas(TBitmap&)): every call lends the bitmap to GDI
// (TBitmapDC) and takes the pixels back, so the bitmap is up to date after
// each call. That copies the picture per call: meant for the small pictures
// that are painted in code (menu items, ratings), not for a window's surface.
//
// Colours are TColor values; system colours are resolved through GetSysColor.
// Text is drawn in Font's colour. As in the toolkit's forms, text has an
// opaque background in the brush colour unless the brush is bsClear.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/Graphics.h"
#include "platform/forms/TBitmap.h"
#include "platform/win/Gdi.h"
#include "platform/win/System.h"

namespace forms {

class TCanvas {
 public:
  explicit TCanvas(HDC dc) : dc_(dc) {}
  explicit TCanvas(TBitmap& target) : target_(&target) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBrush Brush;
  TPen Pen;
  TFont Font;

  // The DC drawn into; null for a canvas over a bitmap.
  HDC Handle() const { return dc_; }
  // The bitmap drawn into; null for a canvas over a DC.
  TBitmap* Target() const { return target_; }

  // Fills with the brush (nothing for bsClear).
  void FillRect(const RECT& rect);
  // A one-pixel frame in the brush colour (as GDI's FrameRect).
  void FrameRect(const RECT& rect);
  // Outline with the pen, inside filled with the brush (either may be clear).
  void Rectangle(const RECT& rect);
  // A filled polygon: outline with the pen, inside with the brush.
  void Polygon(const POINT* points, int count);
  // A line from one point up to (not including) the other, with the pen.
  void Line(POINT from, POINT to);
  // A raised or sunken edge: `width` rings of one-pixel lines, top and left in
  // one colour, bottom and right in the other; the rectangle shrinks to what
  // is inside them.
  void Frame3D(RECT& rect, TColor topLeft, TColor bottomRight, int width);

  // Copies the picture with its top-left corner at (x, y). A pf32bit picture
  // is blended by its alpha (its pixels are straight, not premultiplied).
  void Draw(int x, int y, const TBitmap& picture);
  // Scales the picture into the rectangle.
  void StretchDraw(const RECT& rect, const TBitmap& picture);
  // Copies the picture leaving out the pixels of one colour.
  void DrawTransparent(int x, int y, const TBitmap& picture, TColor transparent);

  // Text with its top-left corner at (x, y).
  void TextOut(int x, int y, const std::wstring& text);
  // Text at (x, y), cut to the rectangle.
  void TextRect(const RECT& rect, int x, int y, const std::wstring& text);
  // One line of text centred in the rectangle both ways, cut to it.
  void TextCentred(const RECT& rect, const std::wstring& text);
  // Lines of text ("\r\n", "\n" or "\r" between them) placed in the
  // rectangle by the alignment, from its top or centred as a block, cut to it.
  void TextAligned(const RECT& rect, const std::wstring& text, TAlignment alignment, bool centreVertically);
  // Measured with Font in the canvas's DC (the screen's for a bitmap).
  TTextSize TextExtent(const std::wstring& text) const;
  int TextWidth(const std::wstring& text) const { return TextExtent(text).cx; }
  int TextHeight(const std::wstring& text) const { return TextExtent(text).cy; }

  // 0xFFRRGGBB for a colour, system colours resolved.
  static std::uint32_t Resolve(TColor color);
  // 0x00BBGGRR for GDI, system colours resolved.
  static COLORREF ToColorRef(TColor color);

 private:
  template <class Body>
  void Paint(Body&& body);
  // Draws with the pen selected for the outline and the brush for the inside.
  template <class Shape>
  void OutlineAndFill(Shape&& shape);

  HDC dc_ = nullptr;
  TBitmap* target_ = nullptr;
};

}  // namespace forms

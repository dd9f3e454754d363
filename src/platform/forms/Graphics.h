// Colours, fonts, brushes and pens as logical values, and the text metrics the
// toolkit sizes controls by.
//
// Colours: 0x00BBGGRR values, or system colours (0xFF000000 | COLOR_* index)
// that are resolved when drawn.
//
// Text metrics come from the font GDI makes of a TFont (MakeFont), on both
// builds, so that a control sized to its text is as large as the text drawn
// in it. Lines are broken at "\n" ("\r\n" counts as one break); a text is as
// wide as its longest line and as high as its number of lines times the
// font's cell height (an empty text has one line). Should GDI make no font
// (no font file on a portable system), a fixed metric stands in: a font of
// height h (|Height|, 0 counting as 11) is h + 2 high and (5h + 5) / 11 wide
// per character, so layouts still get sizes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/GdiHandles.h"

namespace forms {

using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clScrollBar = static_cast<TColor>(0xFF000000u);
constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
constexpr TColor clWindowFrame = static_cast<TColor>(0xFF000006u);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
constexpr TColor clHighlight = static_cast<TColor>(0xFF00000Du);
constexpr TColor clHighlightText = static_cast<TColor>(0xFF00000Eu);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);
constexpr TColor clBtnShadow = static_cast<TColor>(0xFF000010u);
constexpr TColor clGrayText = static_cast<TColor>(0xFF000011u);
constexpr TColor clBtnText = static_cast<TColor>(0xFF000012u);
constexpr TColor clBtnHighlight = static_cast<TColor>(0xFF000014u);
constexpr TColor cl3DDkShadow = static_cast<TColor>(0xFF000015u);
constexpr TColor clInfoText = static_cast<TColor>(0xFF000017u);
constexpr TColor clInfoBk = static_cast<TColor>(0xFF000018u);
constexpr TColor clNone = 0x1FFFFFFF;
// "Whatever the component's own default is" (in layouts: leave the colour alone).
constexpr TColor clDefault = 0x20000000;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
  std::wstring Name = L"MS Sans Serif";
  int Height = -11;  // negative: character height in pixels, as a LOGFONT height
  TColor Color = clWindowText;
  unsigned Style = 0;  // TFontStyle bits

  bool operator==(const TFont&) const = default;
};

enum TBrushStyle { bsSolid, bsClear };
struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  bool operator==(const TBrush&) const = default;
};

enum TPenStyle { psSolid, psClear };
struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  bool operator==(const TPen&) const = default;
};

struct TTextSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TTextSize&) const = default;
};

// The lines of a text: "\n", "\r" and "\r\n" each end one (an empty text is one empty line).
std::vector<std::wstring_view> TextLines(std::wstring_view text);

// A GDI font for the TFont: face, height, weight, italic, underline and
// strike-out; null when GDI refuses.
win::GdiObjectHandle<HFONT> MakeFont(const TFont& font);

// The extent described above, measured in the given DC or in a memory DC.
TTextSize TextExtentIn(HDC dc, const TFont& font, std::wstring_view text);
TTextSize TextExtent(const TFont& font, std::wstring_view text);
// The font's cell height (one line of text).
int FontLineHeight(const TFont& font);

// A caption as shown: "&x" shows "x" (x is the accelerator), "&&" shows "&".
std::wstring StripAccelChars(std::wstring_view caption);

}  // namespace forms

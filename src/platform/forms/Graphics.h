// Colours, fonts, brushes and pens as logical values, and the text metrics the
// toolkit sizes controls by.
//
// Colours: 0x00BBGGRR values, or system colours (0xFF000000 | COLOR_* index)
// that are resolved when drawn.
//
// Text metrics (the same on both builds, so that auto-size and geometry are
// testable): a font of height h (the absolute value of TFont::Height; 0 counts
// as 11) has a line height of h + 2 pixels and every character is
// (5 * h + 5) / 11 pixels wide; "MS Sans Serif" at -11 therefore gives 5 x 13
// per character. Lines are broken at "\n" ("\r\n" counts as one break); a text
// is as wide as its longest line and as high as its number of lines (an empty
// text has one line).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
constexpr TColor clBtnText = static_cast<TColor>(0xFF000012u);
constexpr TColor clInfoText = static_cast<TColor>(0xFF000017u);
constexpr TColor clInfoBk = static_cast<TColor>(0xFF000018u);
constexpr TColor clNone = 0x1FFFFFFF;
// "Whatever the component's own default is" (in layouts: leave the colour alone).
constexpr TColor clDefault = 0x20000000;

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

// The metrics described above.
int FontLineHeight(const TFont& font);
int FontCharWidth(const TFont& font);
TTextSize TextExtent(const TFont& font, std::wstring_view text);

// A caption as shown: "&x" shows "x" (x is the accelerator), "&&" shows "&".
std::wstring StripAccelChars(std::wstring_view caption);

}  // namespace forms

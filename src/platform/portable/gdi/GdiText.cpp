// Text in the portable GDI: fonts, measuring and drawing with FreeType into
// the DC's target, and DrawTextW's lines, prefixes and ellipses.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/portable/gdi/GdiFonts.h"
#include "platform/portable/gdi/GdiTable.h"

namespace win::portable::gdi {

namespace {

const LOGFONTW& LogFontOf(Table& t, const Dc& dc) {
  static const LOGFONTW kNone{};
  const Font* f = t.FindFont(dc.font);
  return f ? f->logFont : kNone;
}

// The DC's font: its face (null without font files) and metrics.
struct TextFont {
  SizedFace* face = nullptr;
  FontMetrics metrics;
  LOGFONTW logFont{};
};

TextFont FontOf(Table& t, const Dc& dc) {
  TextFont f;
  f.logFont = LogFontOf(t, dc);
  f.face = FaceFor(f.logFont);
  f.metrics = f.face ? f.face->Metrics() : FallbackMetrics(f.logFont);
  return f;
}

int Advance(TextFont& f, wchar_t c) {
  return f.face ? f.face->Advance(static_cast<char32_t>(c)) : f.metrics.aveCharWidth;
}

int Width(TextFont& f, const wchar_t* s, int n) {
  int w = 0;
  for (int i = 0; i < n; ++i) w += Advance(f, s[i]);
  return w;
}

std::uint32_t Blend(std::uint32_t under, std::uint32_t over, unsigned alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
    out |= ((a * (255 - alpha) + b * alpha + 127) / 255) << shift;
  }
  return out;
}

// Draws one line of text with its cell's top-left corner at logical (x, y),
// the glyphs limited to `clip` (bitmap pixels); `underlineAt` >= 0 underlines
// that one character (a prefix). Background boxes are the caller's.
void DrawLine(const Target& target, const Rect& clip, TextFont& f, const wchar_t* s, int n, const INT* dx, int x,
              int y, std::uint32_t color, int underlineAt) {
  Bitmap& b = *target.bitmap;
  const FontMetrics& m = f.metrics;
  const int baseline = y + target.dy + m.ascent;
  int pen = x + target.dx;
  int underlineFrom = 0, underlineTo = 0;
  for (int i = 0; i < n; ++i) {
    const int advance = dx ? dx[i] : Advance(f, s[i]);
    if (i == underlineAt) {
      underlineFrom = pen;
      underlineTo = pen + advance;
    }
    Glyph g;
    if (f.face->Render(static_cast<char32_t>(s[i]), g)) {
      for (int row = 0; row < g.rows; ++row) {
        const int py = baseline - g.top + row;
        if (py < clip.top || py >= clip.bottom) continue;
        const std::uint8_t* line = g.buffer + static_cast<std::ptrdiff_t>(row) * g.pitch;
        for (int col = 0; col < g.width; ++col) {
          const int px = pen + g.left + col;
          if (px < clip.left || px >= clip.right) continue;
          const unsigned alpha = g.mono ? ((line[col >> 3] >> (7 - (col & 7))) & 1u) * 255u : line[col];
          if (alpha == 0) continue;
          WritePixel(b, px, py, alpha == 255 ? color : Blend(ReadPixel(b, px, py), color, alpha));
        }
      }
    }
    pen += advance;
  }
  const int left = x + target.dx;
  auto bar = [&](int top, int thickness, int from, int to) {
    const Rect r = Rect{from, y + target.dy + top, to, y + target.dy + top + thickness}.Intersect(clip);
    if (!r.Empty()) Fill(b, r, color);
  };
  if (f.logFont.lfUnderline) bar(m.underlineTop, m.underlineThickness, left, pen);
  if (f.logFont.lfStrikeOut) bar(m.strikeTop, m.strikeThickness, left, pen);
  if (underlineAt >= 0 && underlineTo > underlineFrom) bar(m.underlineTop, 1, underlineFrom, underlineTo);
}

Rect Device(const Target& target, const RECT& r) {
  return Rect{r.left + target.dx, r.top + target.dy, r.right + target.dx, r.bottom + target.dy};
}

// The locked part of ExtTextOutW and DrawTextW's lines.
BOOL PutText(Table& t, Dc& dc, int x, int y, UINT options, const RECT* lprc, const wchar_t* s, int n,
             const INT* dx, int underlineAt) {
  Target target;
  if (!t.Resolve(dc, target)) return FALSE;
  TextFont f = FontOf(t, dc);
  if (!target.bitmap) return f.face ? TRUE : FALSE;
  Rect clip = target.clip;
  if (lprc && (options & ETO_OPAQUE)) {
    const Rect box = Device(target, *lprc).Intersect(target.clip);
    if (!box.Empty()) Fill(*target.bitmap, box, ToRgb(dc.bkColor));
  }
  if (lprc && (options & ETO_CLIPPED)) clip = clip.Intersect(Device(target, *lprc));
  if (!f.face) return FALSE;
  int width = 0;
  for (int i = 0; i < n; ++i) width += dx ? dx[i] : Advance(f, s[i]);
  const UINT horizontal = dc.textAlign & TA_CENTER;
  if (horizontal == TA_CENTER)
    x -= width / 2;
  else if (horizontal == TA_RIGHT)
    x -= width;
  const UINT vertical = dc.textAlign & TA_BASELINE;
  if (vertical == TA_BASELINE)
    y -= f.metrics.ascent;
  else if (vertical == TA_BOTTOM)
    y -= f.metrics.height;
  if (dc.bkMode == OPAQUE && !(lprc && (options & ETO_OPAQUE))) {
    const Rect box = Device(target, RECT{x, y, x + width, y + f.metrics.height}).Intersect(clip);
    if (!box.Empty()) Fill(*target.bitmap, box, ToRgb(dc.bkColor));
  }
  DrawLine(target, clip, f, s, n, dx, x, y, ToRgb(dc.textColor), underlineAt);
  return TRUE;
}

// One line of DrawTextW after its prefixes are taken out.
struct Line {
  std::wstring text;
  int underlineAt = -1;
};

Line StripPrefixes(const wchar_t* s, int n, UINT format) {
  Line line;
  if (format & DT_NOPREFIX) {
    line.text.assign(s, static_cast<std::size_t>(n));
    return line;
  }
  for (int i = 0; i < n; ++i) {
    if (s[i] == L'&' && i + 1 < n) {
      ++i;
      if (s[i] != L'&' && !(format & DT_HIDEPREFIX)) line.underlineAt = static_cast<int>(line.text.size());
    } else if (s[i] == L'&') {
      continue;  // a lone '&' at the end shows nothing
    }
    line.text.push_back(s[i]);
  }
  return line;
}

// Shortens a line that is wider than `limit` to what fits followed by "...".
void Ellipsize(TextFont& f, Line& line, int limit) {
  if (Width(f, line.text.data(), static_cast<int>(line.text.size())) <= limit) return;
  const std::wstring dots = L"...";
  const int dotsWidth = Width(f, dots.data(), 3);
  std::size_t keep = line.text.size();
  while (keep > 0 && Width(f, line.text.data(), static_cast<int>(keep)) + dotsWidth > limit) --keep;
  line.text = line.text.substr(0, keep) + dots;
  if (line.underlineAt >= static_cast<int>(keep)) line.underlineAt = -1;
}

}  // namespace

}  // namespace win::portable::gdi

namespace win {

using portable::gdi::Dc;
using portable::gdi::Table;

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
  if (!lplf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  auto font = std::make_unique<portable::gdi::Font>();
  font->logFont = *lplf;
  font->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
  return t.AddFont(std::move(font));
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc || !lptm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const portable::gdi::TextFont f = portable::gdi::FontOf(t, *dc);
  const portable::gdi::FontMetrics& m = f.metrics;
  *lptm = TEXTMETRICW{};
  lptm->tmHeight = m.height;
  lptm->tmAscent = m.ascent;
  lptm->tmDescent = m.descent;
  lptm->tmInternalLeading = m.internalLeading;
  lptm->tmAveCharWidth = m.aveCharWidth;
  lptm->tmMaxCharWidth = m.maxCharWidth;
  lptm->tmWeight = f.logFont.lfWeight ? f.logFont.lfWeight : FW_NORMAL;
  lptm->tmDigitizedAspectX = 96;
  lptm->tmDigitizedAspectY = 96;
  lptm->tmFirstChar = 0x20;
  lptm->tmLastChar = 0xFFFC;
  lptm->tmDefaultChar = 0x1F;
  lptm->tmBreakChar = 0x20;
  lptm->tmItalic = f.logFont.lfItalic ? 1 : 0;
  lptm->tmUnderlined = f.logFont.lfUnderline ? 1 : 0;
  lptm->tmStruckOut = f.logFont.lfStrikeOut ? 1 : 0;
  // TMPF_FIXED_PITCH (1) is set for variable-pitch fonts, as GDI does; TrueType and vector bits.
  lptm->tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? FF_MODERN : FF_SWISS | 1) | 0x06);
  lptm->tmCharSet = ANSI_CHARSET;
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  portable::gdi::TextFont f = portable::gdi::FontOf(t, *dc);
  psizl->cx = portable::gdi::Width(f, lpString, c);
  psizl->cy = f.metrics.height;
  return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                 const INT* lpDx) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc || (c > 0 && !lpString) || c > 0x7FFFFFFFu) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return portable::gdi::PutText(t, *dc, x, y, options, lprc, lpString, static_cast<int>(c), lpDx, -1);
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
  if (c < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtTextOutW(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c), nullptr);
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc || !lprc || (!lpchText && cchText != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cchText < 0) cchText = lpchText ? static_cast<int>(std::wcslen(lpchText)) : 0;
  portable::gdi::TextFont f = portable::gdi::FontOf(t, *dc);
  std::vector<portable::gdi::Line> lines;
  if (format & DT_SINGLELINE) {
    lines.push_back(portable::gdi::StripPrefixes(lpchText, cchText, format));
  } else {
    int start = 0;
    for (int i = 0; i <= cchText; ++i) {
      if (i < cchText && lpchText[i] != L'\n') continue;
      int end = i;
      if (end > start && lpchText[end - 1] == L'\r') --end;
      lines.push_back(portable::gdi::StripPrefixes(lpchText + start, end - start, format));
      start = i + 1;
    }
  }
  const int rectWidth = lprc->right - lprc->left;
  if (format & DT_END_ELLIPSIS)
    for (auto& line : lines) portable::gdi::Ellipsize(f, line, rectWidth);
  int widest = 0;
  for (const auto& line : lines)
    widest = std::max(widest, portable::gdi::Width(f, line.text.data(), static_cast<int>(line.text.size())));
  const int lineHeight = f.metrics.height;
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    lprc->right = lprc->left + widest;
    lprc->bottom = lprc->top + total;
    return total;
  }
  int y = lprc->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      y = lprc->bottom - lineHeight;
  }
  const UINT savedAlign = dc->textAlign;
  dc->textAlign = TA_LEFT | TA_TOP;
  BOOL drawn = TRUE;
  for (const auto& line : lines) {
    const int w = portable::gdi::Width(f, line.text.data(), static_cast<int>(line.text.size()));
    int x = lprc->left;
    if (format & DT_CENTER)
      x = lprc->left + (rectWidth - w) / 2;
    else if (format & DT_RIGHT)
      x = lprc->right - w;
    const UINT options = (format & DT_NOCLIP) ? 0u : static_cast<UINT>(ETO_CLIPPED);
    if (!portable::gdi::PutText(t, *dc, x, y, options, lprc, line.text.data(), static_cast<int>(line.text.size()),
                                nullptr, line.underlineAt))
      drawn = FALSE;
    y += lineHeight;
  }
  dc->textAlign = savedAlign;
  return drawn ? total : 0;
}

}  // namespace win

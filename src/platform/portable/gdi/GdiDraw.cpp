// Drawing in the portable GDI: pixel conversion, BitBlt, StretchBlt,
// TransparentBlt, FillRect, FrameRect and reading bits back.
#include <algorithm>
#include <cstring>

#include "platform/portable/gdi/GdiTable.h"

namespace win::portable::gdi {

namespace {

int Shift(DWORD mask) {
  int s = 0;
  while (mask && !(mask & 1u)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

int Width(DWORD mask) {
  mask >>= Shift(mask);
  int n = 0;
  while (mask & 1u) {
    mask >>= 1;
    ++n;
  }
  return n;
}

// A field of n bits widened to 8 by repeating its bits, as GDI reads 5-5-5 and 5-6-5 pixels.
std::uint32_t Widen(std::uint32_t v, int n) {
  if (n <= 0) return 0;
  if (n >= 8) return (v >> (n - 8)) & 0xFF;
  std::uint32_t out = 0;
  int have = 0;
  while (have < 8) {
    out = (out << n) | v;
    have += n;
  }
  return (out >> (have - 8)) & 0xFF;
}

std::uint32_t FromMasks(const Bitmap& b, std::uint32_t value) {
  std::uint32_t rgb = 0;
  for (int c = 0; c < 3; ++c) {
    const DWORD m = b.masks[c];
    rgb = (rgb << 8) | Widen((value & m) >> Shift(m), Width(m));
  }
  return rgb;
}

std::uint32_t ToMasks(const Bitmap& b, std::uint32_t rgb) {
  std::uint32_t value = 0;
  for (int c = 0; c < 3; ++c) {
    const DWORD m = b.masks[c];
    const int n = Width(m);
    std::uint32_t channel = (rgb >> (16 - 8 * c)) & 0xFF;
    channel = n >= 8 ? channel << (n - 8) : channel >> (8 - n);
    value |= (channel << Shift(m)) & m;
  }
  return value;
}

std::uint32_t Nearest(const std::vector<std::uint32_t>& colors, std::uint32_t rgb) {
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const int dr = static_cast<int>((colors[i] >> 16) & 0xFF) - static_cast<int>((rgb >> 16) & 0xFF);
    const int dg = static_cast<int>((colors[i] >> 8) & 0xFF) - static_cast<int>((rgb >> 8) & 0xFF);
    const int db = static_cast<int>(colors[i] & 0xFF) - static_cast<int>(rgb & 0xFF);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<std::uint32_t>(i);
    }
  }
  return best;
}

bool PlainBgrx(const Bitmap& b) {
  return b.bpp == 32 && b.masks[0] == 0xFF0000u && b.masks[1] == 0xFF00u && b.masks[2] == 0xFFu;
}

std::uint32_t ReadStored(const Bitmap& b, const std::uint8_t* row, int x) {
  switch (b.bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
    case 8: return row[x];
    case 16: return static_cast<std::uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
    case 24: return static_cast<std::uint32_t>(row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16));
    default: {
      std::uint32_t v;
      std::memcpy(&v, row + 4 * static_cast<std::size_t>(x), 4);
      return v;
    }
  }
}

void WriteStored(const Bitmap& b, std::uint8_t* row, int x, std::uint32_t v) {
  switch (b.bpp) {
    case 1: {
      const std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = static_cast<std::uint8_t>(v ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
      break;
    }
    case 4:
      if (x & 1)
        row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | (v & 0xF));
      else
        row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | ((v & 0xF) << 4));
      break;
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    case 16:
      row[2 * x] = static_cast<std::uint8_t>(v);
      row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<std::uint8_t>(v);
      row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
      break;
    default: std::memcpy(row + 4 * static_cast<std::size_t>(x), &v, 4); break;
  }
}

std::uint32_t Decode(const Bitmap& b, std::uint32_t stored) {
  if (b.bpp <= 8) return stored < b.colors.size() ? b.colors[stored] : 0;
  if (b.bpp == 24) return stored & 0xFFFFFFu;
  return FromMasks(b, stored);
}

// Encodes colours for one destination, remembering the last palette lookups.
class Encoder {
 public:
  explicit Encoder(const Bitmap& b) : b_(b) {}
  std::uint32_t operator()(std::uint32_t rgb) {
    if (b_.monoDevice) return rgb == 0xFFFFFFu ? 1u : 0u;
    if (b_.bpp <= 8) {
      Slot& s = cache_[(rgb ^ (rgb >> 9) ^ (rgb >> 17)) & 63];
      if (!s.used || s.rgb != rgb) s = Slot{true, rgb, Nearest(b_.colors, rgb)};
      return s.value;
    }
    if (b_.bpp == 24) return rgb;
    return ToMasks(b_, rgb);
  }

 private:
  struct Slot {
    bool used = false;
    std::uint32_t rgb = 0;
    std::uint32_t value = 0;
  };
  const Bitmap& b_;
  Slot cache_[64];
};

// The whole row y as 0x00RRGGBB.
void ReadRow(const Bitmap& b, int y, std::uint32_t* out) {
  const std::uint8_t* row = b.Row(y);
  if (PlainBgrx(b)) {
    std::memcpy(out, row, static_cast<std::size_t>(b.width) * 4);
    for (int x = 0; x < b.width; ++x) out[x] &= 0xFFFFFFu;
    return;
  }
  for (int x = 0; x < b.width; ++x) out[x] = Decode(b, ReadStored(b, row, x));
}

struct Span {
  int first;  // first source coordinate
  int count;  // how many source pixels feed this destination pixel (>= 1)
};

// Which source pixels feed each of `dst` destination pixels taken from `src`
// source pixels starting at `origin`, mirrored when asked. Averaging uses
// every source pixel of the destination pixel's area; sampling the one under
// its centre.
std::vector<Span> Spans(int origin, int src, int dst, bool mirror, bool average, int limit) {
  std::vector<Span> spans(static_cast<std::size_t>(dst));
  for (int i = 0; i < dst; ++i) {
    const int k = mirror ? dst - 1 - i : i;
    Span s{};
    if (average && src > dst) {
      const auto from = static_cast<int>(static_cast<long long>(k) * src / dst);
      auto to = static_cast<int>(static_cast<long long>(k + 1) * src / dst);
      if (to <= from) to = from + 1;
      s = Span{origin + from, to - from};
    } else {
      s = Span{origin + static_cast<int>((2LL * k + 1) * src / (2LL * dst)), 1};
    }
    // Source pixels outside the bitmap repeat its edge.
    s.first = std::clamp(s.first, 0, limit - 1);
    s.count = std::clamp(s.count, 1, limit - s.first);
    spans[static_cast<std::size_t>(i)] = s;
  }
  return spans;
}

}  // namespace

std::uint32_t ReadPixel(const Bitmap& b, int x, int y) { return Decode(b, ReadStored(b, b.Row(y), x)); }

namespace {

// What a colour reads back as once stored in this bitmap's format.
std::uint32_t ReadPixelOf(const Bitmap& b, std::uint32_t rgb) {
  if (b.monoDevice) return rgb == 0xFFFFFFu ? 0xFFFFFFu : 0u;
  return Decode(b, Encoder(b)(rgb));
}

}  // namespace

std::uint32_t EncodeColor(const Bitmap& b, std::uint32_t rgb) { return Encoder(b)(rgb); }

void WritePixel(Bitmap& b, int x, int y, std::uint32_t rgb) { WriteStored(b, b.Row(y), x, EncodeColor(b, rgb)); }

// Fills a destination rectangle (already clipped) with one colour.
void Fill(Bitmap& b, const Rect& r, std::uint32_t rgb) {
  const std::uint32_t v = EncodeColor(b, rgb);
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint8_t* row = b.Row(y);
    if (b.bpp == 32) {
      for (int x = r.left; x < r.right; ++x) std::memcpy(row + 4 * static_cast<std::size_t>(x), &v, 4);
    } else {
      for (int x = r.left; x < r.right; ++x) WriteStored(b, row, x, v);
    }
  }
}

void FillLogical(const Target& target, const Rect& logical, std::uint32_t rgb) {
  if (!target.bitmap) return;
  const Rect r = Rect{logical.left + target.dx, logical.top + target.dy, logical.right + target.dx,
                      logical.bottom + target.dy}
                     .Intersect(target.clip);
  if (!r.Empty()) Fill(*target.bitmap, r, rgb);
}

bool BrushColor(Table& t, const Dc& dc, HBRUSH h, std::uint32_t& rgb) {
  const auto value = reinterpret_cast<std::uintptr_t>(h);
  if (value >= 1 && value <= COLOR_MENUBAR + 1u) {
    rgb = ToRgb(GetSysColor(static_cast<int>(value - 1)));
    return true;
  }
  const Brush* brush = t.FindBrush(h);
  if (!brush || brush->hollow) return false;
  rgb = ToRgb(brush->dcColor ? dc.dcBrushColor : brush->color);
  return true;
}

bool PenColor(Table& t, const Dc& dc, std::uint32_t& rgb) {
  const Pen* pen = t.FindPen(dc.pen);
  if (!pen || pen->hollow) return false;
  rgb = ToRgb(pen->dcColor ? dc.dcPenColor : pen->color);
  return true;
}

namespace {

// Copies or scales source pixels into the destination; every coordinate is
// already normalised (positive sizes, mirroring flags apart) and in the
// bitmaps' pixels; only `limit` of the destination is written. With a key,
// source pixels of that colour (0x00RRGGBB) are left out.
void Transfer(Bitmap& dst, const Rect& limit, int xd, int yd, int wd, int hd, const Bitmap* src, int xs, int ys,
              int ws, int hs, bool mirrorX, bool mirrorY, bool average, const std::uint32_t* key = nullptr) {
  const Rect clip = Rect{xd, yd, xd + wd, yd + hd}.Intersect(limit);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  if (!src) {  // the screen: nothing is kept of it, it reads as black
    Fill(dst, clip, 0);
    return;
  }
  const std::vector<Span> cols = Spans(xs, ws, wd, mirrorX, average, src->width);
  const std::vector<Span> rows = Spans(ys, hs, hd, mirrorY, average, src->height);
  // Same size, same layout, nothing to convert: whole rows at once.
  if (!key && ws == wd && hs == hd && !mirrorX && !mirrorY && src->bpp == dst.bpp && src->bpp >= 8 &&
      src->colors == dst.colors && std::memcmp(src->masks, dst.masks, sizeof dst.masks) == 0 && !src->monoDevice &&
      xs >= 0 && ys >= 0 && xs + ws <= src->width && ys + hs <= src->height) {
    const std::size_t bytes = static_cast<std::size_t>(src->bpp / 8);
    for (int y = clip.top; y < clip.bottom; ++y) {
      const int sy = ys + (y - yd);
      std::memmove(dst.Row(y) + bytes * static_cast<std::size_t>(clip.left),
                   src->Row(sy) + bytes * static_cast<std::size_t>(xs + (clip.left - xd)),
                   bytes * static_cast<std::size_t>(clip.right - clip.left));
    }
    return;
  }
  std::vector<std::uint32_t> line(static_cast<std::size_t>(src->width));
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(src->width) * 3);
  std::vector<std::uint32_t> out(static_cast<std::size_t>(clip.right - clip.left));
  Encoder encode(dst);
  const bool dstPlain = PlainBgrx(dst);
  for (int y = clip.top; y < clip.bottom; ++y) {
    const Span rs = rows[static_cast<std::size_t>(y - yd)];
    const bool boxed = average && (rs.count > 1 || ws > wd);
    if (!boxed) {
      ReadRow(*src, rs.first, line.data());
      for (int x = clip.left; x < clip.right; ++x)
        out[static_cast<std::size_t>(x - clip.left)] = line[static_cast<std::size_t>(cols[x - xd].first)];
    } else {
      std::fill(sums.begin(), sums.end(), 0u);
      for (int sy = rs.first; sy < rs.first + rs.count; ++sy) {
        ReadRow(*src, sy, line.data());
        for (int sx = 0; sx < src->width; ++sx) {
          const std::uint32_t c = line[static_cast<std::size_t>(sx)];
          sums[3 * static_cast<std::size_t>(sx)] += (c >> 16) & 0xFF;
          sums[3 * static_cast<std::size_t>(sx) + 1] += (c >> 8) & 0xFF;
          sums[3 * static_cast<std::size_t>(sx) + 2] += c & 0xFF;
        }
      }
      for (int x = clip.left; x < clip.right; ++x) {
        const Span cs = cols[static_cast<std::size_t>(x - xd)];
        std::uint32_t r = 0, g = 0, b = 0;
        for (int sx = cs.first; sx < cs.first + cs.count; ++sx) {
          r += sums[3 * static_cast<std::size_t>(sx)];
          g += sums[3 * static_cast<std::size_t>(sx) + 1];
          b += sums[3 * static_cast<std::size_t>(sx) + 2];
        }
        const std::uint32_t n = static_cast<std::uint32_t>(cs.count) * static_cast<std::uint32_t>(rs.count);
        out[static_cast<std::size_t>(x - clip.left)] = (((r + n / 2) / n) << 16) | (((g + n / 2) / n) << 8) |
                                                       ((b + n / 2) / n);
      }
    }
    std::uint8_t* row = dst.Row(y);
    if (key) {
      for (int x = clip.left; x < clip.right; ++x) {
        const std::uint32_t c = out[static_cast<std::size_t>(x - clip.left)];
        if (c != *key) WriteStored(dst, row, x, encode(c));
      }
    } else if (dstPlain) {
      std::memcpy(row + 4 * static_cast<std::size_t>(clip.left), out.data(), out.size() * 4);
    } else {
      for (int x = clip.left; x < clip.right; ++x)
        WriteStored(dst, row, x, encode(out[static_cast<std::size_t>(x - clip.left)]));
    }
  }
}

BOOL Blit(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws, int hs, DWORD rop,
          bool stretch, const COLORREF* key = nullptr) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dd = t.FindDc(hdcDest);
  if (!dd) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const bool needsSource = rop == SRCCOPY;
  if (rop != SRCCOPY && rop != BLACKNESS && rop != WHITENESS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Dc* sd = needsSource ? t.FindDc(hdcSrc) : nullptr;
  if (needsSource && !sd) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Target dt;
  if (!t.Resolve(*dd, dt)) return FALSE;
  if (!dt.bitmap) return TRUE;  // the screen keeps nothing
  Bitmap* dst = dt.bitmap;
  bool mirrorX = false, mirrorY = false;
  if (wd < 0) {
    xd += wd + 1;
    wd = -wd;
    mirrorX = !mirrorX;
  }
  if (hd < 0) {
    yd += hd + 1;
    hd = -hd;
    mirrorY = !mirrorY;
  }
  if (stretch && ws < 0) {
    xs += ws + 1;
    ws = -ws;
    mirrorX = !mirrorX;
  }
  if (stretch && hs < 0) {
    ys += hs + 1;
    hs = -hs;
    mirrorY = !mirrorY;
  }
  if (!stretch) {
    ws = wd;
    hs = hd;
  }
  if (wd == 0 || hd == 0) return TRUE;
  xd += dt.dx;
  yd += dt.dy;
  if (!needsSource) {
    const Rect clip = Rect{xd, yd, xd + wd, yd + hd}.Intersect(dt.clip);
    if (!clip.Empty()) Fill(*dst, clip, rop == WHITENESS ? 0xFFFFFFu : 0u);
    return TRUE;
  }
  if (ws == 0 || hs == 0) return FALSE;
  Target st;
  if (!t.Resolve(*sd, st)) return FALSE;
  const Bitmap* src = st.bitmap;
  xs += st.dx;
  ys += st.dy;
  if (src && (xs >= src->width || ys >= src->height || xs + ws <= 0 || ys + hs <= 0)) return TRUE;
  if (key) {
    // The key is compared as the source stores it, so a palette source matches its own entry.
    const std::uint32_t k = src ? ReadPixelOf(*src, ToRgb(*key)) : ToRgb(*key);
    Transfer(*dst, dt.clip, xd, yd, wd, hd, src, xs, ys, ws, hs, mirrorX, mirrorY, false, &k);
    return TRUE;
  }
  Transfer(*dst, dt.clip, xd, yd, wd, hd, src, xs, ys, ws, hs, mirrorX, mirrorY,
           stretch && dd->stretchMode == HALFTONE);
  return TRUE;
}

}  // namespace

}  // namespace win::portable::gdi

namespace win {

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  return portable::gdi::Blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop, false);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop) {
  return portable::gdi::Blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop, true);
}

BOOL TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc,
                    int xoriginSrc, int yoriginSrc, int wSrc, int hSrc, UINT crTransparent) {
  if (wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const COLORREF key = crTransparent & 0xFFFFFFu;
  return portable::gdi::Blit(hdcDest, xoriginDest, yoriginDest, wDest, hDest, hdcSrc, xoriginSrc, yoriginSrc, wSrc,
                             hSrc, SRCCOPY, true, &key);
}

namespace {

using portable::gdi::Table;

// FillRect and FrameRect: the DC, its target and the brush's colour.
int WithBrush(HDC hDC, const RECT* lprc, HBRUSH hbr, void (*draw)(const portable::gdi::Target&, const RECT&,
                                                                    std::uint32_t)) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  portable::gdi::Dc* dc = t.FindDc(hDC);
  std::uint32_t rgb = 0;
  const bool known = reinterpret_cast<std::uintptr_t>(hbr) <= COLOR_MENUBAR + 1u || t.FindBrush(hbr);
  if (!dc || !lprc || !hbr || !known) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  portable::gdi::Target target;
  if (!t.Resolve(*dc, target)) return 0;
  if (!portable::gdi::BrushColor(t, *dc, hbr, rgb) || !target.bitmap) return 1;
  draw(target, *lprc, rgb);
  return 1;
}

}  // namespace

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  return WithBrush(hDC, lprc, hbr, [](const portable::gdi::Target& target, const RECT& r, std::uint32_t rgb) {
    portable::gdi::FillLogical(target, {r.left, r.top, r.right, r.bottom}, rgb);
  });
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  return WithBrush(hDC, lprc, hbr, [](const portable::gdi::Target& target, const RECT& r, std::uint32_t rgb) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    portable::gdi::FillLogical(target, {r.left, r.top, r.right, r.top + 1}, rgb);
    portable::gdi::FillLogical(target, {r.left, r.bottom - 1, r.right, r.bottom}, rgb);
    portable::gdi::FillLogical(target, {r.left, r.top, r.left + 1, r.bottom}, rgb);
    portable::gdi::FillLogical(target, {r.right - 1, r.top, r.right, r.bottom}, rgb);
  });
}

int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  const portable::gdi::Bitmap* b = t.FindBitmap(hbm);
  if (!t.FindDc(hdc) || !b || !lpbmi || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = lpbmi->bmiHeader;
  if (!lpvBits) {
    h.biWidth = b->width;
    h.biHeight = b->height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(b->width) * 4u * static_cast<DWORD>(b->height);
    return b->height;
  }
  if ((h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB || h.biWidth != b->width) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool topDown = h.biHeight < 0;
  const std::size_t rowBytes = ((static_cast<std::size_t>(b->width) * h.biBitCount + 31) / 32) * 4;
  auto* out = static_cast<std::uint8_t*>(lpvBits);
  UINT done = 0;
  // Scan line i counts from the bottom of the picture, as in a bottom-up DIB.
  for (UINT i = start; i < start + cLines && i < static_cast<UINT>(b->height); ++i, ++done) {
    const int y = topDown ? static_cast<int>(i) : b->height - 1 - static_cast<int>(i);
    std::uint8_t* row = out + rowBytes * (i - start);
    for (int x = 0; x < b->width; ++x) {
      const std::uint32_t c = portable::gdi::ReadPixel(*b, x, y);
      std::uint8_t* p = row + static_cast<std::size_t>(x) * (h.biBitCount / 8);
      p[0] = static_cast<std::uint8_t>(c);
      p[1] = static_cast<std::uint8_t>(c >> 8);
      p[2] = static_cast<std::uint8_t>(c >> 16);
      if (h.biBitCount == 32) p[3] = 0;
    }
  }
  return static_cast<int>(done);
}

}  // namespace win

// AlphaBlend: a source blended over the destination by a constant alpha and,
// with AC_SRC_ALPHA, by each pixel's own premultiplied alpha (32-bit sources
// only, as on Windows). A source of another size is scaled by sampling.
#include <algorithm>
#include <mutex>

#include "platform/portable/gdi/GdiTable.h"

namespace win {

BOOL AlphaBlend(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws, int hs,
                BLENDFUNCTION blend) {
  using portable::gdi::Table;
  if (wd < 0 || hd < 0 || ws < 0 || hs < 0 || blend.BlendOp != AC_SRC_OVER) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  portable::gdi::Dc* dd = t.FindDc(hdcDest);
  portable::gdi::Dc* sd = t.FindDc(hdcSrc);
  if (!dd || !sd) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  portable::gdi::Target dt, st;
  if (!t.Resolve(*dd, dt) || !t.Resolve(*sd, st)) return FALSE;
  if (!dt.bitmap) return TRUE;  // the screen keeps nothing
  const portable::gdi::Bitmap* src = st.bitmap;
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  if (perPixel && src->bpp != 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  xs += st.dx;
  ys += st.dy;
  if (xs < 0 || ys < 0 || xs + ws > src->width || ys + hs > src->height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (wd == 0 || hd == 0 || ws == 0 || hs == 0) return TRUE;
  xd += dt.dx;
  yd += dt.dy;
  const portable::gdi::Rect area = portable::gdi::Rect{xd, yd, xd + wd, yd + hd}.Intersect(dt.clip).Intersect(
      portable::gdi::Rect{0, 0, dt.bitmap->width, dt.bitmap->height});
  const std::uint32_t constant = blend.SourceConstantAlpha;
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = ys + static_cast<int>((static_cast<long long>(y - yd) * hs) / hd);
    for (int x = area.left; x < area.right; ++x) {
      const int sx = xs + static_cast<int>((static_cast<long long>(x - xd) * ws) / wd);
      const std::uint32_t s = portable::gdi::ReadPixel(*src, sx, sy);
      const std::uint32_t sourceAlpha = perPixel ? src->Row(sy)[sx * 4 + 3] : 255u;
      // Premultiplied source scaled by the constant alpha, then "over".
      const std::uint32_t a = sourceAlpha * constant / 255;
      const std::uint32_t d = portable::gdi::ReadPixel(*dt.bitmap, x, y);
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t sc = perPixel ? ((s >> shift) & 0xFF) * constant / 255 : ((s >> shift) & 0xFF) * a / 255;
        const std::uint32_t dc = (d >> shift) & 0xFF;
        out |= std::min<std::uint32_t>(255, sc + dc * (255 - a) / 255) << shift;
      }
      portable::gdi::WritePixel(*dt.bitmap, x, y, out);
    }
  }
  return TRUE;
}

}  // namespace win

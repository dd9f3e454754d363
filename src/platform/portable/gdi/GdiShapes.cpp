// Pens, lines, rectangles and polygons in the portable GDI: one-pixel pens,
// no anti-aliasing, fills over pixel centres.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/portable/gdi/GdiTable.h"

namespace win {

namespace {

using portable::gdi::Dc;
using portable::gdi::Rect;
using portable::gdi::Table;
using portable::gdi::Target;

// Bresenham from (x0, y0) up to, not including, (x1, y1).
void Line(const Target& target, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  while (x0 != x1 || y0 != y1) {
    portable::gdi::Plot(target, x0, y0, rgb);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// Runs `f` with the DC and its target under the lock; FALSE for a bad DC.
template <class F>
BOOL Draw(HDC hdc, F f) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Target target;
  if (!t.Resolve(*dc, target)) return FALSE;
  f(t, *dc, target);
  return TRUE;
}

}  // namespace

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
  (void)cWidth;
  if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  auto pen = std::make_unique<portable::gdi::Pen>();
  pen->color = color & 0xFFFFFFu;
  pen->hollow = iStyle == PS_NULL;
  return t.AddPen(std::move(pen));
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return Draw(hdc, [&](Table&, Dc& dc, const Target&) {
    if (lppt) *lppt = dc.position;
    dc.position = POINT{x, y};
  });
}

BOOL LineTo(HDC hdc, int x, int y) {
  return Draw(hdc, [&](Table& t, Dc& dc, const Target& target) {
    std::uint32_t rgb = 0;
    if (target.bitmap && portable::gdi::PenColor(t, dc, rgb)) Line(target, dc.position.x, dc.position.y, x, y, rgb);
    dc.position = POINT{x, y};
  });
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  return Draw(hdc, [&](Table& t, Dc& dc, const Target& target) {
    if (!target.bitmap) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    std::uint32_t pen = 0, brush = 0;
    const bool outlined = portable::gdi::PenColor(t, dc, pen);
    const bool filled = portable::gdi::BrushColor(t, dc, dc.brush, brush);
    if (outlined) {
      if (filled) portable::gdi::FillLogical(target, Rect{left + 1, top + 1, right - 1, bottom - 1}, brush);
      portable::gdi::FillLogical(target, Rect{left, top, right, top + 1}, pen);
      portable::gdi::FillLogical(target, Rect{left, bottom - 1, right, bottom}, pen);
      portable::gdi::FillLogical(target, Rect{left, top, left + 1, bottom}, pen);
      portable::gdi::FillLogical(target, Rect{right - 1, top, right, bottom}, pen);
    } else if (filled) {
      // Without a pen GDI fills one pixel less to the right and below.
      portable::gdi::FillLogical(target, Rect{left, top, right - 1, bottom - 1}, brush);
    }
  });
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt) {
  if (!apt || cpt < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Draw(hdc, [&](Table& t, Dc& dc, const Target& target) {
    if (!target.bitmap) return;
    std::uint32_t brush = 0, pen = 0;
    if (portable::gdi::BrushColor(t, dc, dc.brush, brush)) {
      int top = apt[0].y, bottom = apt[0].y;
      for (int i = 1; i < cpt; ++i) {
        top = std::min<int>(top, apt[i].y);
        bottom = std::max<int>(bottom, apt[i].y);
      }
      std::vector<double> xs;
      for (int y = top; y < bottom; ++y) {
        const double cy = y + 0.5;
        xs.clear();
        for (int i = 0; i < cpt; ++i) {
          const POINT& a = apt[i];
          const POINT& b = apt[(i + 1) % cpt];
          if ((a.y <= cy) == (b.y <= cy)) continue;
          xs.push_back(a.x + (cy - a.y) * static_cast<double>(b.x - a.x) / static_cast<double>(b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        // Pixels whose centres lie inside, even-odd.
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
          const int from = static_cast<int>(std::ceil(xs[i] - 0.5));
          const int to = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
          portable::gdi::FillLogical(target, Rect{from, y, to, y + 1}, brush);
        }
      }
    }
    if (portable::gdi::PenColor(t, dc, pen)) {
      for (int i = 0; i < cpt; ++i) {
        const POINT& a = apt[i];
        const POINT& b = apt[(i + 1) % cpt];
        Line(target, a.x, a.y, b.x, b.y, pen);
      }
    }
  });
}

}  // namespace win

// A DC's state in the portable GDI: colours and modes, the viewport origin,
// the clip rectangle, and saving and restoring all of it.
#include <mutex>

#include "platform/portable/gdi/GdiTable.h"

namespace win {

namespace {

using portable::gdi::Dc;
using portable::gdi::Table;

// Runs `f` on the DC under the table's lock; `failed` when there is no such DC.
template <class Result, class F>
Result WithDc(HDC hdc, Result failed, F f) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return failed;
  }
  return f(t, *dc);
}

template <class Field, class Value>
Value Exchange(Field& field, Value value) {
  const Value old = static_cast<Value>(field);
  field = value;
  return old;
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return WithDc(hdc, COLORREF{CLR_INVALID}, [&](Table&, Dc& dc) { return Exchange(dc.textColor, color & 0xFFFFFFu); });
}

COLORREF GetTextColor(HDC hdc) {
  return WithDc(hdc, COLORREF{CLR_INVALID}, [](Table&, Dc& dc) { return dc.textColor; });
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  return WithDc(hdc, COLORREF{CLR_INVALID}, [&](Table&, Dc& dc) { return Exchange(dc.bkColor, color & 0xFFFFFFu); });
}

COLORREF GetBkColor(HDC hdc) {
  return WithDc(hdc, COLORREF{CLR_INVALID}, [](Table&, Dc& dc) { return dc.bkColor; });
}

int SetBkMode(HDC hdc, int mode) {
  return WithDc(hdc, 0, [&](Table&, Dc& dc) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return Exchange(dc.bkMode, mode);
  });
}

int GetBkMode(HDC hdc) {
  return WithDc(hdc, 0, [](Table&, Dc& dc) { return dc.bkMode; });
}

UINT SetTextAlign(HDC hdc, UINT align) {
  return WithDc(hdc, static_cast<UINT>(GDI_ERROR), [&](Table&, Dc& dc) { return Exchange(dc.textAlign, align); });
}

UINT GetTextAlign(HDC hdc) {
  return WithDc(hdc, static_cast<UINT>(GDI_ERROR), [](Table&, Dc& dc) { return dc.textAlign; });
}

COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
  return WithDc(hdc, COLORREF{CLR_INVALID},
                [&](Table&, Dc& dc) { return Exchange(dc.dcBrushColor, color & 0xFFFFFFu); });
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithDc(hdc, FALSE, [&](Table&, Dc& dc) {
    if (lppt) *lppt = dc.viewport;
    dc.viewport = POINT{x, y};
    return TRUE;
  });
}

BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithDc(hdc, FALSE, [&](Table&, Dc& dc) {
    if (lppt) *lppt = dc.viewport;
    dc.viewport.x += x;
    dc.viewport.y += y;
    return TRUE;
  });
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppt) {
  return WithDc(hdc, FALSE, [&](Table&, Dc& dc) {
    if (!lppt) return FALSE;
    *lppt = dc.viewport;
    return TRUE;
  });
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return WithDc(hdc, ERROR, [&](Table&, Dc& dc) {
    const portable::gdi::Rect r{left + dc.viewport.x, top + dc.viewport.y, right + dc.viewport.x,
                                bottom + dc.viewport.y};
    dc.clip = dc.clipped ? dc.clip.Intersect(r) : r;
    dc.clipped = true;
    return dc.clip.Empty() ? NULLREGION : SIMPLEREGION;
  });
}

int SaveDC(HDC hdc) {
  return WithDc(hdc, 0, [](Table& t, Dc& dc) {
    t.Hold(dc.brush);
    t.Hold(dc.pen);
    t.Hold(dc.font);
    dc.saved.push_back(static_cast<const portable::gdi::DcState&>(dc));
    return static_cast<int>(dc.saved.size());
  });
}

BOOL RestoreDC(HDC hdc, int nSavedDC) {
  return WithDc(hdc, FALSE, [&](Table& t, Dc& dc) {
    const int count = static_cast<int>(dc.saved.size());
    const int level = nSavedDC < 0 ? count + 1 + nSavedDC : nSavedDC;
    if (level < 1 || level > count) return FALSE;
    // The states above `level` go; the one at `level` becomes the current state.
    t.LetGo(dc.brush);
    t.LetGo(dc.pen);
    t.LetGo(dc.font);
    for (int i = count - 1; i >= level; --i) {
      const portable::gdi::DcState& s = dc.saved[static_cast<std::size_t>(i)];
      t.LetGo(s.brush);
      t.LetGo(s.pen);
      t.LetGo(s.font);
    }
    static_cast<portable::gdi::DcState&>(dc) = dc.saved[static_cast<std::size_t>(level - 1)];
    dc.saved.resize(static_cast<std::size_t>(level - 1));
    return TRUE;
  });
}

}  // namespace win

// The desktop as the pointer sees it: monitors, the cursor, mapping points
// between windows, and which window is at a point.
#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT ScreenRect(WindowSystem& system, const Window& w) {
  POINT origin = system.ClientOrigin(w.parent);
  return RECT{origin.x + w.rect.left, origin.y + w.rect.top, origin.x + w.rect.right, origin.y + w.rect.bottom};
}

RECT ScreenClientRect(WindowSystem& system, const Window& w) {
  POINT origin = system.ClientOrigin(w.hwnd);
  RECT client = system.ClientRect(w);
  return RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

// Below `parent`, in z-order: hidden windows, disabled child windows and
// click-through layered windows are passed over; a disabled top-level window
// answers for itself without looking at its children, and so does a window
// hit outside its client area.
HWND ChildAt(WindowSystem& system, Window& parent, POINT screen) {
  for (HWND hwnd : parent.children) {
    Window* c = system.Find(hwnd);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    if ((c->exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
    if (!Inside(ScreenRect(system, *c), screen)) continue;
    if (c->style & WS_DISABLED) {
      if (parent.hwnd != system.Desktop()) continue;
      return hwnd;
    }
    if (c->style & WS_MINIMIZE) return hwnd;
    if (!Inside(ScreenClientRect(system, *c), screen)) return hwnd;
    return ChildAt(system, *c, screen);
  }
  return parent.hwnd;
}

bool OriginOf(WindowSystem& system, HWND hwnd, POINT& origin) {
  if (!hwnd || hwnd == system.Desktop()) {
    origin = POINT{0, 0};
    return true;
  }
  if (!system.Find(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  origin = system.ClientOrigin(hwnd);
  return true;
}

}  // namespace

HWND WindowAt(WindowSystem& system, POINT screen) {
  return ChildAt(system, *system.Find(system.Desktop()), screen);
}

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  *lpPoint = system.cursor;
  return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    // The cursor never leaves the virtual screen.
    const RECT screen = system.VirtualScreen();
    system.cursor = POINT{std::clamp<LONG>(X, screen.left, screen.right - 1),
                          std::clamp<LONG>(Y, screen.top, screen.bottom - 1)};
  }
  portable::CursorMoved();
  return TRUE;
}

int GetSystemMetrics(int nIndex) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  const RECT& primary = system.monitors.front();
  const RECT screen = system.VirtualScreen();
  switch (nIndex) {
    case SM_CXSCREEN:
      return primary.right - primary.left;
    case SM_CYSCREEN:
      return primary.bottom - primary.top;
    case SM_XVIRTUALSCREEN:
      return screen.left;
    case SM_YVIRTUALSCREEN:
      return screen.top;
    case SM_CXVIRTUALSCREEN:
      return screen.right - screen.left;
    case SM_CYVIRTUALSCREEN:
      return screen.bottom - screen.top;
    case SM_CMONITORS:
      return static_cast<int>(system.monitors.size());
    case SM_CXMENUCHECK:
      return 13;  // the classic look's check mark, at 96 dots per inch
    default:
      return 0;  // as Windows answers an index it does not know
  }
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
  POINT from{}, to{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    if (!portable::OriginOf(system, hWndFrom, from) || !portable::OriginOf(system, hWndTo, to)) return 0;
  }
  const LONG dx = from.x - to.x;
  const LONG dy = from.y - to.y;
  if (lpPoints) {
    for (UINT i = 0; i < cPoints; ++i) {
      lpPoints[i].x += dx;
      lpPoints[i].y += dy;
    }
  }
  SetLastError(0);  // a result of 0 is then no failure, as Windows documents
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

namespace {

// Moves a point by the window's client origin: +1 into screen coordinates, -1 out of them.
BOOL ShiftByClientOrigin(HWND hWnd, LPPOINT lpPoint, int direction) {
  if (!lpPoint) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  if (!system.Find(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  POINT origin{};
  portable::OriginOf(system, hWnd, origin);
  lpPoint->x += direction * origin.x;
  lpPoint->y += direction * origin.y;
  return TRUE;
}

}  // namespace

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) { return ShiftByClientOrigin(hWnd, lpPoint, +1); }

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) { return ShiftByClientOrigin(hWnd, lpPoint, -1); }

HWND WindowFromPoint(POINT Point) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return portable::WindowAt(system, Point);
}

HWND ChildWindowFromPointEx(HWND hwnd, POINT pt, UINT flags) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* parent = system.Find(hwnd);
  if (!parent) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  RECT client = system.ClientRect(*parent);
  if (!portable::Inside(client, pt)) return nullptr;
  for (HWND childHwnd : parent->children) {
    Window* c = system.Find(childHwnd);
    if (!c || !portable::Inside(c->rect, pt)) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    return childHwnd;
  }
  return hwnd;
}

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point) { return ChildWindowFromPointEx(hWndParent, Point, CWP_ALL); }

// ---------------------------------------------------------------- layered windows

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);  // what Windows answers (as Wine shows it)
    return FALSE;
  }
  w->layeredSet = true;
  w->layeredKey = crKey;
  w->layeredAlpha = bAlpha;
  w->layeredFlags = dwFlags;
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* pcrKey, BYTE* pbAlpha, DWORD* pdwFlags) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED) || !w->layeredSet) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (pcrKey) *pcrKey = w->layeredKey;
  if (pbAlpha) *pbAlpha = w->layeredAlpha;
  if (pdwFlags) *pdwFlags = w->layeredFlags;
  return TRUE;
}

}  // namespace win

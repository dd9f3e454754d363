// Painting in the portable window system: windows' DCs on their surfaces,
// invalidation, WM_PAINT, and printing a window with its children into any DC.
#include <algorithm>

#include "platform/portable/gdi/GdiSurfaces.h"
#include "platform/portable/window/WindowSystem.h"
#include "platform/win/Gdi.h"

namespace win::portable {

bool IsVisibleLocked(WindowSystem& system, const Window& w) {
  const Window* at = &w;
  while (at && at->hwnd != system.Desktop()) {
    if (!(at->style & WS_VISIBLE)) return false;
    at = system.Find(at->parent);
  }
  return true;
}

void InvalidateLocked(WindowSystem& system, Window& w, const RECT* rect, bool erase) {
  if (!IsVisibleLocked(system, w)) return;
  const RECT client = system.ClientRect(w);
  RECT r = rect ? *rect : client;
  r = RECT{std::max(r.left, client.left), std::max(r.top, client.top), std::min(r.right, client.right),
           std::min(r.bottom, client.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  if (w.invalid) {
    w.update = RECT{std::min(w.update.left, r.left), std::min(w.update.top, r.top), std::max(w.update.right, r.right),
                    std::max(w.update.bottom, r.bottom)};
  } else {
    w.update = r;
    w.invalid = true;
    system.Thread(w.threadId).invalid.push_back(w.hwnd);
  }
  w.erase = w.erase || erase;
  system.posted.notify_all();
}

void InvalidateTreeLocked(WindowSystem& system, Window& w, bool erase) {
  InvalidateLocked(system, w, nullptr, erase);
  for (HWND child : w.children)
    if (Window* c = system.Find(child)) InvalidateTreeLocked(system, *c, erase);
}

void ValidateLocked(WindowSystem&, Window& w) {
  w.invalid = false;
  w.erase = false;
  w.update = RECT{};
}

namespace {

// Where a window's DC draws in its surface: the surface's size, the origin
// (the client area's corner, or the window's) and the bounds (surface pixels).
struct DcPlace {
  SIZE size{};
  POINT origin{};
  RECT bounds{};
};

DcPlace PlaceOf(WindowSystem& system, const Window& w, bool wholeWindow) {
  DcPlace p;
  p.size = SIZE{w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
  if (wholeWindow) {
    p.bounds = RECT{0, 0, p.size.cx, p.size.cy};
    return p;
  }
  const RECT insets = NonClientInsets(w.style, w.exStyle, false);
  const RECT client = system.ClientRect(w);
  p.origin = POINT{insets.left, insets.top};
  p.bounds = RECT{insets.left, insets.top, insets.left + client.right, insets.top + client.bottom};
  return p;
}

HDC WindowDc(HWND hWnd, bool wholeWindow) {
  if (!hWnd) return gdi::OpenScreenDc();
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const DcPlace p = PlaceOf(system, *w, wholeWindow);
  // Made under the window system's lock, so the window cannot go before its surface is there.
  return gdi::OpenWindowDc(hWnd, p.size, p.origin, p.bounds);
}

struct PrintPlan {
  bool visible = false;
  RECT insets{};
  RECT client{};
  SIZE window{};
  DWORD style = 0;
  DWORD exStyle = 0;
  struct Child {
    HWND hwnd;
    RECT rect;
  };
  std::vector<Child> children;  // bottom first
};

// One ring of a frame: top and left in one colour, bottom and right in another.
void Ring(HDC hdc, RECT& r, int topLeft, int bottomRight) {
  const RECT lines[] = {{r.left, r.top, r.right - 1, r.top + 1}, {r.left, r.top, r.left + 1, r.bottom - 1}};
  const RECT shadows[] = {{r.left, r.bottom - 1, r.right, r.bottom}, {r.right - 1, r.top, r.right, r.bottom}};
  for (const RECT& line : lines) FillRect(hdc, &line, GetSysColorBrush(topLeft));
  for (const RECT& line : shadows) FillRect(hdc, &line, GetSysColorBrush(bottomRight));
  r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

// The frames the window's styles give it, in the classic look: a border is a
// black line, a static edge one sunken ring, a client edge two, a dialog or
// sizing frame raised rings of the button face.
void DrawFrame(HDC hdc, SIZE size, DWORD style, DWORD exStyle) {
  RECT r{0, 0, size.cx, size.cy};
  if (exStyle & WS_EX_DLGMODALFRAME || style & (WS_DLGFRAME | WS_THICKFRAME)) {
    Ring(hdc, r, COLOR_BTNFACE, COLOR_WINDOWFRAME);
    Ring(hdc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    Ring(hdc, r, COLOR_BTNFACE, COLOR_BTNFACE);
    if (style & WS_THICKFRAME) Ring(hdc, r, COLOR_BTNFACE, COLOR_BTNFACE);
    if ((style & WS_CAPTION) == WS_CAPTION) {
      const RECT caption{r.left, r.top, r.right, r.top + 18};
      FillRect(hdc, &caption, GetSysColorBrush(COLOR_ACTIVECAPTION));
    }
  } else if (style & WS_BORDER) {
    Ring(hdc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
  }
  if (exStyle & WS_EX_CLIENTEDGE) {
    Ring(hdc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    Ring(hdc, r, COLOR_3DDKSHADOW, COLOR_BTNFACE);
  }
  if (exStyle & WS_EX_STATICEDGE) Ring(hdc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
}

LRESULT DefPrint(HWND hwnd, HDC hdc, LPARAM flags) {
  PrintPlan plan;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) return 0;
    plan.visible = IsVisibleLocked(system, *w);
    plan.insets = NonClientInsets(w->style, w->exStyle, false);
    plan.client = system.ClientRect(*w);
    plan.window = SIZE{w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    plan.style = w->style;
    plan.exStyle = w->exStyle;
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
      const Window* c = system.Find(*it);
      if (c && (c->style & WS_VISIBLE)) plan.children.push_back(PrintPlan::Child{c->hwnd, c->rect});
    }
  }
  if ((flags & PRF_CHECKVISIBLE) && !plan.visible) return 0;
  const int saved = SaveDC(hdc);
  if (!saved) return 0;
  if (flags & PRF_NONCLIENT) {
    DrawFrame(hdc, plan.window, plan.style, plan.exStyle);
    OffsetViewportOrgEx(hdc, plan.insets.left, plan.insets.top, nullptr);
  }
  IntersectClipRect(hdc, 0, 0, plan.client.right, plan.client.bottom);
  if (flags & PRF_ERASEBKGND) Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  if (flags & PRF_CLIENT) Send(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), flags);
  if (flags & PRF_CHILDREN) {
    for (const auto& child : plan.children) {
      const int level = SaveDC(hdc);
      if (!level) break;
      OffsetViewportOrgEx(hdc, child.rect.left, child.rect.top, nullptr);
      IntersectClipRect(hdc, 0, 0, child.rect.right - child.rect.left, child.rect.bottom - child.rect.top);
      // The child's rectangle is its whole window: its frame is printed from there.
      Send(child.hwnd, WM_PRINT, reinterpret_cast<WPARAM>(hdc), flags | PRF_NONCLIENT);
      RestoreDC(hdc, level);
    }
  }
  RestoreDC(hdc, saved);
  return 0;
}

// A window that does not print itself gives what it last painted; one that
// is invalid, or has never painted, paints first.
LRESULT DefPrintClient(HWND hwnd, HDC hdc) {
  bool paint = false;
  RECT client{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) return 0;
    client = system.ClientRect(*w);
    if (!gdi::HasSurface(hwnd) && !w->invalid) {
      w->update = client;
      w->invalid = true;
      w->erase = true;
      system.Thread(w->threadId).invalid.push_back(hwnd);
    }
    paint = w->invalid;
  }
  if (paint) Send(hwnd, WM_PAINT, 0, 0);
  HDC own = WindowDc(hwnd, false);
  if (!own) return 0;
  BitBlt(hdc, 0, 0, client.right, client.bottom, own, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, own);
  return 0;
}

LRESULT DefEraseBackground(HWND hwnd, HDC hdc) {
  HBRUSH brush = nullptr;
  RECT client{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w || !w->cls) return 0;
    brush = w->cls->background;
    client = system.ClientRect(*w);
  }
  if (!brush) return 0;
  return FillRect(hdc, &client, brush) ? 1 : 0;
}

}  // namespace

// The default window procedure's painting messages (WindowMessages.cpp).
bool DefPaintMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
      result = 0;
      return true;
    }
    case WM_ERASEBKGND:
      result = DefEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
      return true;
    case WM_PRINT:
      result = DefPrint(hwnd, reinterpret_cast<HDC>(wParam), lParam);
      return true;
    case WM_PRINTCLIENT:
      result = DefPrintClient(hwnd, reinterpret_cast<HDC>(wParam));
      return true;
    default:
      return false;
  }
}

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

HDC GetDC(HWND hWnd) { return portable::WindowDc(hWnd, false); }

HDC GetWindowDC(HWND hWnd) { return portable::WindowDc(hWnd, true); }

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  if (!lpPaint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const DWORD self = portable::CurrentThread();
  bool erase = false;
  HDC hdc = nullptr;
  RECT update{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWnd, self);
    if (!w) return nullptr;
    if (w->invalid) update = w->update;
    erase = w->invalid && w->erase;
    portable::ValidateLocked(system, *w);
    portable::DcPlace p = portable::PlaceOf(system, *w, false);
    // Drawing reaches only what was invalid.
    p.bounds = RECT{std::max(p.bounds.left, p.origin.x + update.left), std::max(p.bounds.top, p.origin.y + update.top),
                    std::min(p.bounds.right, p.origin.x + update.right),
                    std::min(p.bounds.bottom, p.origin.y + update.bottom)};
    hdc = portable::gdi::OpenWindowDc(hWnd, p.size, p.origin, p.bounds);
  }
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = hdc;
  lpPaint->rcPaint = update;
  lpPaint->fErase = TRUE;
  if (!hdc) return nullptr;
  if (erase) lpPaint->fErase = portable::Send(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
  return hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return FALSE;
  ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w || hWnd == system.Desktop()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  portable::InvalidateLocked(system, *w, lpRect, bErase != FALSE);
  return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // The update area is one box: a rectangle validates it only when it covers it.
  const RECT& u = w->update;
  if (!lpRect || (lpRect->left <= u.left && lpRect->top <= u.top && lpRect->right >= u.right &&
                  lpRect->bottom >= u.bottom))
    portable::ValidateLocked(system, *w);
  return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL /*bErase*/) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (lpRect) *lpRect = w->invalid ? w->update : RECT{};
  return w->invalid ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd) {
  const DWORD self = portable::CurrentThread();
  bool paint = false;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWnd, self);
    if (!w) return FALSE;
    paint = w->invalid && portable::IsVisibleLocked(system, *w);
  }
  if (paint) portable::Send(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags) {
  if (hrgnUpdate) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  std::vector<HWND> update;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    const bool children = (flags & RDW_ALLCHILDREN) != 0;
    std::vector<Window*> todo{w};
    for (std::size_t i = 0; i < todo.size(); ++i) {
      Window* at = todo[i];
      if (flags & RDW_VALIDATE) portable::ValidateLocked(system, *at);
      if (flags & RDW_INVALIDATE)
        portable::InvalidateLocked(system, *at, at == w ? lprcUpdate : nullptr, (flags & RDW_ERASE) != 0);
      update.push_back(at->hwnd);
      if (children)
        for (HWND c : at->children)
          if (Window* cw = system.Find(c)) todo.push_back(cw);
    }
  }
  if (flags & RDW_UPDATENOW)
    for (HWND h : update) UpdateWindow(h);
  return TRUE;
}

BOOL PrintWindow(HWND hwnd, HDC hdcBlt, UINT nFlags) {
  const DWORD self = portable::CurrentThread();
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    if (!portable::FindOwnWindow(system, hwnd, self)) return FALSE;
  }
  if (!hdcBlt) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LPARAM flags = PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND;
  if (!(nFlags & PW_CLIENTONLY)) flags |= PRF_NONCLIENT;
  portable::Send(hwnd, WM_PRINT, reinterpret_cast<WPARAM>(hdcBlt), flags);
  return TRUE;
}

}  // namespace win

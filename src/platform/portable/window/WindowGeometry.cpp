// Positions, sizes and z-order.
#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win {

using portable::Window;
using portable::WindowSystem;

namespace {

bool IsSpecialInsertAfter(HWND after) {
  return after == HWND_TOP || after == HWND_BOTTOM || after == HWND_TOPMOST || after == HWND_NOTOPMOST;
}

// Answers whether the window's place among its siblings (or its topmost state) changed.
// Among top-level windows WS_EX_TOPMOST ones form a band above the others:
// HWND_TOPMOST joins it, HWND_NOTOPMOST and HWND_BOTTOM leave it.
bool Restack(WindowSystem& system, Window& w, HWND after) {
  Window* parent = system.Find(w.parent);
  if (!parent || after == w.hwnd) return false;
  const bool topLevel = parent->hwnd == system.Desktop();
  const DWORD exBefore = w.exStyle;
  if (topLevel && after == HWND_NOTOPMOST && !(w.exStyle & WS_EX_TOPMOST)) return false;
  auto& list = parent->children;
  const auto before = list;
  list.erase(std::remove(list.begin(), list.end(), w.hwnd), list.end());
  if (after == HWND_BOTTOM) {
    list.push_back(w.hwnd);
  } else if (IsSpecialInsertAfter(after)) {
    list.insert(list.begin(), w.hwnd);
  } else {
    auto it = std::find(list.begin(), list.end(), after);
    list.insert(it == list.end() ? list.begin() : it + 1, w.hwnd);
  }
  if (topLevel) {
    if (after == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST || after == HWND_BOTTOM) w.exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    system.SortTopmostBand();
  }
  return list != before || w.exStyle != exBefore;
}

struct ClientPlace {
  POINT origin;  // in the parent's client coordinates
  RECT size;
};

ClientPlace PlaceOf(WindowSystem& system, const Window& w) {
  RECT insets = portable::NonClientInsets(w.style, w.exStyle, false);
  return ClientPlace{POINT{w.rect.left + insets.left, w.rect.top + insets.top}, system.ClientRect(w)};
}

}  // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  WINDOWPOS pos{};
  {
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWnd, self);
    if (!w) return FALSE;
    if (!(uFlags & SWP_NOZORDER) && !IsSpecialInsertAfter(hWndInsertAfter)) {
      Window* after = system.Find(hWndInsertAfter);
      if (!after) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
    }
    pos = WINDOWPOS{hWnd, hWndInsertAfter, X, Y, std::max(cx, 0), std::max(cy, 0), uFlags};
    if (uFlags & SWP_NOMOVE) {
      pos.x = w->rect.left;
      pos.y = w->rect.top;
    }
    if (uFlags & SWP_NOSIZE) {
      pos.cx = w->rect.right - w->rect.left;
      pos.cy = w->rect.bottom - w->rect.top;
    }
  }
  if (!(uFlags & SWP_NOSENDCHANGING)) {
    portable::Send(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  }
  bool changed = (pos.flags & SWP_FRAMECHANGED) != 0;
  bool activate = false;
  bool hidTopLevel = false;
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWnd);
    if (!w) return FALSE;  // destroyed by a handler
    const ClientPlace before = PlaceOf(system, *w);
    const RECT rectBefore = w->rect;
    // Showing a visible window or hiding a hidden one is no change, and not reported as one.
    if (w->style & WS_VISIBLE)
      pos.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    else
      pos.flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
    if (!(pos.flags & SWP_NOMOVE)) {
      LONG width = w->rect.right - w->rect.left;
      LONG height = w->rect.bottom - w->rect.top;
      w->rect = RECT{pos.x, pos.y, pos.x + width, pos.y + height};
    }
    if (!(pos.flags & SWP_NOSIZE)) {
      w->rect.right = w->rect.left + std::max(pos.cx, 0);
      w->rect.bottom = w->rect.top + std::max(pos.cy, 0);
    }
    const bool topLevel = w->parent == system.Desktop();
    hidTopLevel = topLevel && (pos.flags & SWP_HIDEWINDOW);
    if (pos.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (pos.flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (pos.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) changed = true;
    if (!(pos.flags & SWP_NOZORDER) && Restack(system, *w, pos.hwndInsertAfter)) changed = true;
    const ClientPlace after = PlaceOf(system, *w);
    if (before.origin.x == after.origin.x && before.origin.y == after.origin.y) pos.flags |= portable::kSwpNoClientMove;
    if (before.size.right == after.size.right && before.size.bottom == after.size.bottom)
      pos.flags |= portable::kSwpNoClientSize;
    if (w->rect.left != rectBefore.left || w->rect.top != rectBefore.top || w->rect.right != rectBefore.right ||
        w->rect.bottom != rectBefore.bottom || !(pos.flags & portable::kSwpNoClientMove) ||
        !(pos.flags & portable::kSwpNoClientSize))
      changed = true;
    pos.x = w->rect.left;
    pos.y = w->rect.top;
    pos.cx = w->rect.right - w->rect.left;
    pos.cy = w->rect.bottom - w->rect.top;
    // What comes into view, or changes size, is painted again.
    if (pos.flags & SWP_SHOWWINDOW)
      portable::InvalidateTreeLocked(system, *w, true);
    else if (!(pos.flags & portable::kSwpNoClientSize))
      portable::InvalidateLocked(system, *w, nullptr, true);
    // A top-level window placed without SWP_NOACTIVATE becomes the active, foreground window.
    activate = topLevel && !(pos.flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW)) && (w->style & WS_VISIBLE);
  }
  if (activate) portable::RequestForeground(hWnd, false);
  // Hiding the active window hands activation on.
  if (hidTopLevel) portable::ActivateOther(hWnd);
  if (!IsWindow(hWnd)) return TRUE;
  // As on Windows, a call that changed nothing ends after WM_WINDOWPOSCHANGING.
  if (changed) portable::Send(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                      SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!lpRect) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  POINT origin = hWnd == system.Desktop() ? POINT{0, 0} : system.ClientOrigin(w->parent);
  *lpRect = RECT{origin.x + w->rect.left, origin.y + w->rect.top, origin.x + w->rect.right, origin.y + w->rect.bottom};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!lpRect) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  *lpRect = system.ClientRect(*w);
  return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
  if (!lpRect) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  RECT insets = portable::NonClientInsets(dwStyle, dwExStyle, bMenu != FALSE);
  lpRect->left -= insets.left;
  lpRect->top -= insets.top;
  lpRect->right += insets.right;
  lpRect->bottom += insets.bottom;
  return TRUE;
}

}  // namespace win

// Parents, owners and the threads windows belong to.
#include <unistd.h>

#include "platform/portable/window/WindowSystem.h"

namespace win {

using portable::Window;
using portable::WindowSystem;

HWND GetDesktopWindow() {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return system.Desktop();
}

HWND GetParent(HWND hWnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->style & WS_POPUP) return w->owner;
  if ((w->style & WS_CHILD) && w->parent != system.Desktop()) return w->parent;
  return nullptr;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  HWND previous = nullptr;
  HWND newParent = nullptr;
  {
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWndChild, self);
    if (!w) return nullptr;
    newParent = hWndNewParent ? hWndNewParent : system.Desktop();
    if (!system.Find(newParent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (newParent == hWndChild || system.IsAncestor(hWndChild, newParent)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    previous = w->parent;
  }
  // As on Windows the window is hidden while it moves, put on top of its new
  // siblings at the same place relative to its new parent, and shown again.
  const BOOL wasVisible = ShowWindow(hWndChild, SW_HIDE);
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWndChild);
    if (!w) return previous;
    system.Unlink(*w);
    system.Link(*w, newParent, false);
  }
  SetWindowPos(hWndChild, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (wasVisible && IsWindow(hWndChild)) ShowWindow(hWndChild, SW_SHOW);
  return previous;
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  while (w && (w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD) {
    if (w->parent == hWndParent) return hWndParent != nullptr;
    w = system.Find(w->parent);
  }
  return FALSE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (lpdwProcessId) *lpdwProcessId = static_cast<DWORD>(getpid());
  return w->threadId;
}

}  // namespace win

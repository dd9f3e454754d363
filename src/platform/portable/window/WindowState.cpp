// Visibility, enabled state and the keyboard focus.
#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

void MoveFocusOutOf(HWND hwnd) {
  const DWORD self = CurrentThread();
  auto& system = WindowSystem::Get();
  HWND target = nullptr;
  {
    std::lock_guard lock(system.mutex);
    ThreadState* thread = system.FindThread(self);
    if (!thread || !thread->focus) return;
    if (thread->focus != hwnd && !system.IsAncestor(hwnd, thread->focus)) return;
    Window* w = system.Find(hwnd);
    Window* parent = w ? system.Find(w->parent) : nullptr;
    if (parent && parent->hwnd != system.Desktop() && parent->threadId == self) target = parent->hwnd;
  }
  if (target) SetFocus(target);
  {
    std::lock_guard lock(system.mutex);
    ThreadState* thread = system.FindThread(self);
    if (!thread || !thread->focus) return;
    if (thread->focus != hwnd && !system.IsAncestor(hwnd, thread->focus)) return;
  }
  // The parent could not take it (disabled, say): nobody has the focus then.
  SetFocus(nullptr);
}

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

namespace {

constexpr int kLastShowCommand = 11;  // SW_FORCEMINIMIZE

}  // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  const DWORD self = portable::CurrentThread();
  bool wasVisible = false;
  bool child = false;
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWnd, self);
    if (!w) return FALSE;
    if (nCmdShow < 0 || nCmdShow > kLastShowCommand) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    wasVisible = (w->style & WS_VISIBLE) != 0;
    child = (w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD;
  }
  const bool show = nCmdShow != SW_HIDE;
  // SW_SHOWNA announces itself even to a window that is already visible, as on Windows.
  if (show == wasVisible && nCmdShow != SW_SHOWNA) return wasVisible;
  portable::Send(hWnd, WM_SHOWWINDOW, show, 0);
  if (!IsWindow(hWnd)) return wasVisible;
  bool parentShown = true;
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWnd);
    if (!w) return wasVisible;
    for (Window* p = system.Find(w->parent); p && p->hwnd != system.Desktop(); p = system.Find(p->parent))
      if (!(p->style & WS_VISIBLE)) parentShown = false;
    // Under a hidden parent nothing on screen changes: Windows only flips the style bit.
    if (!parentShown) {
      if (show)
        w->style |= WS_VISIBLE;
      else
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    }
  }
  if (parentShown) {
    // Showing a top-level window activates it unless the command says not to.
    const bool activates = show && !child && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                           nCmdShow != SW_SHOWMINNOACTIVE;
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (activates ? 0u : static_cast<UINT>(SWP_NOACTIVATE)) |
                     (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
  if (!show && IsWindow(hWnd)) portable::MoveFocusOutOf(hWnd);
  return wasVisible;
}

BOOL IsWindowVisible(HWND hWnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) return FALSE;
  for (; w; w = system.Find(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (w->hwnd == system.Desktop()) break;
  }
  return TRUE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  bool wasDisabled = false;
  {
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, hWnd, self);
    if (!w) return FALSE;
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (bEnable && wasDisabled) w->style &= ~static_cast<DWORD>(WS_DISABLED);
  }
  if (bEnable && wasDisabled) {
    portable::Send(hWnd, WM_ENABLE, TRUE, 0);
  } else if (!bEnable && !wasDisabled) {
    portable::Send(hWnd, WM_CANCELMODE, 0, 0);
    {
      std::lock_guard lock(system.mutex);
      Window* w = system.Find(hWnd);
      if (!w) return FALSE;
      w->style |= WS_DISABLED;
    }
    // A disabled window cannot keep the focus.
    if (GetFocus() == hWnd) SetFocus(nullptr);
    portable::Send(hWnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  return w && !(w->style & WS_DISABLED);
}

HWND SetFocus(HWND hWnd) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  HWND previous = nullptr;
  {
    std::lock_guard lock(system.mutex);
    if (hWnd) {
      Window* w = system.Find(hWnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (w->threadId != self) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
      }
      // The window and its chain of parents up to the top-level window must be usable.
      for (Window* link = w; link && link->hwnd != system.Desktop(); link = system.Find(link->parent)) {
        if (link->style & (WS_DISABLED | WS_MINIMIZE)) return nullptr;
        if ((link->style & (WS_CHILD | WS_POPUP)) != WS_CHILD) break;
      }
    }
    portable::ThreadState& thread = system.Thread(self);
    previous = thread.focus;
    if (previous == hWnd) return previous;
    // The focus changes before the messages go out: during WM_KILLFOCUS
    // GetFocus already answers the new window, as on Windows.
    thread.focus = hWnd;
  }
  if (previous) {
    portable::Send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (GetFocus() != hWnd) return previous;  // a handler moved the focus elsewhere
  }
  if (hWnd && IsWindow(hWnd)) portable::Send(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  portable::ThreadState* thread = system.FindThread(self);
  return thread ? thread->focus : nullptr;
}

}  // namespace win

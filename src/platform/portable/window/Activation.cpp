// The active window of each thread and the system's foreground window.
//
// As on Windows the foreground window is the active window of the foreground
// thread. Making a window of another thread the foreground window makes that
// thread the foreground thread at once and asks it to activate the window: it
// does so the next time it reads its queue, so the activation messages and the
// focus change happen on the thread that owns the window (until then
// GetForegroundWindow answers that thread's previous active window).
#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

bool CanActivate(const Window* w) {
  if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) return false;
  if ((w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD) return false;
  // Never made active in place of a window that goes away (nor by clicks).
  return !(w->exStyle & WS_EX_NOACTIVATE);
}

void Queue(WindowSystem& system, DWORD thread, HWND hwnd, bool mouse, DWORD otherThread) {
  auto item = std::make_shared<Incoming>();
  item->kind = Incoming::Kind::kActivate;
  item->hwnd = hwnd;
  item->mouse = mouse;
  item->otherThread = otherThread;
  system.Thread(thread).incoming.push_back(item);
}

}  // namespace

bool RunActivation(HWND hwnd, bool mouse, DWORD otherThread) {
  const DWORD self = CurrentThread();
  auto& system = WindowSystem::Get();
  HWND previous = nullptr;
  {
    std::lock_guard lock(system.mutex);
    if (hwnd) {
      Window* w = system.Find(hwnd);
      if (!w || w->threadId != self) return false;
    }
    previous = system.Thread(self).active;
    if (previous == hwnd) return true;
  }
  // Windows' order: the window losing activation hears of it first.
  if (previous && IsWindow(previous)) {
    Send(previous, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(hwnd));
    Send(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
  }
  std::vector<HWND> appWindows;
  bool nowForeground = false;
  {
    std::lock_guard lock(system.mutex);
    if (hwnd && !system.Find(hwnd)) hwnd = nullptr;  // destroyed by a handler
    system.Thread(self).active = hwnd;
    nowForeground = hwnd && system.foregroundThread == self;
    Window* desktop = system.Find(system.Desktop());
    if (hwnd) {
      // The active window comes to the top of its band (no position messages here).
      auto& list = desktop->children;
      list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
      list.insert(list.begin(), hwnd);
      system.SortTopmostBand();
    }
    // The thread as a whole gains or loses activation: all its top-level windows hear it.
    if (!previous != !hwnd) {
      for (HWND top : desktop->children) {
        Window* w = system.Find(top);
        if (w && w->threadId == self) appWindows.push_back(top);
      }
    }
  }
  for (HWND top : appWindows) {
    if (IsWindow(top)) Send(top, WM_ACTIVATEAPP, hwnd ? TRUE : FALSE, static_cast<LPARAM>(otherThread));
  }
  if (hwnd && IsWindow(hwnd)) {
    Send(hwnd, WM_NCACTIVATE, nowForeground ? TRUE : FALSE, reinterpret_cast<LPARAM>(previous));
    Send(hwnd, WM_ACTIVATE, MAKEWPARAM(mouse ? WA_CLICKACTIVE : WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
  }
  // The focus follows when the window procedure did not take it (DefWindowProcW does).
  HWND focus = nullptr;
  {
    std::lock_guard lock(system.mutex);
    ThreadState& thread = system.Thread(self);
    if (thread.active != hwnd) return true;  // a handler activated something else
    focus = thread.focus;
    if (hwnd && focus && system.Root(focus) == hwnd) return true;
  }
  if (hwnd || focus) SetFocus(hwnd);
  return true;
}

bool RequestForeground(HWND hwnd, bool mouse) {
  const DWORD self = CurrentThread();
  auto& system = WindowSystem::Get();
  DWORD target = 0;
  DWORD oldThread = 0;
  bool deactivateHere = false;
  bool activateHere = false;
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w || hwnd == system.Desktop()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
    hwnd = system.Root(hwnd);
    target = system.Find(hwnd)->threadId;
    ThreadState& owner = system.Thread(target);
    if (system.foregroundThread == target && owner.active == hwnd) return true;
    oldThread = system.foregroundThread;
    system.foregroundThread = target;
    if (oldThread && oldThread != target && IsRunningThread(oldThread)) {
      if (oldThread == self)
        deactivateHere = true;
      else
        Queue(system, oldThread, nullptr, false, target);
    }
    if (target == self)
      activateHere = true;
    else
      Queue(system, target, hwnd, mouse, oldThread);
  }
  system.posted.notify_all();
  if (deactivateHere) RunActivation(nullptr, false, target);
  if (activateHere) RunActivation(hwnd, mouse, oldThread);
  return true;
}

void ActivateOther(HWND hwnd) {
  const DWORD self = CurrentThread();
  auto& system = WindowSystem::Get();
  HWND candidate = nullptr;
  DWORD candidateThread = 0;
  bool wasForeground = false;
  {
    std::lock_guard lock(system.mutex);
    if (system.Thread(self).active != hwnd) return;
    Window* w = system.Find(hwnd);
    // An owned popup hands activation back to its owner first.
    if (w && (w->style & WS_POPUP) && w->owner) {
      HWND owner = system.Root(w->owner);
      if (CanActivate(system.Find(owner))) candidate = owner;
    }
    if (!candidate) {
      // Then the next window down the z-order, then from the top.
      const auto& list = system.Find(system.Desktop())->children;
      auto at = std::find(list.begin(), list.end(), hwnd);
      std::vector<HWND> order(at == list.end() ? list.begin() : at + 1, list.end());
      order.insert(order.end(), list.begin(), at);
      for (HWND other : order) {
        if (other != hwnd && CanActivate(system.Find(other))) {
          candidate = other;
          break;
        }
      }
    }
    if (candidate) candidateThread = system.Find(candidate)->threadId;
    wasForeground = !system.Foreground() || system.Foreground() == hwnd;
  }
  if (candidate && wasForeground) {
    RequestForeground(candidate, false);
    return;
  }
  RunActivation(candidate && candidateThread == self ? candidate : nullptr, false, 0);
}

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

HWND GetActiveWindow() {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  portable::ThreadState* thread = system.FindThread(self);
  return thread ? thread->active : nullptr;
}

HWND SetActiveWindow(HWND hWnd) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  HWND previous = nullptr;
  {
    std::lock_guard lock(system.mutex);
    previous = system.Thread(self).active;
    if (hWnd) {
      Window* w = system.Find(hWnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      // A child window is never active; the call changes nothing.
      if ((w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD) return previous;
      if (w->threadId != self) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
    }
  }
  portable::RunActivation(hWnd, false, 0);
  return previous;
}

HWND GetForegroundWindow() {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return system.Foreground();
}

BOOL SetForegroundWindow(HWND hWnd) { return portable::RequestForeground(hWnd, false) ? TRUE : FALSE; }

}  // namespace win

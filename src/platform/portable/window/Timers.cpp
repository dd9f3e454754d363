// Window and thread timers on the virtual clock.
//
// The clock starts at a fixed value and moves only when the test driver
// advances it, or when a thread waits in GetMessageW with nothing to read but
// a timer (MessageQueue.cpp). WM_TIMER is never queued: reading the queue
// makes it when a timer is due.
#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win {

using portable::Timer;
using portable::Window;
using portable::WindowSystem;

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  UINT_PTR result = 0;
  {
    std::lock_guard lock(system.mutex);
    DWORD owner = self;
    if (hWnd) {
      Window* w = system.Find(hWnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
      if (hWnd == system.Desktop()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
      }
      owner = w->threadId;  // a window's timer runs on the window's thread, whoever sets it
    }
    const UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    Timer* timer = (hWnd || nIDEvent) ? system.FindTimer(hWnd, nIDEvent, owner) : nullptr;
    if (!timer) {
      UINT_PTR id = nIDEvent;
      if (!hWnd) {
        // A thread timer gets an identifier of its own, never one in use.
        auto& thread = system.Thread(owner);
        do {
          id = thread.nextTimerId;
          thread.nextTimerId = thread.nextTimerId > 0x100 ? thread.nextTimerId - 1 : 0x7fff;
        } while (system.FindTimer(nullptr, id, owner));
      }
      system.timers.push_back(Timer{hWnd, id, owner, 0, 0, 0, nullptr});
      timer = &system.timers.back();
    }
    // Setting a timer again starts its interval over.
    timer->elapse = elapse;
    timer->proc = lpTimerFunc;
    timer->due = system.clock + elapse;
    timer->order = system.nextTimerOrder++;
    result = timer->id ? timer->id : 1;
  }
  system.posted.notify_all();
  return result;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  if (hWnd && !system.Find(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto& timers = system.timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) {
    return t.hwnd == hWnd && t.id == uIDEvent && (hWnd || t.threadId == self);
  });
  if (it == timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  timers.erase(it);
  return TRUE;
}

DWORD GetTickCount() {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return static_cast<DWORD>(system.clock);
}

}  // namespace win

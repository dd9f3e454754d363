// Posted messages: each thread's queue, reading it and dispatching.
#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

bool Post(DWORD threadId, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    if (hwnd) {
      Window* w = system.Find(hwnd);
      if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
      }
      // The desktop belongs to the system, which reads and ignores what it gets.
      if (hwnd == system.Desktop()) return true;
      threadId = w->threadId;
    } else if (!IsRunningThread(threadId)) {
      SetLastError(ERROR_INVALID_THREAD_ID);
      return false;
    }
    system.Thread(threadId).posted.push_back(
        MSG{hwnd, msg, wParam, lParam, static_cast<DWORD>(system.clock), system.cursor});
  }
  system.posted.notify_all();
  return true;
}

bool Matches(WindowSystem& system, const MSG& m, HWND filter, UINT first, UINT last) {
  if (filter == kThreadMessagesOnly) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter && !system.IsAncestor(filter, m.hwnd)) {
    return false;
  }
  if (first == 0 && last == 0) return true;
  return m.message >= first && m.message <= last;
}

enum class Wait { kNo, kYes };

bool TimerMatches(WindowSystem& system, const Timer& t, HWND filter, UINT first, UINT last) {
  MSG probe{t.hwnd, WM_TIMER, t.id, 0, 0, POINT{0, 0}};
  return Matches(system, probe, filter, first, last);
}

// The calling thread's timer that comes next for this filter, due or not.
Timer* NextTimer(WindowSystem& system, DWORD self, HWND filter, UINT first, UINT last) {
  Timer* next = nullptr;
  for (Timer& t : system.timers) {
    if (t.threadId != self || !TimerMatches(system, t, filter, first, last)) continue;
    if (!next || t.due < next->due || (t.due == next->due && t.order < next->order)) next = &t;
  }
  return next;
}

// 1 with a message, 0 without (only when not waiting), -1 for a bad filter window.
// Windows' order: messages sent by other threads are handled first (they are
// never returned), then posted messages, then WM_QUIT, then WM_PAINT for an
// invalid window (left in place: it comes until the window is validated),
// then due timers.
int Retrieve(MSG& out, HWND filter, UINT first, UINT last, bool remove, Wait wait) {
  const DWORD self = CurrentThread();
  auto& system = WindowSystem::Get();
  {
    std::unique_lock lock(system.mutex);
    if (filter && filter != kThreadMessagesOnly && !system.Find(filter)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    for (;;) {
      ThreadState& thread = system.Thread(self);
      if (!thread.incoming.empty()) {
        auto item = thread.incoming.front();
        thread.incoming.pop_front();
        lock.unlock();
        HandleIncoming(item);
        lock.lock();
        continue;
      }
      auto& queue = thread.posted;
      auto it = std::find_if(queue.begin(), queue.end(),
                             [&](const MSG& m) { return Matches(system, m, filter, first, last); });
      if (it != queue.end()) {
        out = *it;
        if (remove) queue.erase(it);
        break;
      }
      if (thread.quitPending) {
        out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(thread.quitCode), 0, 0, POINT{0, 0}};
        if (remove) thread.quitPending = false;
        break;
      }
      HWND paint = NextToPaint(system, self, [&](HWND hwnd) {
        return Matches(system, MSG{hwnd, WM_PAINT, 0, 0, 0, POINT{0, 0}}, filter, first, last);
      });
      if (paint) {
        out = MSG{paint, WM_PAINT, 0, 0, static_cast<DWORD>(system.clock), system.cursor};
        break;
      }
      Timer* next = NextTimer(system, self, filter, first, last);
      if (next && next->due <= system.clock) {
        // Made when read, never queued: at most one WM_TIMER per timer is ever pending.
        out = MSG{next->hwnd, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->proc),
                  static_cast<DWORD>(system.clock), system.cursor};
        if (remove) {
          next->due = system.clock + next->elapse;
          next->order = system.nextTimerOrder++;
        }
        break;
      }
      if (wait == Wait::kNo) return 0;
      if (next) {
        // Nothing to read but a timer: time passes until it is due, so that a
        // plain message loop over a timer cannot hang on the virtual clock.
        system.clock = next->due;
        system.posted.notify_all();
        continue;
      }
      system.posted.wait(lock);
    }
  }
  // The hooks see the message before the caller does and may change it.
  CallHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(&out));
  return 1;
}

}  // namespace

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return portable::Post(portable::CurrentThread(), hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return portable::Post(idThread, nullptr, Msg, wParam, lParam) ? TRUE : FALSE;
}

void PostQuitMessage(int nExitCode) {
  const DWORD self = portable::CurrentThread();
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    auto& thread = system.Thread(self);
    thread.quitPending = true;
    thread.quitCode = nExitCode;
  }
  system.posted.notify_all();
}

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) {
    SetLastError(ERROR_NOACCESS);
    return -1;
  }
  MSG msg{};
  int got = portable::Retrieve(msg, hWnd, wMsgFilterMin, wMsgFilterMax, true, portable::Wait::kYes);
  if (got < 0) return -1;
  *lpMsg = msg;
  return msg.message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  MSG msg{};
  int got = portable::Retrieve(msg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0,
                               portable::Wait::kNo);
  if (got <= 0) return FALSE;
  *lpMsg = msg;
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* lpMsg) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD self = portable::CurrentThread();
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    // Only a procedure some timer of this thread was set with is called: the
    // lParam of a message is no licence to call any address.
    auto* timerProc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
    DWORD now = 0;
    {
      auto& system = WindowSystem::Get();
      std::lock_guard lock(system.mutex);
      bool known = std::any_of(system.timers.begin(), system.timers.end(), [&](const portable::Timer& t) {
        return t.proc == timerProc && t.hwnd == lpMsg->hwnd && t.threadId == self;
      });
      if (!known) return 0;
      now = static_cast<DWORD>(system.clock);
    }
    portable::InSendScope notSent(false);
    timerProc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, now);
    return 0;
  }
  if (!lpMsg->hwnd) return 0;
  WNDPROC proc = nullptr;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, lpMsg->hwnd, self);
    if (!w) return 0;
    proc = w->proc;
  }
  // Not a send: the WH_CALLWNDPROCRET hooks do not see dispatched messages.
  portable::InSendScope notSent(false);
  return proc ? proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
}

BOOL TranslateMessage(const MSG* /*lpMsg*/) { return FALSE; }

}  // namespace win

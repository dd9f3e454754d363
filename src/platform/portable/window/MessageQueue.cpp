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
    system.Thread(threadId).posted.push_back(MSG{hwnd, msg, wParam, lParam, 0, POINT{0, 0}});
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

// 1 with a message, 0 without (only when not waiting), -1 for a bad filter window.
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
      if (wait == Wait::kNo) return 0;
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
  if (!lpMsg->hwnd) return 0;
  const DWORD self = portable::CurrentThread();
  WNDPROC proc = nullptr;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = portable::FindOwnWindow(system, lpMsg->hwnd, self);
    if (!w) return 0;
    proc = w->proc;
  }
  // Not a send: the WH_CALLWNDPROCRET hooks do not see dispatched messages.
  return proc ? proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
}

BOOL TranslateMessage(const MSG* /*lpMsg*/) { return FALSE; }

}  // namespace win

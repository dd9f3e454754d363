// Thread identity and the per-thread error code.
#include <atomic>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

// Identifiers are handed out in order of first use and never reused, so a
// stale identifier never names a live thread. They step by 4 as on Windows;
// 4 itself is the desktop's.
std::atomic<DWORD> nextThreadId{8};

struct ThreadRegistration {
  DWORD id = nextThreadId.fetch_add(4);

  // A thread that ends takes its windows with it. Its objects may already be
  // gone, so no window procedure is called: the records are dropped silently.
  ~ThreadRegistration() {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    for (HWND hwnd : system.WindowsOfThread(id)) system.RemoveWindow(hwnd);
    system.ForgetThread(id);
  }
};

thread_local ThreadRegistration currentThread;
thread_local DWORD lastError = 0;

}  // namespace

DWORD CurrentThread() { return currentThread.id; }

}  // namespace win::portable

namespace win {

DWORD GetLastError() { return portable::lastError; }

void SetLastError(DWORD dwErrCode) { portable::lastError = dwErrCode; }

DWORD GetCurrentThreadId() { return portable::CurrentThread(); }

}  // namespace win

// Thread identity and the per-thread error code.
#include <algorithm>
#include <atomic>
#include <unordered_set>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

// Identifiers are handed out in order of first use and never reused, so a
// stale identifier never names a live thread. They step by 4 as on Windows;
// 4 itself is the desktop's.
std::atomic<DWORD> nextThreadId{8};

// Separate from the window system's mutex, which may be held while asking.
// Never take the window system's mutex while holding this one.
std::mutex& RunningMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::unordered_set<DWORD>& Running() {
  static auto* running = new std::unordered_set<DWORD>();
  return *running;
}

struct ThreadRegistration {
  DWORD id = nextThreadId.fetch_add(4);

  ThreadRegistration() {
    std::lock_guard lock(RunningMutex());
    Running().insert(id);
  }

  // A thread that ends takes its windows, its queue and the hooks watching it
  // with it. Its objects may already be gone, so no window procedure is called:
  // the records are dropped silently. It stops counting as running first, so
  // nobody can post to it or hook it while it is being cleaned up.
  ~ThreadRegistration() {
    {
      std::lock_guard lock(RunningMutex());
      Running().erase(id);
    }
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    for (HWND hwnd : system.WindowsOfThread(id)) system.RemoveWindow(hwnd);
    system.RemoveHooksOfThread(id);
    // Whoever still waits for this thread to handle a message gets 0.
    if (ThreadState* state = system.FindThread(id)) {
      for (auto& item : state->incoming) item->done = true;
    }
    auto& timers = system.timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [this](const Timer& t) { return t.threadId == id; }),
                 timers.end());
    if (system.foregroundThread == id) system.foregroundThread = 0;
    system.ForgetThread(id);
    system.posted.notify_all();
  }
};

thread_local ThreadRegistration currentThread;
thread_local DWORD lastError = 0;

}  // namespace

DWORD CurrentThread() { return currentThread.id; }

bool IsRunningThread(DWORD threadId) {
  std::lock_guard lock(RunningMutex());
  return Running().count(threadId) != 0;
}

}  // namespace win::portable

namespace win {

DWORD GetLastError() { return portable::lastError; }

void SetLastError(DWORD dwErrCode) { portable::lastError = dwErrCode; }

DWORD GetCurrentThreadId() { return portable::CurrentThread(); }

}  // namespace win

// One thread-local window hook per thread, shared by everyone on that thread
// who needs it: the first user installs it, the last one removes it.
#pragma once

#include <mutex>
#include <vector>

#include "platform/win/Window.h"

namespace vorn {

struct TThreadHookData {
  DWORD FThreadID = 0;
  HHOOK FHook = nullptr;  // null when the system refused the hook
  LONG FRefCount = 0;
};

class THookManager {
 public:
  THookManager(int hookType, HOOKPROC hookProc);
  ~THookManager();
  THookManager(const THookManager&) = delete;
  THookManager& operator=(const THookManager&) = delete;

  // For the calling thread: one more user; installs the hook for the first.
  void AddHook();
  // For the calling thread: one user less; removes the hook with the last.
  // A thread that never added a hook is left alone.
  void RemoveHook();
  // What a hook procedure answers: the rest of the calling thread's chain.
  // 0 when this thread has no hook of ours.
  LRESULT CallNextHook(int code, WPARAM wParam, LPARAM lParam);

  // The calling thread's users (0 without a record) and hook handle.
  LONG RefCount() const;
  HHOOK Hook() const;
  // Threads that have a record.
  int ThreadCount() const;

 private:
  // Require FLock held.
  TThreadHookData* Find(DWORD threadId);
  const TThreadHookData* Find(DWORD threadId) const;

  const int FHookType;
  const HOOKPROC FHookProc;
  std::vector<TThreadHookData> FRecords;
  // Recursive, as a critical section is: a hook procedure may run while the
  // same thread is inside AddHook or RemoveHook.
  mutable std::recursive_mutex FLock;
};

// The process's manager of activation hooks; exists while the library is loaded.
extern THookManager* HookManager;

}  // namespace vorn

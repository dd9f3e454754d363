// Thread hooks: installing, removing and running the chains.
#include <cstdint>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

// The hook the calling thread is running, so CallNextHookEx knows where the
// chain goes on (Windows ignores the handle it is given for the same reason).
struct RunningHook {
  bool active = false;
  int type = 0;
  DWORD threadId = 0;
  uint64_t serial = 0;
};
thread_local RunningHook runningHook;

class RunningHookScope {
 public:
  explicit RunningHookScope(const Hook& hook) : saved_(runningHook) {
    runningHook = RunningHook{true, hook.type, hook.threadId, hook.serial};
  }
  ~RunningHookScope() { runningHook = saved_; }
  RunningHookScope(const RunningHookScope&) = delete;
  RunningHookScope& operator=(const RunningHookScope&) = delete;

 private:
  RunningHook saved_;
};

LRESULT Run(const Hook& hook, int code, WPARAM wParam, LPARAM lParam) {
  RunningHookScope scope(hook);
  return hook.proc(code, wParam, lParam);
}

LRESULT RunNewest(int type, DWORD threadId, uint64_t before, int code, WPARAM wParam, LPARAM lParam) {
  Hook hook;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    if (!system.NewestHook(type, threadId, before, hook)) return 0;
  }
  return Run(hook, code, wParam, lParam);
}

}  // namespace

LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
  return RunNewest(type, CurrentThread(), UINT64_MAX, code, wParam, lParam);
}

}  // namespace win::portable

namespace win {

using portable::WindowSystem;

HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  if (idHook < WH_MIN || idHook > WH_MAX) {
    SetLastError(ERROR_INVALID_HOOK_FILTER);
    return nullptr;
  }
  if (!lpfn) {
    SetLastError(ERROR_INVALID_FILTER_PROC);
    return nullptr;
  }
  if (dwThreadId == 0) {
    // A system-wide hook lives in a module loaded into every process; there is
    // only this process here, so it is refused even with a module.
    SetLastError(hmod ? ERROR_NOT_SUPPORTED : ERROR_HOOK_NEEDS_HMOD);
    return nullptr;
  }
  if (idHook != WH_GETMESSAGE && idHook != WH_CALLWNDPROCRET) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  if (!portable::IsRunningThread(dwThreadId)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return system.AddHook(idHook, lpfn, dwThreadId);
}

BOOL UnhookWindowsHookEx(HHOOK hhk) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  if (!system.RemoveHook(hhk)) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK /*hhk*/, int nCode, WPARAM wParam, LPARAM lParam) {
  const auto current = portable::runningHook;
  if (!current.active) return 0;
  return portable::RunNewest(current.type, current.threadId, current.serial, nCode, wParam, lParam);
}

}  // namespace win

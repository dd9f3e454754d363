#include "platform/forms/TTimer.h"

#include <map>

#include "platform/com/ComError.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Window.h"

namespace forms {

namespace {

constexpr wchar_t kUtilityClass[] = L"VornTimerWindow";

// The calling thread's utility window and the timers that tick on it.
struct ThreadTimers {
  HWND window = nullptr;
  int users = 0;
  UINT_PTR nextId = 1;
  std::map<UINT_PTR, TTimer*> timers;
};

thread_local ThreadTimers threadTimers;

LRESULT CALLBACK UtilityWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && hwnd == threadTimers.window) {
    auto it = threadTimers.timers.find(static_cast<UINT_PTR>(wParam));
    if (it != threadTimers.timers.end()) {
      try {
        it->second->Timer();
      } catch (...) {
        // Handlers of the user interface fail silently.
      }
    }
    return 0;
  }
  return win::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND AcquireWindow() {
  if (!threadTimers.window) {
    detail::EnsureWindowClass(kUtilityClass, 0, &UtilityWndProc);
    HWND hwnd = win::CreateWindowExW(0, kUtilityClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     detail::ModuleInstance(), nullptr);
    if (!hwnd) {
      const DWORD error = win::GetLastError();
      throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, L"Cannot create the timer window");
    }
    threadTimers.window = hwnd;
  }
  ++threadTimers.users;
  return threadTimers.window;
}

void ReleaseWindow() {
  if (--threadTimers.users > 0) return;
  if (threadTimers.window) win::DestroyWindow(threadTimers.window);
  threadTimers.window = nullptr;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  Stop();
  if (holdsWindow_) ReleaseWindow();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::Stop() {
  if (!running_) return;
  running_ = false;
  win::KillTimer(window_, id_);
  threadTimers.timers.erase(id_);
}

void TTimer::UpdateTimer() {
  Stop();
  if (!enabled_ || interval_ == 0 || !onTimer_) return;
  if (!holdsWindow_) {
    window_ = AcquireWindow();
    holdsWindow_ = true;
    id_ = threadTimers.nextId++;
  }
  if (!win::SetTimer(window_, id_, interval_, nullptr)) {
    const DWORD error = win::GetLastError();
    throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, L"Not enough timers available");
  }
  threadTimers.timers[id_] = this;
  running_ = true;
}

void TTimer::Timer() {
  if (running_ && onTimer_) {
    // The handler may free the timer: keep the handler alive for the call.
    TNotifyEvent handler = onTimer_;
    handler(this);
  }
}

}  // namespace forms

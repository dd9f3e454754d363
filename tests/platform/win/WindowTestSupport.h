// Test windows that record the messages they receive and can be told how to
// answer some of them. Shared by the window-system and toolkit tests.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <thread>
#include <string>
#include <vector>

#include "platform/win/Window.h"

namespace window_test {

struct Logged {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  // Copied out of structures that live only during the call.
  UINT posFlags = 0;  // WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED
  DWORD styleOld = 0;  // WM_STYLECHANGING / WM_STYLECHANGED
  DWORD styleNew = 0;
};

// Every message a test window received, in order, on any thread that pumps one.
inline std::vector<Logged>& Log() {
  static std::vector<Logged> log;
  return log;
}

// The subset of the log with the given messages, as (window, message) pairs.
inline std::vector<std::pair<HWND, UINT>> Sequence(std::initializer_list<UINT> interesting) {
  std::vector<std::pair<HWND, UINT>> result;
  for (const auto& entry : Log()) {
    if (std::find(interesting.begin(), interesting.end(), entry.msg) != interesting.end())
      result.emplace_back(entry.hwnd, entry.msg);
  }
  return result;
}

inline std::vector<Logged> Entries(UINT msg) {
  std::vector<Logged> result;
  for (const auto& entry : Log())
    if (entry.msg == msg) result.push_back(entry);
  return result;
}

// What a test window does beyond the default: given through lpCreateParams.
struct Script {
  LRESULT ncCreateResult = TRUE;
  LRESULT createResult = 0;
  // Return true (and set result) to answer a message instead of DefWindowProcW.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> handler;
};

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    win::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  Logged entry{hwnd, msg, wParam, lParam};
  if (msg == WM_WINDOWPOSCHANGING || msg == WM_WINDOWPOSCHANGED)
    entry.posFlags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
  if (msg == WM_STYLECHANGING || msg == WM_STYLECHANGED) {
    entry.styleOld = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleOld;
    entry.styleNew = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew;
  }
  Log().push_back(entry);
  auto* script = reinterpret_cast<Script*>(win::GetWindowLongPtrW(hwnd, 0));
  if (script) {
    LRESULT result = 0;
    if (script->handler && script->handler(hwnd, msg, wParam, lParam, result)) return result;
    if (msg == WM_NCCREATE && script->ncCreateResult != TRUE) return script->ncCreateResult;
    if (msg == WM_CREATE) return script->createResult;
  }
  return win::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A window class of its own for each test; windows it made and that are still
// alive when it goes are destroyed first.
class TestClass {
 public:
  TestClass() : name_(L"VornWindowTest" + std::to_wstring(++Counter())) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = static_cast<int>(2 * sizeof(LONG_PTR));
    wc.lpszClassName = name_.c_str();
    atom_ = win::RegisterClassExW(&wc);
    Log().clear();
  }
  ~TestClass() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (win::IsWindow(*it)) win::DestroyWindow(*it);
    win::UnregisterClassW(name_.c_str(), nullptr);
    Log().clear();
  }
  TestClass(const TestClass&) = delete;
  TestClass& operator=(const TestClass&) = delete;

  ATOM Atom() const { return atom_; }
  LPCWSTR Name() const { return name_.c_str(); }

  HWND Make(HWND parent, DWORD style, RECT bounds = RECT{0, 0, 100, 50}, Script* script = nullptr, DWORD exStyle = 0,
            int id = 0) {
    HWND hwnd = win::CreateWindowExW(exStyle, name_.c_str(), L"", style, bounds.left, bounds.top,
                                     bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, script);
    if (hwnd) made_.push_back(hwnd);
    return hwnd;
  }
  // A visible top-level window without frame, the usual host of a test.
  HWND Top(RECT bounds = RECT{0, 0, 300, 200}) { return Make(nullptr, WS_POPUP | WS_VISIBLE, bounds); }
  HWND Child(HWND parent, RECT bounds = RECT{0, 0, 100, 50}, DWORD extraStyle = WS_VISIBLE, Script* script = nullptr,
             int id = 0) {
    return Make(parent, WS_CHILD | extraStyle, bounds, script, 0, id);
  }

 private:
  static int& Counter() {
    static int counter = 0;
    return counter;
  }
  std::wstring name_;
  ATOM atom_ = 0;
  std::vector<HWND> made_;
};

// Handles what other threads send to this one without taking any posted message.
inline void ServeSends() {
  MSG msg{};
  win::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_APP + 0x3ff0, WM_APP + 0x3ff0, PM_REMOVE);
}

// A thread that is always joined: on the way out it is asked to quit, and the
// test thread keeps serving sends while it waits, so neither can block the other.
class Worker {
 public:
  explicit Worker(std::function<void()> body)
      : thread_([this, body = std::move(body)] {
          id_ = win::GetCurrentThreadId();
          started_.set_value();
          body();
          finished_ = true;
        }) {
    started_.get_future().wait();
  }
  ~Worker() {
    win::PostThreadMessageW(id_, WM_QUIT, 0, 0);
    while (!finished_) {
      ServeSends();
      std::this_thread::yield();
    }
    thread_.join();
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  DWORD Id() const { return id_; }

 private:
  std::promise<void> started_;
  std::atomic<DWORD> id_{0};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace window_test

// Activation: which window is active and in the foreground, the messages of a
// change in Windows' order, what activates (showing, placing, a foreground
// request from another thread) and what happens when the active window goes.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win/Window.h"
#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::ServeSends;
using window_test::Worker;

constexpr UINT kSync = WM_USER + 701;

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

std::mutex seenMutex;
std::vector<Seen> seen;

bool Interesting(UINT msg) {
  return msg == WM_NCACTIVATE || msg == WM_ACTIVATE || msg == WM_ACTIVATEAPP || msg == WM_SETFOCUS ||
         msg == WM_KILLFOCUS || msg == kSync;
}

LRESULT CALLBACK ActivationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Interesting(msg)) {
    std::lock_guard lock(seenMutex);
    seen.push_back(Seen{hwnd, msg, wParam, lParam, win::GetCurrentThreadId()});
  }
  if (msg == kSync) return 1;
  return win::DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::vector<Seen> Taken() {
  std::lock_guard lock(seenMutex);
  return seen;
}

void Forget() {
  std::lock_guard lock(seenMutex);
  seen.clear();
}

// Only the messages of this window, in order.
std::vector<Seen> Of(HWND hwnd) {
  std::vector<Seen> result;
  for (const auto& s : Taken())
    if (s.hwnd == hwnd) result.push_back(s);
  return result;
}

using Step = std::pair<HWND, UINT>;
std::vector<Step> Steps(std::initializer_list<UINT> which) {
  std::vector<Step> result;
  for (const auto& s : Taken()) {
    for (UINT m : which)
      if (s.msg == m) result.emplace_back(s.hwnd, s.msg);
  }
  return result;
}

HWND Make(DWORD style, DWORD exStyle = 0, RECT r = RECT{100, 100, 300, 250}) {
  return win::CreateWindowExW(exStyle, L"VornActivationTest", L"", style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

void Pump() {
  MSG msg{};
  while (win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessageW(&msg);
}

class WindowActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ActivationProc;
    wc.lpszClassName = L"VornActivationTest";
    ASSERT_NE(win::RegisterClassW(&wc), 0);
    Forget();
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (win::IsWindow(*it)) win::DestroyWindow(*it);
    win::UnregisterClassW(L"VornActivationTest", nullptr);
    Pump();
    Forget();
  }
  HWND Top(DWORD extra = WS_VISIBLE, DWORD exStyle = 0) {
    HWND hwnd = Make(WS_POPUP | extra, exStyle);
    if (hwnd) made_.push_back(hwnd);
    return hwnd;
  }
  std::vector<HWND> made_;
  const DWORD self_ = win::GetCurrentThreadId();
};

TEST_F(WindowActivationTest, ShowingATopLevelWindowActivatesItUnlessToldNotTo) {
  struct Case {
    const char* name;
    int command;
    bool activates;
  };
  const Case cases[] = {
      {"SW_SHOW", SW_SHOW, true},
      {"SW_SHOWNORMAL", SW_SHOWNORMAL, true},
      {"SW_SHOWNA", SW_SHOWNA, false},
      {"SW_SHOWNOACTIVATE", SW_SHOWNOACTIVATE, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND first = Top();
    ASSERT_EQ(win::GetActiveWindow(), first) << "a window made visible is activated";
    HWND second = Top(0);
    EXPECT_EQ(win::GetActiveWindow(), first) << "a hidden window is not";
    win::ShowWindow(second, c.command);
    EXPECT_EQ(win::GetActiveWindow(), c.activates ? second : first);
    EXPECT_EQ(win::GetForegroundWindow(), win::GetActiveWindow());
  }
}

TEST_F(WindowActivationTest, ActivationMessagesComeInWindowsOrder) {
  HWND a = Top();
  HWND b = Top();
  ASSERT_EQ(win::GetActiveWindow(), b);
  ASSERT_EQ(win::GetFocus(), b) << "DefWindowProcW gives the focus to the window activated";
  Forget();
  EXPECT_EQ(win::SetActiveWindow(a), b);
  EXPECT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(win::GetForegroundWindow(), a);
  EXPECT_EQ(win::GetFocus(), a);
  const std::vector<Step> expected = {
      {b, WM_NCACTIVATE}, {b, WM_ACTIVATE}, {a, WM_NCACTIVATE}, {a, WM_ACTIVATE}, {b, WM_KILLFOCUS}, {a, WM_SETFOCUS},
  };
  EXPECT_EQ(Steps({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_SETFOCUS, WM_KILLFOCUS}), expected);
  auto lost = Of(b);
  ASSERT_GE(lost.size(), 2u);
  EXPECT_EQ(lost[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(lost[0].lParam, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(LOWORD(lost[1].wParam), WA_INACTIVE);
  EXPECT_EQ(lost[1].lParam, reinterpret_cast<LPARAM>(a));
  auto gained = Of(a);
  ASSERT_GE(gained.size(), 2u);
  EXPECT_EQ(gained[0].wParam, static_cast<WPARAM>(TRUE)) << "the foreground window's caption is active";
  EXPECT_EQ(LOWORD(gained[1].wParam), WA_ACTIVE);
  EXPECT_EQ(gained[1].lParam, reinterpret_cast<LPARAM>(b));
  // Activating the active window again sends nothing.
  Forget();
  EXPECT_EQ(win::SetActiveWindow(a), a);
  EXPECT_TRUE(Steps({WM_NCACTIVATE, WM_ACTIVATE}).empty());
}

TEST_F(WindowActivationTest, SetWindowPosActivatesUnlessSwpNoActivate) {
  HWND a = Top();
  HWND b = Top();
  ASSERT_EQ(win::GetActiveWindow(), b);
  win::SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(win::GetActiveWindow(), b);
  win::SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(win::GetActiveWindow(), a);
}

TEST_F(WindowActivationTest, WhenTheActiveWindowGoesTheNextOneIsActivated) {
  HWND a = Top();
  HWND b = Top();
  HWND c = Top();
  ASSERT_EQ(win::GetActiveWindow(), c);
  win::ShowWindow(c, SW_HIDE);
  EXPECT_EQ(win::GetActiveWindow(), b) << "the next window down the z-order";
  win::DestroyWindow(b);
  EXPECT_EQ(win::GetActiveWindow(), a);
  win::DestroyWindow(a);
  HWND left = win::GetActiveWindow();
  EXPECT_TRUE(left == nullptr || left == c) << "none of ours is left to activate";
  EXPECT_NE(left, c) << "a hidden window is never picked";
}

TEST_F(WindowActivationTest, AnOwnedPopupHandsActivationBackToItsOwner) {
  HWND owner = Top();
  HWND other = Top();
  HWND popup = win::CreateWindowExW(0, L"VornActivationTest", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, owner,
                                    nullptr, nullptr, nullptr);
  ASSERT_NE(popup, nullptr);
  made_.push_back(popup);
  ASSERT_EQ(win::GetActiveWindow(), popup);
  win::DestroyWindow(popup);
  EXPECT_EQ(win::GetActiveWindow(), owner) << "not " << other;
}

TEST_F(WindowActivationTest, DefWindowProcAgreesToNcActivate) {
  HWND a = Top(0);
  EXPECT_EQ(win::DefWindowProcW(a, WM_NCACTIVATE, TRUE, 0), TRUE);
  EXPECT_EQ(win::DefWindowProcW(a, WM_NCACTIVATE, FALSE, 0), TRUE);
}

TEST_F(WindowActivationTest, ChildWindowsAndBadHandlesChangeNothing) {
  HWND a = Top();
  HWND child = win::CreateWindowExW(0, L"VornActivationTest", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, nullptr,
                                    nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(win::SetActiveWindow(child), a);
  EXPECT_EQ(win::GetActiveWindow(), a);
  HWND gone = Top(0);
  win::DestroyWindow(gone);
  win::SetLastError(0);
  EXPECT_EQ(win::SetActiveWindow(gone), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(win::SetForegroundWindow(gone));
  EXPECT_EQ(win::GetActiveWindow(), a);
}

TEST_F(WindowActivationTest, AnotherThreadCanMakeOurWindowTheForegroundWindow) {
  HWND a = Top();
  HWND b = Top();
  ASSERT_EQ(win::GetActiveWindow(), b);
  std::atomic<BOOL> done{FALSE};
  {
    Worker worker([&] { done = win::SetForegroundWindow(a); });
  }
  EXPECT_TRUE(done.load());
  // This thread activates the window itself when it reads its queue (the
  // worker's joiner may already have read it).
  Pump();
  EXPECT_EQ(win::GetForegroundWindow(), a);
  EXPECT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(win::GetFocus(), a);
}

std::mutex hookMutex;
std::vector<std::pair<UINT, DWORD>> hookSeen;  // (message, thread) of WM_NCACTIVATE seen by WH_CALLWNDPROCRET

LRESULT CALLBACK RecordNcActivate(int code, WPARAM wParam, LPARAM lParam) {
  const auto* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (ret->message == WM_NCACTIVATE) {
    std::lock_guard lock(hookMutex);
    hookSeen.emplace_back(ret->message, win::GetCurrentThreadId());
  }
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowActivationTest, AThreadLosingTheForegroundHearsItOnItsOwnThread) {
  hookSeen.clear();
  std::promise<HWND> made;
  Worker worker([&] {
    HHOOK hook = win::SetWindowsHookExA(WH_CALLWNDPROCRET, RecordNcActivate, nullptr, win::GetCurrentThreadId());
    HWND theirs = Make(WS_POPUP | WS_VISIBLE);
    made.set_value(theirs);
    MSG msg{};
    while (win::GetMessageW(&msg, nullptr, 0, 0) > 0) win::DispatchMessageW(&msg);
    win::DestroyWindow(theirs);
    win::UnhookWindowsHookEx(hook);
  });
  HWND theirs = made.get_future().get();
  ASSERT_NE(theirs, nullptr);
  ASSERT_EQ(win::GetForegroundWindow(), theirs);
  Forget();
  {
    std::lock_guard lock(hookMutex);
    hookSeen.clear();  // the worker's own activation
  }
  HWND mine = Top();
  EXPECT_EQ(win::GetForegroundWindow(), mine);
  EXPECT_EQ(win::GetActiveWindow(), mine);
  // The worker handles what it was asked before this send.
  EXPECT_EQ(win::SendMessageW(theirs, kSync, 0, 0), 1);
  auto lost = Of(theirs);
  std::vector<UINT> messages;
  for (const auto& s : lost) {
    messages.push_back(s.msg);
    EXPECT_EQ(s.thread, worker.Id());
  }
  const std::vector<UINT> expected = {WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, kSync};
  EXPECT_EQ(messages, expected);
  if (lost.size() == expected.size()) {
    EXPECT_EQ(lost[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(LOWORD(lost[1].wParam), WA_INACTIVE);
    EXPECT_EQ(lost[2].wParam, static_cast<WPARAM>(FALSE));
  }
  {
    std::lock_guard lock(hookMutex);
    ASSERT_EQ(hookSeen.size(), 1u);
    EXPECT_EQ(hookSeen[0].second, worker.Id());
  }
  // This thread gained activation as a whole.
  bool appActivated = false;
  for (const auto& s : Of(mine))
    if (s.msg == WM_ACTIVATEAPP && s.wParam == TRUE) appActivated = true;
  EXPECT_TRUE(appActivated);
}

}  // namespace

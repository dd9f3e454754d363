// What the portable queues and hooks decide where Windows has more to offer:
// the hook types that are not modelled, system-wide hooks, and windows of
// other threads, which only their own thread may dispatch to.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::Entries;
using window_test::TestClass;

constexpr UINT kProbe = WM_USER + 501;

LRESULT CALLBACK Ignore(int code, WPARAM wParam, LPARAM lParam) {
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(PortableMessageQueueTest, OnlyThreadHooksOfTheModelledTypesAreTaken) {
  struct Case {
    const char* name;
    int type;
    HINSTANCE module;
    DWORD thread;
    DWORD error;
  };
  HINSTANCE someModule = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x400000));
  const DWORD self = win::GetCurrentThreadId();
  const Case cases[] = {
      {"keyboard hook", 2, nullptr, self, ERROR_NOT_SUPPORTED},
      {"call-window-procedure hook", WH_CALLWNDPROC, nullptr, self, ERROR_NOT_SUPPORTED},
      {"system-wide with a module", WH_GETMESSAGE, someModule, 0, ERROR_NOT_SUPPORTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win::SetLastError(0);
    EXPECT_EQ(win::SetWindowsHookExA(c.type, Ignore, c.module, c.thread), nullptr);
    EXPECT_EQ(win::GetLastError(), c.error);
  }
  HHOOK taken = win::SetWindowsHookExA(WH_GETMESSAGE, Ignore, someModule, self);
  EXPECT_NE(taken, nullptr) << "a module with a thread is still a thread hook";
  EXPECT_TRUE(win::UnhookWindowsHookEx(taken));
}

TEST(PortableMessageQueueTest, AnotherThreadMayPostButNotDispatchToOurWindow) {
  TestClass cls;
  HWND w = cls.Make(nullptr, WS_POPUP);
  ASSERT_NE(w, nullptr);
  LRESULT dispatched = -1;
  DWORD dispatchError = 0;
  BOOL posted = FALSE;
  std::thread([&] {
    MSG msg{w, kProbe, 0, 0, 0, POINT{0, 0}};
    win::SetLastError(0);
    dispatched = win::DispatchMessageW(&msg);
    dispatchError = win::GetLastError();
    posted = win::PostMessageW(w, kProbe, 1, 0);
  }).join();
  EXPECT_EQ(dispatched, 0);
  EXPECT_EQ(dispatchError, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(Entries(kProbe).empty());
  EXPECT_TRUE(posted);
  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, w, kProbe, kProbe, PM_REMOVE));
  win::DispatchMessageW(&msg);
  ASSERT_EQ(Entries(kProbe).size(), 1u);
  EXPECT_EQ(Entries(kProbe)[0].wParam, 1u);
}

TEST(PortableMessageQueueTest, NullMessagePointersAreRefused) {
  win::SetLastError(0);
  EXPECT_EQ(win::GetMessageW(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
  EXPECT_FALSE(win::PeekMessageW(nullptr, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(win::DispatchMessageW(nullptr), 0);
}

}  // namespace

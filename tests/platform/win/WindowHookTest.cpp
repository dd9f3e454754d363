// Thread hooks: chain order, CallNextHookEx, what WH_CALLWNDPROCRET and
// WH_GETMESSAGE see, unhooking from inside a hook, thread isolation, bad input.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::Entries;
using window_test::Script;
using window_test::TestClass;

constexpr UINT kProbe = WM_USER + 401;
constexpr UINT kChanged = WM_USER + 402;

// Hook procedures are plain functions, so what they do and see lives here.
struct HookCall {
  std::string who;
  DWORD thread;
  int code;
  WPARAM wParam;
  MSG msg;            // WH_GETMESSAGE
  CWPRETSTRUCT ret;   // WH_CALLWNDPROCRET
  size_t procCalls;   // how often the window procedure had seen kProbe by then
};

std::mutex callsMutex;
std::vector<HookCall> calls;
bool newerCallsNext = true;
bool newerUnhooksItself = false;
HHOOK newerHook = nullptr;
BOOL selfUnhookResult = FALSE;

std::vector<HookCall> CallsFor(UINT message) {
  std::lock_guard lock(callsMutex);
  std::vector<HookCall> result;
  for (const auto& c : calls)
    if (c.msg.message == message || c.ret.message == message) result.push_back(c);
  return result;
}

std::vector<std::string> Who(const std::vector<HookCall>& list) {
  std::vector<std::string> result;
  for (const auto& c : list) result.push_back(c.who);
  return result;
}

void Record(const char* who, int code, WPARAM wParam, const MSG* msg, const CWPRETSTRUCT* ret) {
  HookCall call{who, win::GetCurrentThreadId(), code, wParam, MSG{}, CWPRETSTRUCT{}, 0};
  if (msg) call.msg = *msg;
  if (ret) {
    call.ret = *ret;
    call.procCalls = Entries(kProbe).size();
  }
  std::lock_guard lock(callsMutex);
  calls.push_back(call);
}

LRESULT CALLBACK OlderGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  Record("older", code, wParam, reinterpret_cast<MSG*>(lParam), nullptr);
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK NewerGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  Record("newer", code, wParam, msg, nullptr);
  if (newerUnhooksItself && msg->message == kProbe) selfUnhookResult = win::UnhookWindowsHookEx(newerHook);
  return newerCallsNext ? win::CallNextHookEx(newerHook, code, wParam, lParam) : 0;
}

LRESULT CALLBACK ChangingGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  Record("changer", code, wParam, msg, nullptr);
  if (msg->message == kProbe) {
    msg->message = kChanged;
    msg->wParam += 100;
  }
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK AfterProc(int code, WPARAM wParam, LPARAM lParam) {
  Record("after", code, wParam, nullptr, reinterpret_cast<CWPRETSTRUCT*>(lParam));
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

void DrainOurs() {
  MSG msg{};
  while (win::PeekMessageW(&msg, nullptr, kProbe, kChanged, PM_REMOVE)) {
  }
}

class WindowHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    newerCallsNext = true;
    newerUnhooksItself = false;
    newerHook = nullptr;
    selfUnhookResult = FALSE;
    DrainOurs();
  }
  void TearDown() override {
    for (HHOOK h : hooks_) win::UnhookWindowsHookEx(h);
    DrainOurs();
    calls.clear();
  }
  HHOOK Hook(int type, HOOKPROC proc, DWORD thread = 0) {
    HHOOK h = win::SetWindowsHookExA(type, proc, nullptr, thread ? thread : win::GetCurrentThreadId());
    if (h) hooks_.push_back(h);
    return h;
  }
  std::vector<HHOOK> hooks_;
  TestClass cls_;
};

TEST_F(WindowHookTest, NewestHookRunsFirstAndCallNextHookExRunsTheOlder) {
  struct Case {
    const char* name;
    bool newerCallsNext;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"newer passes on", true, {"newer", "older"}},
      {"newer swallows", false, {"newer"}},
  };
  ASSERT_NE(Hook(WH_GETMESSAGE, OlderGetMessage), nullptr);
  newerHook = Hook(WH_GETMESSAGE, NewerGetMessage);
  ASSERT_NE(newerHook, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    calls.clear();
    newerCallsNext = c.newerCallsNext;
    ASSERT_TRUE(win::PostMessageW(nullptr, kProbe, 1, 2));
    MSG msg{};
    ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kProbe, kProbe, PM_REMOVE));
    auto seen = CallsFor(kProbe);
    EXPECT_EQ(Who(seen), c.expected);
    for (const auto& call : seen) {
      EXPECT_EQ(call.code, HC_ACTION);
      EXPECT_EQ(call.wParam, static_cast<WPARAM>(PM_REMOVE));
      EXPECT_EQ(call.msg.wParam, 1u);
      EXPECT_EQ(call.msg.lParam, 2);
    }
  }
}

TEST_F(WindowHookTest, GetMessageHookSeesPeeksAndCanChangeTheMessage) {
  ASSERT_NE(Hook(WH_GETMESSAGE, ChangingGetMessage), nullptr);
  ASSERT_TRUE(win::PostMessageW(nullptr, kProbe, 5, 0));

  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kProbe, kProbe, PM_NOREMOVE));
  auto seen = CallsFor(kProbe);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(PM_NOREMOVE));

  ASSERT_EQ(win::GetMessageW(&msg, nullptr, kProbe, kProbe), TRUE);
  EXPECT_EQ(msg.message, kChanged);
  EXPECT_EQ(msg.wParam, 105u);
  seen = CallsFor(kProbe);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(PM_REMOVE));
  EXPECT_FALSE(win::PeekMessageW(&msg, nullptr, kProbe, kChanged, PM_REMOVE)) << "the change did not re-queue it";
}

TEST_F(WindowHookTest, CallWndProcRetRunsAfterTheProcedureOfSentMessages) {
  Script script;
  script.handler = [](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != kProbe) return false;
    result = static_cast<LRESULT>(wParam) + 1;
    return true;
  };
  HWND w = cls_.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, &script);
  ASSERT_NE(w, nullptr);
  ASSERT_NE(Hook(WH_CALLWNDPROCRET, AfterProc), nullptr);

  EXPECT_EQ(win::SendMessageW(w, kProbe, 41, 77), 42);
  auto seen = CallsFor(kProbe);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].code, HC_ACTION);
  EXPECT_NE(seen[0].wParam, 0u) << "sent by this thread";
  EXPECT_EQ(seen[0].ret.hwnd, w);
  EXPECT_EQ(seen[0].ret.lResult, 42);
  EXPECT_EQ(seen[0].ret.wParam, 41u);
  EXPECT_EQ(seen[0].ret.lParam, 77);
  EXPECT_EQ(seen[0].procCalls, 1u) << "the procedure ran before the hook";

  // A posted message that is dispatched is not a send: the hook stays out of it.
  ASSERT_TRUE(win::PostMessageW(w, kProbe, 1, 0));
  MSG msg{};
  ASSERT_EQ(win::GetMessageW(&msg, w, kProbe, kProbe), TRUE);
  EXPECT_EQ(win::DispatchMessageW(&msg), 2);
  EXPECT_EQ(Entries(kProbe).size(), 2u);
  EXPECT_EQ(CallsFor(kProbe).size(), 1u);
  win::DestroyWindow(w);  // before the script it points at goes
}

TEST_F(WindowHookTest, HookMayUnhookItselfAndTheChainGoesOn) {
  ASSERT_NE(Hook(WH_GETMESSAGE, OlderGetMessage), nullptr);
  newerHook = win::SetWindowsHookExA(WH_GETMESSAGE, NewerGetMessage, nullptr, win::GetCurrentThreadId());
  ASSERT_NE(newerHook, nullptr);
  newerUnhooksItself = true;

  MSG msg{};
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(win::PostMessageW(nullptr, kProbe, round, 0));
    ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kProbe, kProbe, PM_REMOVE));
  }
  EXPECT_TRUE(selfUnhookResult);
  auto seen = CallsFor(kProbe);
  EXPECT_EQ(Who(seen), (std::vector<std::string>{"newer", "older", "older"}));
  win::SetLastError(0);
  EXPECT_FALSE(win::UnhookWindowsHookEx(newerHook)) << "already gone";
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
}

TEST_F(WindowHookTest, HooksWatchOnlyTheirThreadAndEndWithIt) {
  // The other thread waits until the main thread has hooked it, posts itself a
  // message and reads it, then ends.
  std::mutex m;
  std::condition_variable cv;
  DWORD otherId = 0;
  bool hooked = false;
  std::thread other([&] {
    {
      std::unique_lock lock(m);
      otherId = win::GetCurrentThreadId();
      cv.notify_all();
      cv.wait(lock, [&] { return hooked; });
    }
    MSG msg{};
    win::PostMessageW(nullptr, kProbe, 2, 0);
    win::PeekMessageW(&msg, nullptr, kProbe, kProbe, PM_REMOVE);
  });
  HHOOK otherHook = nullptr;
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return otherId != 0; });
    otherHook = win::SetWindowsHookExA(WH_GETMESSAGE, OlderGetMessage, nullptr, otherId);
    hooked = true;
    cv.notify_all();
  }
  ASSERT_NE(Hook(WH_GETMESSAGE, ChangingGetMessage), nullptr);
  const DWORD self = win::GetCurrentThreadId();
  MSG msg{};
  ASSERT_TRUE(win::PostMessageW(nullptr, kProbe, 1, 0));
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kProbe, kChanged, PM_REMOVE));
  other.join();
  ASSERT_NE(otherHook, nullptr);

  auto seen = CallsFor(kProbe);
  ASSERT_EQ(seen.size(), 2u);
  for (const auto& call : seen) {
    if (call.who == "older") {
      EXPECT_EQ(call.thread, otherId);
      EXPECT_EQ(call.msg.wParam, 2u);
    } else {
      EXPECT_EQ(call.who, "changer");
      EXPECT_EQ(call.thread, self);
      EXPECT_EQ(call.msg.wParam, 1u);
    }
  }
  win::SetLastError(0);
  EXPECT_FALSE(win::UnhookWindowsHookEx(otherHook)) << "the hook ended with its thread";
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
}

TEST_F(WindowHookTest, BadRequestsFailWithTheirReason) {
  DWORD ended = 0;
  std::thread([&] { ended = win::GetCurrentThreadId(); }).join();
  const DWORD self = win::GetCurrentThreadId();
  struct Case {
    const char* name;
    int type;
    HOOKPROC proc;
    DWORD thread;
    DWORD error;
  };
  const Case cases[] = {
      {"unknown type", 99, OlderGetMessage, self, ERROR_INVALID_HOOK_FILTER},
      {"negative type", -5, OlderGetMessage, self, ERROR_INVALID_HOOK_FILTER},
      {"no procedure", WH_GETMESSAGE, nullptr, self, ERROR_INVALID_FILTER_PROC},
      {"system-wide without module", WH_GETMESSAGE, OlderGetMessage, 0, ERROR_HOOK_NEEDS_HMOD},
      {"no such thread", WH_GETMESSAGE, OlderGetMessage, 0xFFFFFFF0u, ERROR_INVALID_PARAMETER},
      {"thread that ended", WH_CALLWNDPROCRET, AfterProc, ended, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win::SetLastError(0);
    HHOOK h = win::SetWindowsHookExA(c.type, c.proc, nullptr, c.thread);
    EXPECT_EQ(h, nullptr);
    if (h) win::UnhookWindowsHookEx(h);
    const DWORD error = win::GetLastError();
    // Wine 8 answers ERROR_INVALID_PARAMETER for an unknown type where Windows names the filter.
    if (testing_support::RunningUnderWine() && c.error == ERROR_INVALID_HOOK_FILTER && error == ERROR_INVALID_PARAMETER)
      continue;
    EXPECT_EQ(error, c.error);
  }
  const HHOOK handles[] = {nullptr, reinterpret_cast<HHOOK>(static_cast<ULONG_PTR>(0x7FF0))};
  for (HHOOK h : handles) {
    SCOPED_TRACE(reinterpret_cast<ULONG_PTR>(h));
    win::SetLastError(0);
    EXPECT_FALSE(win::UnhookWindowsHookEx(h));
    const DWORD error = win::GetLastError();
    // Wine 8 reads a null handle as a request to unhook by type and procedure,
    // which then fails with ERROR_INVALID_PARAMETER.
    if (testing_support::RunningUnderWine() && !h && error == ERROR_INVALID_PARAMETER) continue;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
  }
  EXPECT_EQ(win::CallNextHookEx(nullptr, HC_ACTION, 0, 0), 0) << "outside a hook there is no next one";
}

}  // namespace

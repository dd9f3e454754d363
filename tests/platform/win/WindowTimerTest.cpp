// Window and thread timers: what WM_TIMER carries, where it ranks against
// posted messages, TIMERPROCs, replacing and killing timers, bad input. Only
// order and contents are checked, never how long anything took.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::Entries;
using window_test::TestClass;

constexpr UINT kProbe = WM_USER + 501;

struct ProcCall {
  HWND hwnd;
  UINT msg;
  UINT_PTR id;
};
std::vector<ProcCall> procCalls;

void CALLBACK RecordTimer(HWND hwnd, UINT msg, UINT_PTR id, DWORD /*time*/) { procCalls.push_back({hwnd, msg, id}); }

// Makes sure a timer set `elapse` ms ago is due on Windows too; the portable
// clock does not move with real time, and does not need to there.
void LetTimeGoBy() { std::this_thread::sleep_for(std::chrono::milliseconds(60)); }

// Reads the next message of the given range, waiting for it.
MSG Next(HWND filter = nullptr, UINT first = 0, UINT last = 0) {
  MSG msg{};
  EXPECT_GT(win::GetMessageW(&msg, filter, first, last), 0);
  return msg;
}

// Windows puts the TIMERPROC itself in lParam; Wine 8 puts a handle of its
// own there (still non-zero, and DispatchMessageW still calls the procedure).
void ExpectTimerProc(const MSG& msg, TIMERPROC proc) {
  if (testing_support::RunningUnderWine())
    EXPECT_NE(msg.lParam, 0);
  else
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(proc));
}

// Windows reports a window that is gone as such; Wine 8 as a bad handle.
void ExpectBadWindowError() {
  const DWORD error = win::GetLastError();
  if (testing_support::RunningUnderWine() && error == ERROR_INVALID_HANDLE) return;
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

void Drain() {
  MSG msg{};
  while (win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

class WindowTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    procCalls.clear();
    Drain();
  }
  void TearDown() override {
    for (UINT_PTR id : threadTimers_) win::KillTimer(nullptr, id);
    Drain();
  }
  UINT_PTR ThreadTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
    UINT_PTR got = win::SetTimer(nullptr, id, elapse, proc);
    if (got) threadTimers_.push_back(got);
    return got;
  }
  // Hidden: a visible window would have WM_PAINT pending, which Windows serves before timers.
  HWND Hidden() { return cls_.Make(nullptr, WS_POPUP); }
  std::vector<UINT_PTR> threadTimers_;
  TestClass cls_;
};

TEST_F(WindowTimerTest, AWindowTimerDeliversWmTimerWithItsIdentifier) {
  HWND hwnd = Hidden();
  EXPECT_EQ(win::SetTimer(hwnd, 7, 10, nullptr), 7u);
  MSG msg = Next(hwnd, WM_TIMER, WM_TIMER);
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(msg.lParam, 0);
  win::DispatchMessageW(&msg);
  auto seen = Entries(WM_TIMER);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].wParam, 7u);
  EXPECT_TRUE(win::KillTimer(hwnd, 7));
}

TEST_F(WindowTimerTest, PostedMessagesComeBeforeADueTimer) {
  HWND hwnd = Hidden();
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 10, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 2, 10, nullptr));
  // The first WM_TIMER proves time has passed; the second timer is due as well then.
  EXPECT_EQ(Next(hwnd, WM_TIMER, WM_TIMER).wParam, 1u);
  LetTimeGoBy();
  ASSERT_TRUE(win::PostMessageW(hwnd, kProbe, 0, 0));
  MSG first = Next();
  MSG second = Next();
  EXPECT_EQ(first.message, kProbe);
  EXPECT_EQ(second.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(second.wParam, 2u);
  win::KillTimer(hwnd, 1);
  win::KillTimer(hwnd, 2);
}

TEST_F(WindowTimerTest, AnOverdueTimerHasOnlyOneWmTimerPending) {
  HWND fast = Hidden();
  HWND slow = Hidden();
  ASSERT_TRUE(win::SetTimer(fast, 3, 10, nullptr));
  ASSERT_TRUE(win::SetTimer(slow, 3, 100, nullptr));
  // By the time the slow timer fires, the fast one is several intervals overdue.
  EXPECT_EQ(Next(slow, WM_TIMER, WM_TIMER).hwnd, slow);
  int pending = 0;
  MSG msg{};
  while (win::PeekMessageW(&msg, fast, WM_TIMER, WM_TIMER, PM_REMOVE)) ++pending;
  EXPECT_EQ(pending, 1);
  win::KillTimer(fast, 3);
  win::KillTimer(slow, 3);
}

TEST_F(WindowTimerTest, DispatchCallsTheTimerProcInsteadOfTheWindowProcedure) {
  HWND hwnd = Hidden();
  ASSERT_TRUE(win::SetTimer(hwnd, 4, 10, RecordTimer));
  MSG msg = Next(hwnd, WM_TIMER, WM_TIMER);
  ExpectTimerProc(msg, RecordTimer);
  win::DispatchMessageW(&msg);
  ASSERT_EQ(procCalls.size(), 1u);
  EXPECT_EQ(procCalls[0].hwnd, hwnd);
  EXPECT_EQ(procCalls[0].msg, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(procCalls[0].id, 4u);
  EXPECT_TRUE(Entries(WM_TIMER).empty()) << "the window procedure is not called";
  win::KillTimer(hwnd, 4);
}

TEST_F(WindowTimerTest, AThreadTimerGetsAFreshIdentifierAndRunsItsProc) {
  UINT_PTR id = ThreadTimer(0, 10, RecordTimer);
  ASSERT_NE(id, 0u);
  MSG msg = Next(nullptr, WM_TIMER, WM_TIMER);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, id);
  win::DispatchMessageW(&msg);
  ASSERT_EQ(procCalls.size(), 1u);
  EXPECT_EQ(procCalls[0].hwnd, nullptr);
  EXPECT_EQ(procCalls[0].id, id);
  // An identifier not in use is ignored; the one in use names the same timer.
  UINT_PTR other = ThreadTimer(id + 12345, 10, RecordTimer);
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, id + 12345);
  EXPECT_NE(other, id);
  EXPECT_EQ(ThreadTimer(id, 20, RecordTimer), id);
}

TEST_F(WindowTimerTest, SettingAWindowTimerAgainReplacesIt) {
  HWND hwnd = Hidden();
  ASSERT_TRUE(win::SetTimer(hwnd, 5, 10, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 5, 10, RecordTimer));
  MSG msg = Next(hwnd, WM_TIMER, WM_TIMER);
  ExpectTimerProc(msg, RecordTimer);  // the newer setting wins
  EXPECT_TRUE(win::KillTimer(hwnd, 5));
  EXPECT_FALSE(win::KillTimer(hwnd, 5)) << "there was only one";
}

TEST_F(WindowTimerTest, AKilledTimerDeliversNothing) {
  HWND hwnd = Hidden();
  ASSERT_TRUE(win::SetTimer(hwnd, 6, 10, nullptr));
  ASSERT_TRUE(win::KillTimer(hwnd, 6));
  LetTimeGoBy();
  MSG msg{};
  EXPECT_FALSE(win::PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(WindowTimerTest, TimersGoWithTheirWindow) {
  HWND hwnd = Hidden();
  HWND child = cls_.Child(hwnd);
  ASSERT_TRUE(win::SetTimer(child, 8, 10, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 8, 10, nullptr));
  win::DestroyWindow(child);
  win::SetLastError(0);
  EXPECT_FALSE(win::KillTimer(child, 8));
  ExpectBadWindowError();
  // The same id on another window was a timer of its own.
  EXPECT_EQ(Next(hwnd, WM_TIMER, WM_TIMER).hwnd, hwnd);
  EXPECT_TRUE(win::KillTimer(hwnd, 8));
}

TEST_F(WindowTimerTest, BadInputIsRefused) {
  HWND gone = Hidden();
  win::DestroyWindow(gone);
  win::SetLastError(0);
  EXPECT_EQ(win::SetTimer(gone, 1, 10, nullptr), 0u);
  ExpectBadWindowError();
  HWND hwnd = Hidden();
  EXPECT_FALSE(win::KillTimer(hwnd, 99)) << "never set";
  EXPECT_FALSE(win::KillTimer(nullptr, 0x6543)) << "no such thread timer";
  // A WM_TIMER made up by hand does not get its lParam called on Windows,
  // which checks it against the timers' procedures; Wine 8 calls it anyway.
  MSG fake{hwnd, WM_TIMER, 1, reinterpret_cast<LPARAM>(RecordTimer), 0, POINT{0, 0}};
  win::DispatchMessageW(&fake);
  if (!testing_support::RunningUnderWine()) EXPECT_TRUE(procCalls.empty());
}

TEST_F(WindowTimerTest, TheTickCountNeverGoesBack) {
  DWORD first = win::GetTickCount();
  ASSERT_TRUE(ThreadTimer(0, 10, nullptr));
  Next(nullptr, WM_TIMER, WM_TIMER);
  EXPECT_GE(win::GetTickCount(), first);
}

}  // namespace

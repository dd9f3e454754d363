// The virtual clock under the timers: it moves only when told, or when a
// message loop has nothing but a timer to wait for.
#include <gtest/gtest.h>

#include <thread>

#include "platform/portable/window/TestDriver.h"
#include "platform/win/WindowTestSupport.h"

namespace {

namespace driver = win::portable::driver;
using window_test::Entries;
using window_test::TestClass;

class PortableTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { driver::Reset(); }
  void TearDown() override {
    driver::PumpMessages();
    driver::Reset();
  }
  bool PeekTimer(HWND hwnd, MSG& msg) { return win::PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE); }
  TestClass cls_;
};

TEST_F(PortableTimerTest, TheClockMovesOnlyWhenTold) {
  const DWORD start = win::GetTickCount();
  HWND hwnd = cls_.Top();
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 100, nullptr));
  MSG msg{};
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(PeekTimer(hwnd, msg)) << "peeking never moves the clock";
  EXPECT_EQ(win::GetTickCount(), start);
  driver::AdvanceClock(99);
  EXPECT_FALSE(PeekTimer(hwnd, msg));
  driver::AdvanceClock(1);
  ASSERT_TRUE(PeekTimer(hwnd, msg));
  EXPECT_EQ(msg.time, start + 100);
  EXPECT_EQ(win::GetTickCount(), start + 100);
  // The next interval counts from when the timer was read.
  driver::AdvanceClock(99);
  EXPECT_FALSE(PeekTimer(hwnd, msg));
  driver::AdvanceClock(1);
  EXPECT_TRUE(PeekTimer(hwnd, msg));
}

TEST_F(PortableTimerTest, ResetPutsTheClockBack) {
  const DWORD start = win::GetTickCount();
  driver::AdvanceClock(5000);
  EXPECT_EQ(win::GetTickCount(), start + 5000);
  driver::Reset();
  EXPECT_EQ(win::GetTickCount(), start);
}

TEST_F(PortableTimerTest, ShortIntervalsAreClampedToTheMinimum) {
  HWND hwnd = cls_.Top();
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 0, nullptr));
  MSG msg{};
  driver::AdvanceClock(USER_TIMER_MINIMUM - 1);
  EXPECT_FALSE(PeekTimer(hwnd, msg));
  driver::AdvanceClock(1);
  EXPECT_TRUE(PeekTimer(hwnd, msg));
}

TEST_F(PortableTimerTest, GetMessageJumpsTheClockToTheEarliestTimer) {
  const DWORD start = win::GetTickCount();
  HWND hwnd = cls_.Top();
  driver::PumpMessages();  // the window's first WM_PAINT
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 50, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 2, 30, nullptr));
  MSG msg{};
  ASSERT_GT(win::GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(win::GetTickCount(), start + 30);
  ASSERT_GT(win::GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(win::GetTickCount(), start + 50);
}

TEST_F(PortableTimerTest, DueTimersComeEarliestFirstThenInTheOrderSet) {
  HWND hwnd = cls_.Top();
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 40, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 2, 20, nullptr));
  ASSERT_TRUE(win::SetTimer(hwnd, 3, 20, nullptr));
  driver::AdvanceClock(40);
  std::vector<WPARAM> order;
  MSG msg{};
  while (PeekTimer(hwnd, msg)) order.push_back(msg.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{2, 3, 1}));
}

TEST_F(PortableTimerTest, SettingATimerAgainStartsItsIntervalOver) {
  HWND hwnd = cls_.Top();
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 100, nullptr));
  driver::AdvanceClock(60);
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 100, nullptr));
  MSG msg{};
  driver::AdvanceClock(60);
  EXPECT_FALSE(PeekTimer(hwnd, msg));
  driver::AdvanceClock(40);
  EXPECT_TRUE(PeekTimer(hwnd, msg));
}

TEST_F(PortableTimerTest, PumpMessagesDispatchesPostedMessagesAndDueTimers) {
  HWND hwnd = cls_.Top();
  driver::PumpMessages();  // the window's first WM_PAINT
  ASSERT_TRUE(win::SetTimer(hwnd, 1, 10, nullptr));
  ASSERT_TRUE(win::PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(driver::PumpMessages(), 1) << "the timer is not due yet";
  driver::AdvanceClock(10);
  EXPECT_EQ(driver::PumpMessages(), 1);
  EXPECT_EQ(Entries(WM_TIMER).size(), 1u);
  EXPECT_EQ(driver::PumpMessages(), 0);
  // WM_QUIT stops the pump and stays for the loop that owns it.
  win::PostQuitMessage(3);
  EXPECT_EQ(driver::PumpMessages(), 0);
  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(PortableTimerTest, AWindowTimerSetFromAnotherThreadFiresOnTheWindowsThread) {
  HWND hwnd = cls_.Top();
  UINT_PTR set = 0;
  std::thread([&] { set = win::SetTimer(hwnd, 9, 10, nullptr); }).join();
  EXPECT_EQ(set, 9u);
  driver::AdvanceClock(10);
  MSG msg{};
  ASSERT_TRUE(PeekTimer(hwnd, msg));
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(PortableTimerTest, AThreadsTimersEndWithIt) {
  // A thread timer of an ended thread cannot be reached any more, nor does it
  // fire anywhere: this thread sees nothing when the clock passes it.
  std::thread([] { EXPECT_NE(win::SetTimer(nullptr, 0, 10, nullptr), 0u); }).join();
  driver::AdvanceClock(100);
  MSG msg{};
  EXPECT_FALSE(win::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

}  // namespace

// The test driver: monitors, cursor, hovering, clicking and activating as a
// user would, and resetting between tests.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/portable/window/TestDriver.h"
#include "platform/win/WindowTestSupport.h"

namespace {

namespace driver = win::portable::driver;
using window_test::Entries;
using window_test::Sequence;
using window_test::Log;
using window_test::TestClass;

class PortableDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { driver::Reset(); }
  void TearDown() override {
    driver::PumpMessages();
    driver::Reset();
  }
  TestClass cls_;
};

TEST_F(PortableDriverTest, MonitorsMakeUpTheVirtualScreen) {
  ASSERT_TRUE(driver::SetMonitors({RECT{0, 0, 1920, 1080}, RECT{-1280, 0, 0, 1024}}));
  EXPECT_EQ(win::GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(win::GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(win::GetSystemMetrics(SM_CYSCREEN), 1080);
  EXPECT_EQ(win::GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
  EXPECT_EQ(win::GetSystemMetrics(SM_YVIRTUALSCREEN), 0);
  EXPECT_EQ(win::GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
  EXPECT_EQ(win::GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
  driver::MoveCursor(-5000, 5);
  POINT at{};
  win::GetCursorPos(&at);
  EXPECT_EQ(at.x, -1280);
  EXPECT_EQ(at.y, 5);
  RECT desktop{};
  win::GetWindowRect(win::GetDesktopWindow(), &desktop);
  EXPECT_EQ(desktop.right, 1920) << "the desktop window covers the primary monitor";

  driver::Reset();
  EXPECT_EQ(win::GetSystemMetrics(SM_CMONITORS), 1);
  EXPECT_EQ(win::GetSystemMetrics(SM_CXVIRTUALSCREEN), 1280);
  win::GetCursorPos(&at);
  EXPECT_EQ(at.x, 640);
  EXPECT_EQ(at.y, 512);
}

TEST_F(PortableDriverTest, BadMonitorListsAreRefusedAndChangeNothing) {
  const std::vector<RECT> bad[] = {
      {},
      {RECT{10, 0, 800, 600}},                       // primary not at the origin
      {RECT{0, 0, 800, 600}, RECT{800, 0, 800, 600}},  // an empty monitor
  };
  for (const auto& monitors : bad) {
    EXPECT_FALSE(driver::SetMonitors(monitors));
    EXPECT_EQ(win::GetSystemMetrics(SM_CMONITORS), 1);
    EXPECT_EQ(win::GetSystemMetrics(SM_CXSCREEN), 1280);
  }
}

TEST_F(PortableDriverTest, ShrinkingTheScreenBringsTheCursorBack) {
  driver::MoveCursor(1200, 1000);
  ASSERT_TRUE(driver::SetMonitors({RECT{0, 0, 800, 600}}));
  POINT at{};
  win::GetCursorPos(&at);
  EXPECT_EQ(at.x, 799);
  EXPECT_EQ(at.y, 599);
}

TEST_F(PortableDriverTest, HoverPostsAMouseMoveInClientCoordinates) {
  HWND top = cls_.Make(nullptr, WS_POPUP | WS_BORDER | WS_VISIBLE, RECT{100, 100, 300, 200});
  HWND child = cls_.Child(top, RECT{50, 50, 100, 90});
  driver::PumpMessages();  // the windows' first WM_PAINT
  EXPECT_EQ(driver::Hover(120, 130, MK_SHIFT), top);
  EXPECT_EQ(driver::Hover(160, 160), child);
  EXPECT_EQ(driver::Hover(1000, 900), nullptr) << "nothing of ours there";
  EXPECT_EQ(driver::PumpMessages(), 2);
  auto moves = Entries(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].hwnd, top);
  EXPECT_EQ(moves[0].wParam, static_cast<WPARAM>(MK_SHIFT));
  EXPECT_EQ(moves[0].lParam, MAKELPARAM(19, 29));
  EXPECT_EQ(moves[1].hwnd, child);
  EXPECT_EQ(moves[1].lParam, MAKELPARAM(9, 9));
  POINT at{};
  win::GetCursorPos(&at);
  EXPECT_EQ(at.x, 1000);
}

TEST_F(PortableDriverTest, InputGoesToTheThreadOfTheWindowUnderTheCursor) {
  std::promise<HWND> made;
  std::promise<void> hovered;
  std::promise<MSG> received;
  std::thread worker([&] {
    HWND theirs = win::CreateWindowExW(0, cls_.Name(), L"", WS_POPUP | WS_VISIBLE, 400, 400, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    made.set_value(theirs);
    hovered.get_future().wait();
    MSG msg{};
    win::PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
    win::DestroyWindow(theirs);  // before the test thread logs anything again
    received.set_value(msg);
  });
  struct Joiner {
    std::thread& t;
    ~Joiner() { t.join(); }
  } joiner{worker};
  HWND theirs = made.get_future().get();
  EXPECT_EQ(driver::Hover(410, 420), theirs);
  MSG here{};
  EXPECT_FALSE(win::PeekMessageW(&here, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  hovered.set_value();
  MSG there = received.get_future().get();
  EXPECT_EQ(there.hwnd, theirs);
  EXPECT_EQ(there.lParam, MAKELPARAM(10, 20));
}

TEST_F(PortableDriverTest, AClickActivatesThenPostsTheButtonMessages) {
  HWND a = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{200, 0, 300, 100});
  HWND button = cls_.Child(a, RECT{10, 10, 50, 30});
  ASSERT_EQ(win::GetActiveWindow(), b);
  driver::PumpMessages();  // the windows' first WM_PAINT
  Log().clear();
  EXPECT_EQ(driver::Click(20, 15), button);
  EXPECT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(win::GetForegroundWindow(), a);
  auto activate = Entries(WM_ACTIVATE);
  ASSERT_EQ(activate.size(), 2u);
  EXPECT_EQ(activate[1].hwnd, a);
  EXPECT_EQ(LOWORD(activate[1].wParam), WA_CLICKACTIVE);
  EXPECT_EQ(driver::PumpMessages(), 2);
  const std::vector<std::pair<HWND, UINT>> buttons = {{button, WM_LBUTTONDOWN}, {button, WM_LBUTTONUP}};
  EXPECT_EQ(Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP}), buttons);
  auto down = Entries(WM_LBUTTONDOWN);
  EXPECT_EQ(down[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(down[0].lParam, MAKELPARAM(10, 5));
  EXPECT_EQ(driver::Click(5000, 5000), nullptr) << "nothing of ours there";
}

TEST_F(PortableDriverTest, ClicksDoNotActivateNoActivateWindows) {
  HWND a = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND hint = cls_.Make(nullptr, WS_POPUP, RECT{200, 0, 300, 100}, nullptr, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  win::ShowWindow(hint, SW_SHOWNA);
  driver::PumpMessages();  // the windows' first WM_PAINT
  ASSERT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(driver::Click(250, 50), hint);
  EXPECT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(driver::PumpMessages(), 2);
  EXPECT_EQ(Entries(WM_LBUTTONDOWN).size(), 1u);
  // Nor is it picked when the active window goes.
  win::ShowWindow(a, SW_HIDE);
  EXPECT_EQ(win::GetActiveWindow(), nullptr);
}

TEST_F(PortableDriverTest, ActivatingAWindowOfAnotherThreadCompletesOnThatThread) {
  HWND a = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND b = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{200, 0, 300, 100});
  ASSERT_EQ(win::GetActiveWindow(), b);
  driver::PumpMessages();  // the windows' first WM_PAINT
  Log().clear();
  bool activated = false;
  std::thread([&] { activated = driver::Activate(a); }).join();
  EXPECT_TRUE(activated);
  EXPECT_EQ(win::GetActiveWindow(), b) << "until this thread reads its queue";
  EXPECT_EQ(win::GetForegroundWindow(), b) << "the foreground thread's active window";
  EXPECT_TRUE(Entries(WM_ACTIVATE).empty());
  EXPECT_EQ(driver::PumpMessages(), 0) << "handled, not dispatched";
  EXPECT_EQ(win::GetActiveWindow(), a);
  EXPECT_EQ(win::GetForegroundWindow(), a);
  EXPECT_EQ(win::GetFocus(), a);
  EXPECT_EQ(Entries(WM_ACTIVATE).size(), 2u);
  EXPECT_FALSE(driver::Activate(nullptr));
}

TEST_F(PortableDriverTest, ResetForgetsTheForegroundWindow) {
  HWND a = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  ASSERT_EQ(win::GetForegroundWindow(), a);
  driver::Reset();
  EXPECT_EQ(win::GetForegroundWindow(), nullptr);
}

}  // namespace

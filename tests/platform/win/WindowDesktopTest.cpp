// The desktop as seen by the pointer: screen metrics, the cursor, mapping
// points between windows, and which window is at a point.
#include <gtest/gtest.h>

#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::TestClass;

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

TEST(WindowDesktopTest, SystemMetricsDescribeThePrimaryAndTheVirtualScreen) {
  const int cx = win::GetSystemMetrics(SM_CXSCREEN);
  const int cy = win::GetSystemMetrics(SM_CYSCREEN);
  const int vx = win::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int vy = win::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int vcx = win::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int vcy = win::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  EXPECT_GT(cx, 0);
  EXPECT_GT(cy, 0);
  EXPECT_GE(win::GetSystemMetrics(SM_CMONITORS), 1);
  // The primary monitor's top-left corner is the origin and lies in the virtual screen.
  EXPECT_LE(vx, 0);
  EXPECT_LE(vy, 0);
  EXPECT_GE(vx + vcx, cx);
  EXPECT_GE(vy + vcy, cy);
  EXPECT_EQ(win::GetSystemMetrics(-12345), 0) << "an unknown index";
}

class WindowCursorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(win::GetCursorPos(&saved_)); }
  void TearDown() override { win::SetCursorPos(saved_.x, saved_.y); }
  POINT saved_{};
};

TEST_F(WindowCursorTest, TheCursorGoesWhereItIsToldWithinTheVirtualScreen) {
  const int vx = win::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int vy = win::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int right = vx + win::GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1;
  const int bottom = vy + win::GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1;
  struct Case {
    const char* name;
    int x, y;
    POINT expected;
  };
  const Case cases[] = {
      {"inside", 10, 20, POINT{10, 20}},
      {"far top-left", -100000, -100000, POINT{vx, vy}},
      {"far bottom-right", 100000, 100000, POINT{right, bottom}},
      {"past one edge only", 30, 100000, POINT{30, bottom}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(win::SetCursorPos(c.x, c.y));
    POINT at{};
    ASSERT_TRUE(win::GetCursorPos(&at));
    EXPECT_EQ(at.x, c.expected.x);
    EXPECT_EQ(at.y, c.expected.y);
  }
  EXPECT_FALSE(win::GetCursorPos(nullptr));
}

TEST(WindowDesktopTest, PointsMapBetweenClientAreasAndTheScreen) {
  TestClass cls;
  // Borders of one pixel: the client areas start one pixel in.
  HWND top = cls.Make(nullptr, WS_POPUP | WS_BORDER, RECT{100, 50, 300, 200});
  HWND child = cls.Make(top, WS_CHILD | WS_BORDER, RECT{10, 20, 60, 70});
  ASSERT_NE(child, nullptr);
  POINT p{0, 0};
  ASSERT_TRUE(win::ClientToScreen(child, &p));
  EXPECT_TRUE(Same(p, POINT{112, 72}));
  ASSERT_TRUE(win::ScreenToClient(top, &p));
  EXPECT_TRUE(Same(p, POINT{11, 21}));

  POINT points[2] = {{0, 0}, {5, 6}};
  int offset = win::MapWindowPoints(child, top, points, 2);
  EXPECT_EQ(static_cast<short>(LOWORD(offset)), 11);
  EXPECT_EQ(static_cast<short>(HIWORD(offset)), 21);
  EXPECT_TRUE(Same(points[1], POINT{16, 27}));
  // A null window stands for the screen.
  POINT screen[1] = {{112, 72}};
  offset = win::MapWindowPoints(nullptr, child, screen, 1);
  EXPECT_EQ(static_cast<short>(LOWORD(offset)), -112);
  EXPECT_EQ(static_cast<short>(HIWORD(offset)), -72);
  EXPECT_TRUE(Same(screen[0], POINT{0, 0}));

  HWND gone = cls.Make(nullptr, WS_POPUP);
  win::DestroyWindow(gone);
  POINT q{1, 1};
  EXPECT_FALSE(win::ClientToScreen(gone, &q));
  EXPECT_FALSE(win::ScreenToClient(gone, &q));
  EXPECT_TRUE(Same(q, POINT{1, 1})) << "left alone on failure";
  EXPECT_EQ(win::MapWindowPoints(gone, nullptr, &q, 1), 0);
}

class WindowFromPointTest : public ::testing::Test {
 public:  // the table-driven cases name the windows by member
  void SetUp() override {
    top_ = cls_.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{200, 200, 400, 350});
    plain_ = cls_.Child(top_, RECT{10, 10, 60, 60});
    inner_ = cls_.Child(plain_, RECT{5, 5, 20, 20});
    disabled_ = cls_.Child(top_, RECT{70, 10, 120, 60}, WS_VISIBLE | WS_DISABLED);
    hidden_ = cls_.Child(top_, RECT{130, 10, 180, 60}, 0);
    framed_ = cls_.Child(top_, RECT{10, 70, 60, 120}, WS_VISIBLE | WS_BORDER);
    ASSERT_NE(framed_, nullptr);
  }
  TestClass cls_;
  HWND top_ = nullptr, plain_ = nullptr, inner_ = nullptr, disabled_ = nullptr, hidden_ = nullptr, framed_ = nullptr;
};

TEST_F(WindowFromPointTest, TheDeepestVisibleWindowAtAScreenPointAnswers) {
  struct Case {
    const char* name;
    POINT screen;
    HWND WindowFromPointTest::*expected;
  };
  const Case cases[] = {
      {"grandchild", POINT{220, 220}, &WindowFromPointTest::inner_},
      {"child around it", POINT{250, 250}, &WindowFromPointTest::plain_},
      {"hidden child: its parent", POINT{340, 220}, &WindowFromPointTest::top_},
      {"no child: the top-level window", POINT{390, 340}, &WindowFromPointTest::top_},
      {"border of a child", POINT{210, 270}, &WindowFromPointTest::framed_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(win::WindowFromPoint(c.screen), this->*c.expected);
  }
  // Disabled windows are not found, as documented: the point falls through to the parent.
  EXPECT_EQ(win::WindowFromPoint(POINT{280, 220}), top_);
  HWND outside = win::WindowFromPoint(POINT{199, 199});
  EXPECT_NE(outside, top_);
  EXPECT_FALSE(win::IsChild(top_, outside));
}

TEST_F(WindowFromPointTest, ChildWindowFromPointLooksAtImmediateChildrenOnly) {
  struct Case {
    const char* name;
    POINT client;
    UINT flags;
    HWND WindowFromPointTest::*expected;  // null member: no window
  };
  const Case cases[] = {
      {"child, not grandchild", POINT{20, 20}, CWP_ALL, &WindowFromPointTest::plain_},
      {"hidden child found", POINT{140, 20}, CWP_ALL, &WindowFromPointTest::hidden_},
      {"hidden child skipped", POINT{140, 20}, CWP_SKIPINVISIBLE, &WindowFromPointTest::top_},
      {"disabled child found", POINT{80, 20}, CWP_ALL, &WindowFromPointTest::disabled_},
      {"disabled child skipped", POINT{80, 20}, CWP_SKIPDISABLED, &WindowFromPointTest::top_},
      {"no child there", POINT{190, 140}, CWP_ALL, &WindowFromPointTest::top_},
      {"outside the parent", POINT{-1, 5}, CWP_ALL, nullptr},
      {"past the client area", POINT{200, 5}, CWP_ALL, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND expected = c.expected ? this->*c.expected : nullptr;
    EXPECT_EQ(win::ChildWindowFromPointEx(top_, c.client, c.flags), expected);
    if (c.flags == CWP_ALL) EXPECT_EQ(win::ChildWindowFromPoint(top_, c.client), expected);
  }
}

}  // namespace

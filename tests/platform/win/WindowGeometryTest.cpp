// Positions and sizes (child positions relative to the parent's client area,
// window rectangles in screen coordinates), and the window tree.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::Entries;
using window_test::Log;
using window_test::Sequence;
using window_test::TestClass;
using Step = std::pair<HWND, UINT>;

RECT WindowRect(HWND hwnd) {
  RECT r{-1, -1, -1, -1};
  EXPECT_TRUE(win::GetWindowRect(hwnd, &r));
  return r;
}

RECT ClientRect(HWND hwnd) {
  RECT r{-1, -1, -1, -1};
  EXPECT_TRUE(win::GetClientRect(hwnd, &r));
  return r;
}

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(WindowGeometryTest, ChildPositionsAddUpToScreenCoordinates) {
  TestClass cls;
  HWND top = cls.Top(RECT{100, 50, 400, 250});
  HWND panel = cls.Child(top, RECT{10, 20, 110, 80});
  HWND bordered = cls.Make(panel, WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{5, 5, 45, 35});
  HWND inner = cls.Child(bordered, RECT{2, 3, 12, 13});

  EXPECT_TRUE(Same(WindowRect(top), RECT{100, 50, 400, 250}));
  EXPECT_TRUE(Same(WindowRect(panel), RECT{110, 70, 210, 130}));
  EXPECT_TRUE(Same(WindowRect(bordered), RECT{115, 75, 155, 105}));
  // A one-pixel border moves the client area in by one on each side.
  EXPECT_TRUE(Same(ClientRect(bordered), RECT{0, 0, 38, 28}));
  EXPECT_TRUE(Same(WindowRect(inner), RECT{118, 79, 128, 89}));
  EXPECT_TRUE(Same(ClientRect(panel), RECT{0, 0, 100, 60}));
}

TEST(WindowGeometryTest, MoveWindowAnnouncesTheChangeThenMoveAndSize) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top, RECT{0, 0, 20, 20});
  Log().clear();
  ASSERT_TRUE(win::MoveWindow(child, 3, 4, 50, 60, TRUE));

  const std::vector<Step> expected = {
      {child, WM_WINDOWPOSCHANGING}, {child, WM_WINDOWPOSCHANGED}, {child, WM_MOVE}, {child, WM_SIZE}};
  EXPECT_EQ(Sequence({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}), expected);
  EXPECT_EQ(Entries(WM_MOVE).at(0).lParam, MAKELPARAM(3, 4));
  EXPECT_EQ(Entries(WM_SIZE).at(0).lParam, MAKELPARAM(50, 60));
  EXPECT_FALSE(Entries(WM_WINDOWPOSCHANGED).at(0).posFlags & (SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_TRUE(Same(ClientRect(child), RECT{0, 0, 50, 60}));
}

TEST(WindowGeometryTest, SetWindowPosKeepsWhatTheFlagsProtect) {
  struct Case {
    const char* what;
    UINT flags;
    RECT expected;  // in the parent's client area
    bool moved;
    bool sized;
  };
  for (const Case& c : {Case{"move and size", SWP_NOZORDER, RECT{5, 6, 35, 46}, true, true},
                        Case{"no move", SWP_NOZORDER | SWP_NOMOVE, RECT{10, 10, 40, 50}, false, true},
                        Case{"no size", SWP_NOZORDER | SWP_NOSIZE, RECT{5, 6, 25, 26}, true, false},
                        Case{"neither", SWP_NOZORDER | SWP_NOSIZE | SWP_NOMOVE, RECT{10, 10, 30, 30}, false, false}}) {
    SCOPED_TRACE(c.what);
    TestClass cls;
    HWND top = cls.Top();
    HWND child = cls.Child(top, RECT{10, 10, 30, 30});
    Log().clear();
    ASSERT_TRUE(win::SetWindowPos(child, nullptr, 5, 6, 30, 40, c.flags));
    EXPECT_TRUE(Same(WindowRect(child), c.expected));
    EXPECT_EQ(!Entries(WM_MOVE).empty(), c.moved);
    EXPECT_EQ(!Entries(WM_SIZE).empty(), c.sized);
  }
}

TEST(WindowGeometryTest, NegativeSizesCountAsZero) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top, RECT{0, 0, 20, 20});
  win::MoveWindow(child, 1, 2, -5, -7, TRUE);
  EXPECT_TRUE(Same(WindowRect(child), RECT{1, 2, 1, 2}));
  HWND made = cls.Make(top, WS_CHILD, RECT{0, 0, -3, -3});
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(Same(ClientRect(made), RECT{0, 0, 0, 0}));
}

TEST(WindowGeometryTest, BadArgumentsAreReported) {
  TestClass cls;
  HWND gone = cls.Top();
  win::DestroyWindow(gone);
  RECT r{};
  EXPECT_FALSE(win::GetWindowRect(gone, &r));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(win::GetClientRect(gone, &r));
  EXPECT_FALSE(win::MoveWindow(gone, 0, 0, 1, 1, TRUE));
  EXPECT_FALSE(win::SetWindowPos(gone, nullptr, 0, 0, 1, 1, SWP_NOZORDER));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowTreeTest, ParentsOwnersAndChildren) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top);
  HWND grandChild = cls.Child(child);
  HWND popup = cls.Make(grandChild, WS_POPUP);  // owned by the top-level window of the one given
  HWND overlapped = cls.Make(nullptr, WS_OVERLAPPED);

  EXPECT_EQ(win::GetParent(child), top);
  EXPECT_EQ(win::GetParent(grandChild), child);
  EXPECT_EQ(win::GetParent(top), nullptr);
  EXPECT_EQ(win::GetParent(popup), top);
  EXPECT_EQ(win::GetParent(overlapped), nullptr);

  EXPECT_TRUE(win::IsChild(top, grandChild));
  EXPECT_TRUE(win::IsChild(child, grandChild));
  EXPECT_FALSE(win::IsChild(grandChild, child));
  EXPECT_FALSE(win::IsChild(top, popup)) << "owned is not child";
  EXPECT_FALSE(win::IsChild(top, top));
}

TEST(WindowTreeTest, SetParentMovesAWindowAndAnswersThePreviousParent) {
  TestClass cls;
  HWND first = cls.Top(RECT{0, 0, 200, 100});
  HWND second = cls.Top(RECT{300, 300, 500, 400});
  HWND child = cls.Child(first, RECT{10, 10, 20, 20});

  EXPECT_EQ(win::SetParent(child, second), first);
  EXPECT_EQ(win::GetParent(child), second);
  EXPECT_TRUE(win::IsChild(second, child));
  EXPECT_FALSE(win::IsChild(first, child));
  EXPECT_TRUE(win::IsWindowVisible(child)) << "a visible window stays visible";
  EXPECT_TRUE(Same(WindowRect(child), RECT{310, 310, 320, 320})) << "same place in the new parent";

  // Into its own subtree: refused.
  HWND grandChild = cls.Child(child);
  EXPECT_EQ(win::SetParent(child, grandChild), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(win::SetParent(child, child), nullptr);
  EXPECT_EQ(win::GetParent(child), second);

  // To the desktop: the previous parent comes back, and the window has none now.
  EXPECT_EQ(win::SetParent(child, nullptr), second);
  EXPECT_EQ(win::SetParent(child, first), win::GetDesktopWindow());
}

TEST(WindowTreeTest, ThreadIdentifiers) {
  TestClass cls;
  HWND mine = cls.Top();
  DWORD process = 0;
  EXPECT_EQ(win::GetWindowThreadProcessId(mine, &process), win::GetCurrentThreadId());
  EXPECT_NE(process, 0u);
  EXPECT_EQ(win::GetCurrentThreadId(), win::GetCurrentThreadId());

  DWORD other = 0;
  std::thread([&] { other = win::GetCurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, win::GetCurrentThreadId());

  EXPECT_EQ(win::GetWindowThreadProcessId(nullptr, &process), 0u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace

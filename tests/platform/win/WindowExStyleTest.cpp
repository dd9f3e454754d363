// Extended styles the toolbar's windows rely on: tool and app windows,
// topmost placement and layered attributes.
#include <gtest/gtest.h>

#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::TestClass;

bool Topmost(HWND hwnd) { return (win::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

TEST(WindowExStyleTest, ToolAndAppWindowStylesAreKept) {
  TestClass cls;
  for (DWORD ex : {static_cast<DWORD>(WS_EX_TOOLWINDOW), static_cast<DWORD>(WS_EX_APPWINDOW)}) {
    HWND hwnd = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, ex);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(win::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & ex, static_cast<LONG_PTR>(ex));
  }
}

TEST(WindowExStyleTest, TopmostWindowsStayAboveTheOthers) {
  TestClass cls;
  const RECT place{500, 400, 600, 480};
  HWND pinned = cls.Make(nullptr, WS_POPUP | WS_VISIBLE, place, nullptr, WS_EX_TOPMOST);
  ASSERT_NE(pinned, nullptr);
  EXPECT_TRUE(Topmost(pinned));
  // A newer, even active, ordinary window stays below it.
  HWND plain = cls.Make(nullptr, WS_POPUP | WS_VISIBLE, place);
  ASSERT_NE(plain, nullptr);
  const POINT inside{550, 440};
  EXPECT_EQ(win::WindowFromPoint(inside), pinned);
  win::SetWindowPos(plain, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(win::WindowFromPoint(inside), pinned);
  // Placed without activation, as a hint window is.
  ASSERT_TRUE(win::SetWindowPos(plain, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_TRUE(Topmost(plain));
  EXPECT_EQ(win::WindowFromPoint(inside), plain);
  ASSERT_TRUE(win::SetWindowPos(plain, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_FALSE(Topmost(plain));
  EXPECT_EQ(win::WindowFromPoint(inside), pinned);
  ASSERT_TRUE(win::SetWindowPos(pinned, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_FALSE(Topmost(pinned)) << "the bottom is no place for a topmost window";
  EXPECT_EQ(win::WindowFromPoint(inside), plain);
}

TEST(WindowExStyleTest, LayeredAttributesAreKeptForLayeredWindowsOnly) {
  TestClass cls;
  HWND layered = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  HWND plain = cls.Make(nullptr, WS_POPUP);
  ASSERT_NE(layered, nullptr);
  COLORREF key = 1;
  BYTE alpha = 1;
  DWORD flags = 1;
  win::SetLastError(0);
  EXPECT_FALSE(win::GetLayeredWindowAttributes(layered, &key, &alpha, &flags)) << "not set yet";
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  struct Case {
    const char* name;
    COLORREF key;
    BYTE alpha;
    DWORD flags;
  };
  const Case cases[] = {
      {"alpha", 0, 200, LWA_ALPHA},
      {"colour key", RGB(255, 0, 255), 0, LWA_COLORKEY},
      {"both", RGB(1, 2, 3), 128, LWA_ALPHA | LWA_COLORKEY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(win::SetLayeredWindowAttributes(layered, c.key, c.alpha, c.flags));
    ASSERT_TRUE(win::GetLayeredWindowAttributes(layered, &key, &alpha, &flags));
    EXPECT_EQ(flags, c.flags);
    if (c.flags & LWA_ALPHA) EXPECT_EQ(alpha, c.alpha);
    if (c.flags & LWA_COLORKEY) EXPECT_EQ(key, c.key);
  }
  win::SetLastError(0);
  EXPECT_FALSE(win::SetLayeredWindowAttributes(plain, 0, 100, LWA_ALPHA));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(win::GetLayeredWindowAttributes(plain, &key, &alpha, &flags));
  // Without the style the attributes are gone.
  win::SetWindowLongPtrW(layered, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(win::GetLayeredWindowAttributes(layered, &key, &alpha, &flags));
}

}  // namespace

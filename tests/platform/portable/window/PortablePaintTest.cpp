// Painting in the portable window system: windows' surfaces drawn through
// their DCs, WM_PAINT from the message loop while a window is invalid, and
// pictures of a window with its children composed through PrintWindow.
#include <gtest/gtest.h>

#include "platform/portable/gdi/GdiControl.h"
#include "platform/portable/window/TestDriver.h"
#include "platform/win/Gdi.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::Entries;
using window_test::Script;
using window_test::TestClass;
namespace driver = win::portable::driver;

constexpr std::uint32_t kOpaque = 0xFF000000u;

void Paint(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = win::CreateSolidBrush(color);
  win::FillRect(dc, &r, brush);
  win::DeleteObject(brush);
}

// A script that paints the whole client area in one colour in WM_PAINT.
Script PaintsIn(COLORREF color, int* paints = nullptr) {
  Script s;
  s.handler = [color, paints](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_PAINT) return false;
    if (paints) ++*paints;
    PAINTSTRUCT ps{};
    HDC dc = win::BeginPaint(hwnd, &ps);
    RECT client{};
    win::GetClientRect(hwnd, &client);
    Paint(dc, client, color);
    win::EndPaint(hwnd, &ps);
    result = 0;
    return true;
  };
  return s;
}

class PortablePaintTest : public testing::Test {
 protected:
  void SetUp() override { driver::Reset(); }
  void TearDown() override { driver::Reset(); }
};

TEST_F(PortablePaintTest, PaintComesThroughTheLoopOncePerInvalidation) {
  TestClass cls;
  int paints = 0;
  Script script = PaintsIn(RGB(0, 0, 255), &paints);
  HWND hidden = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 40, 30}, &script);
  ASSERT_NE(hidden, nullptr);
  driver::PumpMessages();
  EXPECT_EQ(paints, 0) << "a hidden window is not painted";

  win::ShowWindow(hidden, SW_SHOWNA);
  RECT update{};
  EXPECT_TRUE(win::GetUpdateRect(hidden, &update, FALSE)) << "shown: invalid";
  EXPECT_EQ(update.right, 40);
  driver::PumpMessages();
  EXPECT_EQ(paints, 1);
  EXPECT_FALSE(win::GetUpdateRect(hidden, &update, FALSE));
  driver::PumpMessages();
  EXPECT_EQ(paints, 1) << "a valid window gets no more";

  const RECT part{5, 6, 10, 12};
  ASSERT_TRUE(win::InvalidateRect(hidden, &part, FALSE));
  ASSERT_TRUE(win::InvalidateRect(hidden, &part, FALSE));
  ASSERT_TRUE(win::GetUpdateRect(hidden, &update, FALSE));
  EXPECT_EQ(update.left, 5);
  EXPECT_EQ(update.bottom, 12);
  driver::PumpMessages();
  EXPECT_EQ(paints, 2) << "two invalidations before the loop runs paint once";

  // Resizing invalidates; UpdateWindow paints at once, without the loop.
  ASSERT_TRUE(win::SetWindowPos(hidden, nullptr, 0, 0, 50, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  ASSERT_TRUE(win::UpdateWindow(hidden));
  EXPECT_EQ(paints, 3);
  ASSERT_TRUE(win::UpdateWindow(hidden));
  EXPECT_EQ(paints, 3);
}

TEST_F(PortablePaintTest, TheDefaultProcedureValidatesAndErasesWithTheClassBrush) {
  // A class of its own with a background brush and no procedure of its own.
  HBRUSH yellow = win::CreateSolidBrush(RGB(255, 255, 0));
  WNDCLASSW wc{};
  wc.lpfnWndProc = win::DefWindowProcW;
  wc.hbrBackground = yellow;
  wc.lpszClassName = L"VornPaintDefault";
  ASSERT_NE(win::RegisterClassW(&wc), 0);
  HWND hwnd = win::CreateWindowExW(0, L"VornPaintDefault", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 10, nullptr,
                                   nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(win::GetUpdateRect(hwnd, nullptr, FALSE));
  EXPECT_GT(driver::PumpMessages(), 0);
  EXPECT_FALSE(win::GetUpdateRect(hwnd, nullptr, FALSE));
  EXPECT_EQ(driver::PumpMessages(), 0) << "the loop goes idle";
  const driver::Picture picture = driver::WindowPicture(hwnd);
  ASSERT_EQ(picture.width, 20);
  EXPECT_EQ(picture.At(0, 0), kOpaque | 0xFFFF00u);
  EXPECT_EQ(picture.At(19, 9), kOpaque | 0xFFFF00u);
  win::DestroyWindow(hwnd);
  win::UnregisterClassW(L"VornPaintDefault", nullptr);
  win::DeleteObject(yellow);
}

TEST_F(PortablePaintTest, PicturesComposeChildrenAtTheirPlaces) {
  TestClass cls;
  Script parentScript = PaintsIn(RGB(0, 0, 255));
  Script childScript = PaintsIn(RGB(255, 0, 0));
  // A bordered parent: its client area starts one pixel in.
  HWND parent = cls.Make(nullptr, WS_POPUP | WS_BORDER | WS_VISIBLE, RECT{0, 0, 62, 42}, &parentScript);
  HWND child = cls.Make(parent, WS_CHILD | WS_VISIBLE, RECT{10, 5, 30, 20}, &childScript);
  HWND hiddenChild = cls.Make(parent, WS_CHILD, RECT{40, 5, 50, 20}, &childScript);
  ASSERT_TRUE(parent && child && hiddenChild);
  const driver::Picture picture = driver::WindowPicture(parent);
  ASSERT_EQ(picture.width, 62);
  ASSERT_EQ(picture.height, 42);
  EXPECT_EQ(picture.At(1 + 5, 1 + 2), kOpaque | 0x0000FFu);
  EXPECT_EQ(picture.At(1 + 10, 1 + 5), kOpaque | 0xFF0000u) << "the child's corner";
  EXPECT_EQ(picture.At(1 + 29, 1 + 19), kOpaque | 0xFF0000u);
  EXPECT_EQ(picture.At(1 + 30, 1 + 19), kOpaque | 0x0000FFu) << "right of the child";
  EXPECT_EQ(picture.At(1 + 45, 1 + 10), kOpaque | 0x0000FFu) << "hidden children are left out";
  EXPECT_EQ(picture.At(60, 40), kOpaque | 0x0000FFu);
}

TEST_F(PortablePaintTest, WindowDcsKeepWhatIsDrawnAndPrintClientOverrides) {
  TestClass cls;
  Script script = PaintsIn(RGB(0, 0, 255));
  HWND hwnd = cls.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 30, 20}, &script);
  driver::PumpMessages();
  HDC dc = win::GetDC(hwnd);
  ASSERT_NE(dc, nullptr);
  Paint(dc, RECT{0, 0, 5, 5}, RGB(0, 255, 0));
  Paint(dc, RECT{-10, -10, 100, -1}, RGB(0, 0, 0));  // outside the window: nothing
  EXPECT_EQ(win::ReleaseDC(hwnd, dc), 1);
  driver::Picture picture = driver::WindowPicture(hwnd);
  EXPECT_EQ(picture.At(2, 2), kOpaque | 0x00FF00u);
  EXPECT_EQ(picture.At(20, 10), kOpaque | 0x0000FFu);

  // A window that prints itself decides what its picture shows.
  Script printing;
  printing.handler = [](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_PRINTCLIENT) return false;
    Paint(reinterpret_cast<HDC>(wParam), RECT{0, 0, 30, 20}, RGB(128, 0, 128));
    result = 0;
    return true;
  };
  HWND printer = cls.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 30, 20}, &printing);
  picture = driver::WindowPicture(printer);
  EXPECT_EQ(picture.At(0, 0), kOpaque | 0x800080u);
  EXPECT_FALSE(Entries(WM_PRINTCLIENT).empty());
}

TEST_F(PortablePaintTest, SurfacesAndPaintingLeaveNoObjectsBehind) {
  const std::size_t before = win::gdi::LiveObjectCount();
  {
    TestClass cls;
    Script script = PaintsIn(RGB(0, 0, 255));
    HWND hwnd = cls.Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 30, 20}, &script);
    cls.Child(hwnd, RECT{0, 0, 10, 10});
    driver::PumpMessages();
    driver::WindowPicture(hwnd);
  }
  EXPECT_EQ(win::gdi::LiveObjectCount(), before);
}

}  // namespace

// Sending messages, subclassing through GWLP_WNDPROC, and the window longs.
#include <gtest/gtest.h>

#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::Entries;
using window_test::Log;
using window_test::Script;
using window_test::TestClass;

constexpr UINT kProbe = WM_USER + 17;

// The subclass procedure of the test below: it sees each message first, then
// hands it on to the saved procedure and adjusts the answer.
WNDPROC savedProc = nullptr;
std::vector<UINT> subclassSaw;

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  subclassSaw.push_back(msg);
  if (msg == kProbe) {
    EXPECT_TRUE(Entries(kProbe).empty()) << "the subclass runs before the original procedure";
    return win::CallWindowProcW(savedProc, hwnd, msg, wParam, lParam) + 1000;
  }
  return win::CallWindowProcW(savedProc, hwnd, msg, wParam, lParam);
}

TEST(WindowMessagesTest, SendMessageCallsTheProcedureAndReturnsItsAnswer) {
  TestClass cls;
  Script script;
  script.handler = [](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != kProbe) return false;
    result = static_cast<LRESULT>(wParam * 10 + lParam);
    return true;
  };
  HWND hwnd = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, &script);
  EXPECT_EQ(win::SendMessageW(hwnd, kProbe, 4, 2), 42);

  win::DestroyWindow(hwnd);
  EXPECT_EQ(win::SendMessageW(hwnd, kProbe, 4, 2), 0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowMessagesTest, SubclassingThroughGwlpWndProcSeesMessagesFirstAndChains) {
  TestClass cls;
  Script script;
  script.handler = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != kProbe) return false;
    result = 7;
    return true;
  };
  HWND hwnd = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, &script);
  subclassSaw.clear();
  savedProc = reinterpret_cast<WNDPROC>(
      win::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  ASSERT_NE(savedProc, nullptr);
  EXPECT_EQ(win::GetWindowLongPtrW(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&SubclassProc));

  Log().clear();
  EXPECT_EQ(win::SendMessageW(hwnd, kProbe, 0, 0), 1007);
  EXPECT_EQ(Entries(kProbe).size(), 1u);

  // Messages the window system sends go through the subclass too, up to the last one.
  win::DestroyWindow(hwnd);
  ASSERT_FALSE(subclassSaw.empty());
  EXPECT_EQ(subclassSaw.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(Entries(WM_NCDESTROY).size(), 1u) << "and reach the original procedure";
}

TEST(WindowMessagesTest, WindowLongsKeepTheirValues) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top, RECT{0, 0, 10, 10}, WS_VISIBLE, nullptr, 5);

  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_USERDATA), 0);
  EXPECT_EQ(win::SetWindowLongPtrW(child, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(win::SetWindowLongPtrW(child, GWLP_USERDATA, 99), 1234);
  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_USERDATA), 99);

  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_ID), 5);
  EXPECT_EQ(win::SetWindowLongPtrW(child, GWLP_ID, 6), 5);
  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_ID), 6);
  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_HWNDPARENT), reinterpret_cast<LONG_PTR>(top));

  // The class asked for two pointers of extra bytes; the second is free for this test.
  const int slot = static_cast<int>(sizeof(LONG_PTR));
  EXPECT_EQ(win::SetWindowLongPtrW(child, slot, 77), 0);
  EXPECT_EQ(win::GetWindowLongPtrW(child, slot), 77);
}

TEST(WindowMessagesTest, ChangingTheStyleIsAnnouncedBeforeAndAfter) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top, RECT{0, 0, 10, 10}, 0);
  const DWORD before = static_cast<DWORD>(win::GetWindowLongPtrW(child, GWL_STYLE));
  EXPECT_TRUE(before & WS_CHILD);
  DWORD seenOld = 0, seenNew = 0;
  Log().clear();
  win::SetWindowLongPtrW(child, GWL_STYLE, static_cast<LONG_PTR>(before | WS_BORDER));
  for (const auto& entry : Log()) {
    if (entry.msg == WM_STYLECHANGED) {
      EXPECT_EQ(entry.wParam, static_cast<WPARAM>(static_cast<INT_PTR>(GWL_STYLE)));
      seenOld = entry.styleOld;
      seenNew = entry.styleNew;
    }
  }
  EXPECT_EQ(Entries(WM_STYLECHANGING).size(), 1u);
  EXPECT_EQ(seenOld, before);
  EXPECT_EQ(seenNew, before | WS_BORDER);
  EXPECT_TRUE(win::GetWindowLongPtrW(child, GWL_STYLE) & WS_BORDER);
}

TEST(WindowMessagesTest, BadHandlesAndIndexesAreReported) {
  TestClass cls;
  HWND hwnd = cls.Top();
  struct Case {
    const char* what;
    HWND hwnd;
    int index;
    DWORD error;
  };
  const int beyondExtra = static_cast<int>(2 * sizeof(LONG_PTR));
  for (const Case& c : {Case{"unknown negative index", hwnd, -1000, ERROR_INVALID_INDEX},
                        Case{"past the extra bytes", hwnd, beyondExtra, ERROR_INVALID_INDEX},
                        Case{"straddling the end", hwnd, beyondExtra - 1, ERROR_INVALID_INDEX},
                        Case{"no window", nullptr, GWLP_USERDATA, ERROR_INVALID_WINDOW_HANDLE}}) {
    SCOPED_TRACE(c.what);
    win::SetLastError(0);
    EXPECT_EQ(win::GetWindowLongPtrW(c.hwnd, c.index), 0);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(c.error));
    win::SetLastError(0);
    EXPECT_EQ(win::SetWindowLongPtrW(c.hwnd, c.index, 5), 0);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(c.error));
  }
}

TEST(WindowMessagesTest, DefaultProcedureClosesByDestroying) {
  TestClass cls;
  HWND hwnd = cls.Top();
  win::SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_EQ(Entries(WM_DESTROY).size(), 1u);
}

}  // namespace

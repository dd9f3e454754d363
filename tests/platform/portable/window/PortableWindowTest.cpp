// What the portable window system decides where Windows leaves room: its
// screen and frame metrics, its limits on class registration, and its answer
// to calls that would need another thread's message queue.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::Entries;
using window_test::Log;
using window_test::Script;
using window_test::TestClass;

TEST(PortableWindowTest, TheDesktopIsAFixedScreenThatCannotBeDestroyed) {
  HWND desktop = win::GetDesktopWindow();
  ASSERT_TRUE(win::IsWindow(desktop));
  RECT r{};
  ASSERT_TRUE(win::GetWindowRect(desktop, &r));
  EXPECT_EQ(r.right - r.left, 1280);
  EXPECT_EQ(r.bottom - r.top, 1024);
  EXPECT_FALSE(win::DestroyWindow(desktop));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  wchar_t name[16] = {};
  win::GetClassNameW(desktop, name, 16);
  EXPECT_STREQ(name, L"#32769");
}

TEST(PortableWindowTest, FrameMetricsAreFixed) {
  struct Case {
    const char* what;
    DWORD style;
    DWORD exStyle;
    RECT insets;  // left, top, right, bottom
  };
  for (const Case& c : {Case{"no frame", WS_POPUP, 0, RECT{0, 0, 0, 0}},
                        Case{"border", WS_POPUP | WS_BORDER, 0, RECT{1, 1, 1, 1}},
                        Case{"dialog frame", WS_POPUP | WS_DLGFRAME, 0, RECT{3, 3, 3, 3}},
                        Case{"caption", WS_POPUP | WS_CAPTION, 0, RECT{3, 21, 3, 3}},
                        Case{"thick frame and caption", WS_OVERLAPPEDWINDOW, 0, RECT{4, 22, 4, 4}},
                        Case{"client edge", WS_POPUP, WS_EX_CLIENTEDGE, RECT{2, 2, 2, 2}},
                        Case{"border and static edge", WS_POPUP | WS_BORDER, WS_EX_STATICEDGE, RECT{2, 2, 2, 2}}}) {
    SCOPED_TRACE(c.what);
    TestClass cls;
    HWND hwnd = cls.Make(nullptr, c.style, RECT{10, 10, 210, 110}, nullptr, c.exStyle);
    ASSERT_NE(hwnd, nullptr);
    RECT client{};
    win::GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200 - c.insets.left - c.insets.right);
    EXPECT_EQ(client.bottom, 100 - c.insets.top - c.insets.bottom);
    RECT adjusted{0, 0, client.right, client.bottom};
    ASSERT_TRUE(win::AdjustWindowRectEx(&adjusted, c.style, FALSE, c.exStyle));
    EXPECT_EQ(adjusted.right - adjusted.left, 200);
    EXPECT_EQ(adjusted.bottom - adjusted.top, 100);
  }
}

TEST(PortableWindowTest, DefaultPlacement) {
  TestClass cls;
  HWND overlapped = win::CreateWindowExW(0, cls.Name(), L"", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                         nullptr, nullptr, nullptr, nullptr);
  RECT r{};
  win::GetWindowRect(overlapped, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);
  EXPECT_EQ(win::GetWindowLongPtrW(overlapped, GWL_STYLE) & WS_CAPTION, WS_CAPTION)
      << "an overlapped window always has a caption";
  HWND child = win::CreateWindowExW(0, cls.Name(), L"", WS_CHILD, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, overlapped,
                                    nullptr, nullptr, nullptr);
  win::GetClientRect(child, &r);
  EXPECT_EQ(r.right, 0);
  win::DestroyWindow(overlapped);
}

TEST(PortableWindowTest, ClassRegistrationRefusesUnusableDescriptions) {
  const std::wstring tooLong(256, L'x');
  struct Case {
    const char* what;
    LPCWSTR name;
    int clsExtra;
    int wndExtra;
  };
  for (const Case& c : {Case{"no name", nullptr, 0, 0}, Case{"empty name", L"", 0, 0},
                        Case{"name longer than 255", tooLong.c_str(), 0, 0},
                        Case{"an atom for a name", reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(0xC001)), 0, 0},
                        Case{"negative class extra", L"VornBadExtra", -1, 0},
                        Case{"negative window extra", L"VornBadExtra", 0, -4},
                        Case{"huge window extra", L"VornBadExtra", 0, 1 << 30}}) {
    SCOPED_TRACE(c.what);
    WNDCLASSW wc{};
    wc.lpfnWndProc = win::DefWindowProcW;
    wc.lpszClassName = c.name;
    wc.cbClsExtra = c.clsExtra;
    wc.cbWndExtra = c.wndExtra;
    EXPECT_EQ(win::RegisterClassW(&wc), 0);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(win::RegisterClassW(nullptr), 0);
}

TEST(PortableWindowTest, ModulesRegisterTheSameNameSeparatelyUnlessGlobal) {
  static const char moduleA = 0, moduleB = 0;
  auto* a = reinterpret_cast<HINSTANCE>(const_cast<char*>(&moduleA));
  auto* b = reinterpret_cast<HINSTANCE>(const_cast<char*>(&moduleB));
  WNDCLASSW wc{};
  wc.lpfnWndProc = win::DefWindowProcW;
  wc.lpszClassName = L"VornPerModule";
  wc.hInstance = a;
  ASSERT_NE(win::RegisterClassW(&wc), 0);
  wc.hInstance = b;
  ASSERT_NE(win::RegisterClassW(&wc), 0);
  wc.lpszClassName = L"VornGlobal";
  wc.style = CS_GLOBALCLASS;
  ASSERT_NE(win::RegisterClassW(&wc), 0);
  wc.hInstance = a;
  EXPECT_EQ(win::RegisterClassW(&wc), 0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  // A global class is found from any module.
  HWND hwnd = win::CreateWindowExW(0, L"VornGlobal", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, a, nullptr);
  EXPECT_NE(hwnd, nullptr);
  win::DestroyWindow(hwnd);
  EXPECT_TRUE(win::UnregisterClassW(L"VornPerModule", a));
  EXPECT_TRUE(win::UnregisterClassW(L"VornPerModule", b));
  EXPECT_TRUE(win::UnregisterClassW(L"VornGlobal", b));
}

// SendMessageW itself crosses threads (WindowSendTest); these calls do not.
TEST(PortableWindowTest, CallsThatWouldSendToAnotherThreadAreRefused) {
  TestClass cls;
  HWND mine = cls.Top();
  Log().clear();
  DWORD showError = 0, moveError = 0;
  BOOL shown = TRUE, moved = TRUE;
  LONG_PTR userData = 0;
  std::thread other([&] {
    shown = win::ShowWindow(mine, SW_HIDE);
    showError = win::GetLastError();
    moved = win::MoveWindow(mine, 1, 1, 1, 1, TRUE);
    moveError = win::GetLastError();
    win::SetWindowLongPtrW(mine, GWLP_USERDATA, 5);  // no message: allowed
    userData = win::GetWindowLongPtrW(mine, GWLP_USERDATA);
  });
  other.join();
  EXPECT_FALSE(shown);
  EXPECT_EQ(showError, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(moved);
  EXPECT_EQ(moveError, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(Log().empty()) << "nothing reached the window procedure";
  EXPECT_TRUE(win::IsWindowVisible(mine));
  EXPECT_EQ(userData, 5);
}

TEST(PortableWindowTest, DestroyingAWindowAgainFromItsWmDestroyDoesNothingMore) {
  TestClass cls;
  Script script;
  script.handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_DESTROY || msg == WM_NCDESTROY) {
      EXPECT_TRUE(win::DestroyWindow(hwnd));
    }
    return false;
  };
  HWND hwnd = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 5, 5}, &script);
  EXPECT_TRUE(win::DestroyWindow(hwnd));
  EXPECT_EQ(Entries(WM_DESTROY).size(), 1u);
  EXPECT_EQ(Entries(WM_NCDESTROY).size(), 1u);
  EXPECT_FALSE(win::IsWindow(hwnd));
}

TEST(PortableWindowTest, AProcedureThatThrowsDuringCreationLeavesNoWindow) {
  TestClass cls;
  Script script;
  script.handler = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) -> bool {
    if (msg == WM_CREATE) throw std::runtime_error("broken");
    return false;
  };
  EXPECT_THROW(cls.Make(nullptr, WS_POPUP, RECT{0, 0, 5, 5}, &script), std::runtime_error);
  ASSERT_FALSE(Log().empty());
  EXPECT_FALSE(win::IsWindow(Log().front().hwnd));
  EXPECT_TRUE(win::UnregisterClassW(cls.Name(), nullptr)) << "the class has no windows left";
}

}  // namespace

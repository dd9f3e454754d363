// Window classes, creation and destruction: the messages and their order as
// Windows sends them, refusals, and windows belonging to threads.
#include <gtest/gtest.h>

#include <cwctype>
#include <thread>

#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::Entries;
using window_test::Log;
using window_test::Script;
using window_test::Sequence;
using window_test::TestClass;
using Step = std::pair<HWND, UINT>;

TEST(WindowClassTest, NamesAreUniqueWithoutRegardToCaseAndFreedOnlyWithoutWindows) {
  TestClass cls;
  ASSERT_NE(cls.Atom(), 0);

  std::wstring upper = cls.Name();
  for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
  WNDCLASSW again{};
  again.lpfnWndProc = win::DefWindowProcW;
  again.lpszClassName = upper.c_str();
  EXPECT_EQ(win::RegisterClassW(&again), 0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  // Found by name in any case, and by atom.
  HWND byName = win::CreateWindowExW(0, upper.c_str(), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND byAtom = win::CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(cls.Atom())), L"", WS_POPUP, 0,
                                     0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(byName, nullptr);
  ASSERT_NE(byAtom, nullptr);
  wchar_t name[64] = {};
  EXPECT_EQ(win::GetClassNameW(byAtom, name, 64), static_cast<int>(wcslen(cls.Name())));
  EXPECT_STREQ(name, cls.Name());
  // Truncated to the buffer, terminator included.
  wchar_t shortName[5] = {};
  EXPECT_EQ(win::GetClassNameW(byName, shortName, 5), 4);
  EXPECT_EQ(std::wstring(shortName), std::wstring(cls.Name()).substr(0, 4));

  EXPECT_FALSE(win::UnregisterClassW(cls.Name(), nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  win::DestroyWindow(byName);
  win::DestroyWindow(byAtom);
  EXPECT_TRUE(win::UnregisterClassW(cls.Name(), nullptr));
  EXPECT_FALSE(win::UnregisterClassW(cls.Name(), nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
  EXPECT_EQ(win::CreateWindowExW(0, cls.Name(), L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  if (testing_support::RunningUnderWine() && win::GetLastError() == ERROR_CLASS_DOES_NOT_EXIST) {
    // Wine 8 answers the unregistering error here; Windows says it cannot find the class.
  } else {
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  }
}

TEST(WindowClassTest, ExtendedRegistrationChecksTheStructureSize) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc) - 1;
  wc.lpfnWndProc = win::DefWindowProcW;
  wc.lpszClassName = L"VornWindowTestBadSize";
  EXPECT_EQ(win::RegisterClassExW(&wc), 0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WindowCreateTest, ChildCreationSendsTheWindowsSequenceWithTheCreateStruct) {
  TestClass cls;
  HWND parent = cls.Top();
  int seenX = -1, seenCy = -1;
  void* seenParam = nullptr;
  HWND seenParent = nullptr;
  bool visibleDuringCreate = true;
  Script script;
  script.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam, LRESULT&) {
    if (msg == WM_CREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      seenX = cs->x;
      seenCy = cs->cy;
      seenParam = cs->lpCreateParams;
      seenParent = cs->hwndParent;
      visibleDuringCreate = (win::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    return false;
  };
  Log().clear();
  HWND child = cls.Child(parent, RECT{7, 9, 47, 39}, WS_VISIBLE, &script, 42);
  ASSERT_NE(child, nullptr);

  const std::vector<Step> expected = {{child, WM_NCCREATE},     {child, WM_CREATE},     {child, WM_SIZE},
                                      {child, WM_MOVE},         {parent, WM_PARENTNOTIFY}, {child, WM_SHOWWINDOW}};
  EXPECT_EQ(Sequence({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW}), expected);
  EXPECT_EQ(seenX, 7);
  EXPECT_EQ(seenCy, 30);
  EXPECT_EQ(seenParam, &script);
  EXPECT_EQ(seenParent, parent);
  EXPECT_FALSE(visibleDuringCreate) << "WS_VISIBLE is applied once creation is complete";

  auto size = Entries(WM_SIZE).at(0);
  EXPECT_EQ(LOWORD(size.lParam), 40);
  EXPECT_EQ(HIWORD(size.lParam), 30);
  auto move = Entries(WM_MOVE).at(0);
  EXPECT_EQ(LOWORD(move.lParam), 7);
  EXPECT_EQ(HIWORD(move.lParam), 9);
  auto notify = Entries(WM_PARENTNOTIFY).at(0);
  EXPECT_EQ(notify.wParam, MAKEWPARAM(WM_CREATE, 42));
  EXPECT_EQ(notify.lParam, reinterpret_cast<LPARAM>(child));
  EXPECT_EQ(win::GetWindowLongPtrW(child, GWLP_ID), 42);
  EXPECT_TRUE(win::IsWindowVisible(child));
}

TEST(WindowCreateTest, RefusedCreationLeavesNoWindowAndEndsWithNcDestroy) {
  struct Case {
    const char* what;
    LRESULT ncCreate;
    LRESULT create;
  };
  for (const Case& c : {Case{"WM_NCCREATE returns 0", FALSE, 0}, Case{"WM_CREATE returns -1", TRUE, -1}}) {
    SCOPED_TRACE(c.what);
    TestClass cls;
    HWND parent = cls.Top();
    Script script;
    script.ncCreateResult = c.ncCreate;
    script.createResult = c.create;
    Log().clear();
    EXPECT_EQ(cls.Child(parent, RECT{0, 0, 10, 10}, WS_VISIBLE, &script), nullptr);
    ASSERT_FALSE(Log().empty());
    HWND attempted = Log().front().hwnd;
    EXPECT_FALSE(win::IsWindow(attempted));
    EXPECT_EQ(Log().back().hwnd, attempted);
    EXPECT_EQ(Log().back().msg, static_cast<UINT>(WM_NCDESTROY));
    EXPECT_TRUE(Entries(WM_PARENTNOTIFY).empty()) << "the parent never hears of a window that was not made";
    EXPECT_TRUE(Entries(WM_SHOWWINDOW).empty());
  }
}

TEST(WindowCreateTest, ChildrenMadeDuringARefusedCreationGoWithIt) {
  TestClass cls;
  HWND grandChild = nullptr;
  Script script;
  script.createResult = -1;
  script.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_CREATE) grandChild = cls.Child(hwnd, RECT{0, 0, 5, 5});
    return false;
  };
  HWND parent = cls.Top();
  EXPECT_EQ(cls.Child(parent, RECT{0, 0, 10, 10}, 0, &script), nullptr);
  ASSERT_NE(grandChild, nullptr);
  EXPECT_FALSE(win::IsWindow(grandChild));
  auto ncDestroys = Entries(WM_NCDESTROY);
  ASSERT_EQ(ncDestroys.size(), 2u);
  EXPECT_EQ(ncDestroys[0].hwnd, grandChild) << "children first";
}

TEST(WindowCreateTest, BadParentsAreRefused) {
  TestClass cls;
  EXPECT_EQ(cls.Make(nullptr, WS_CHILD), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));

  HWND gone = cls.Top();
  win::DestroyWindow(gone);
  EXPECT_EQ(cls.Make(gone, WS_CHILD), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowDestroyTest, DestroyGoesDownWithWmDestroyAndBackUpWithWmNcDestroy) {
  TestClass cls;
  HWND top = cls.Top();
  HWND a = cls.Child(top);
  HWND a1 = cls.Child(a);
  HWND b = cls.Child(top);
  Log().clear();
  ASSERT_TRUE(win::DestroyWindow(top));

  const std::vector<Step> destroys = {{top, WM_DESTROY}, {a, WM_DESTROY}, {a1, WM_DESTROY}, {b, WM_DESTROY}};
  EXPECT_EQ(Sequence({WM_DESTROY}), destroys);
  const std::vector<Step> ncDestroys = {{a1, WM_NCDESTROY}, {a, WM_NCDESTROY}, {b, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(Sequence({WM_NCDESTROY}), ncDestroys);
  for (HWND hwnd : {top, a, a1, b}) EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_FALSE(win::DestroyWindow(top));
  if (testing_support::RunningUnderWine() && win::GetLastError() == ERROR_ACCESS_DENIED) {
    // Wine 8 treats any handle that is not one of the thread's windows as another thread's.
  } else {
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
}

TEST(WindowDestroyTest, AVisibleFocusedChildIsHiddenAndGivesTheFocusToItsParentFirst) {
  TestClass cls;
  HWND top = cls.Top();
  HWND child = cls.Child(top);
  win::SetFocus(child);
  ASSERT_EQ(win::GetFocus(), child);
  Log().clear();
  ASSERT_TRUE(win::DestroyWindow(child));

  const std::vector<Step> expected = {{top, WM_PARENTNOTIFY}, {child, WM_SHOWWINDOW}, {child, WM_KILLFOCUS},
                                      {top, WM_SETFOCUS},     {child, WM_DESTROY},    {child, WM_NCDESTROY}};
  EXPECT_EQ(Sequence({WM_PARENTNOTIFY, WM_SHOWWINDOW, WM_KILLFOCUS, WM_SETFOCUS, WM_DESTROY, WM_NCDESTROY}), expected);
  EXPECT_EQ(Entries(WM_PARENTNOTIFY).at(0).wParam, MAKEWPARAM(WM_DESTROY, 0));
  EXPECT_EQ(Entries(WM_KILLFOCUS).at(0).wParam, reinterpret_cast<WPARAM>(top));
  EXPECT_EQ(Entries(WM_SETFOCUS).at(0).wParam, reinterpret_cast<WPARAM>(child));
  EXPECT_EQ(win::GetFocus(), top);
}

TEST(WindowDestroyTest, FocusHeldByADescendantLeavesTheDestroyedSubtreeToo) {
  TestClass cls;
  HWND top = cls.Top();
  HWND panel = cls.Child(top);
  HWND edit = cls.Child(panel);
  win::SetFocus(edit);
  win::DestroyWindow(panel);
  EXPECT_NE(win::GetFocus(), edit);
  EXPECT_NE(win::GetFocus(), panel);
}

TEST(WindowDestroyTest, AChildDestroyedByItsParentsWmDestroyHandlerIsDestroyedOnce) {
  TestClass cls;
  HWND child = nullptr;
  Script script;
  script.handler = [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_DESTROY) win::DestroyWindow(child);
    return false;
  };
  HWND parent = cls.Make(nullptr, WS_POPUP, RECT{0, 0, 50, 50}, &script);
  child = cls.Child(parent);
  Log().clear();
  win::DestroyWindow(parent);
  const std::vector<Step> expected = {{parent, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY},
                                      {parent, WM_NCDESTROY}};
  EXPECT_EQ(Sequence({WM_DESTROY, WM_NCDESTROY}), expected);
}

TEST(WindowDestroyTest, OwnedPopupsGoBeforeTheirOwner) {
  TestClass cls;
  HWND owner = cls.Top();
  HWND popup = cls.Make(owner, WS_POPUP);
  HWND second = cls.Make(owner, WS_POPUP);
  Log().clear();
  win::DestroyWindow(owner);
  EXPECT_FALSE(win::IsWindow(popup));
  EXPECT_FALSE(win::IsWindow(second));
  auto destroys = Sequence({WM_DESTROY});
  ASSERT_EQ(destroys.size(), 3u);
  EXPECT_EQ(destroys.back(), Step(owner, WM_DESTROY));
}

TEST(WindowThreadTest, WindowsBelongToTheThreadThatMadeThem) {
  TestClass cls;
  HWND mine = cls.Top();
  HWND theirs = nullptr;
  DWORD theirThread = 0;
  DWORD destroyError = 0;
  BOOL destroyedThere = TRUE;
  std::thread other([&] {
    theirThread = win::GetCurrentThreadId();
    // A child of a window of another thread is allowed. It asks for no
    // WM_PARENTNOTIFY: that message would be sent to this test's thread, which
    // waits in join() without pumping messages, and on Windows the send blocks.
    theirs = cls.Make(mine, WS_CHILD, RECT{0, 0, 100, 50}, nullptr, WS_EX_NOPARENTNOTIFY);
    destroyedThere = win::DestroyWindow(mine);
    destroyError = win::GetLastError();
  });
  other.join();

  EXPECT_NE(theirThread, 0u);
  EXPECT_NE(theirThread, win::GetCurrentThreadId());
  EXPECT_FALSE(destroyedThere);
  EXPECT_EQ(destroyError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(win::IsWindow(mine));
  EXPECT_EQ(win::GetWindowThreadProcessId(mine, nullptr), win::GetCurrentThreadId());
  // The thread has ended, and its windows with it.
  ASSERT_NE(theirs, nullptr);
  EXPECT_FALSE(win::IsWindow(theirs));
}

}  // namespace

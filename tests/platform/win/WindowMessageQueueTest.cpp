// Per-thread queues of posted messages: order, filters, WM_QUIT, posting from
// other threads, dispatching, and what happens with windows or threads that are gone.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/win/WindowTestSupport.h"
#include "support/Platform.h"

namespace {

using window_test::Entries;
using window_test::Script;
using window_test::TestClass;

constexpr UINT kFirst = WM_USER + 301;
constexpr UINT kLast = WM_USER + 399;
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

// Leaves the calling thread's queue as a test found it: nothing of ours, no quit pending.
void Drain() {
  MSG msg{};
  while (win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_REMOVE)) {
  }
  while (win::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

class WindowMessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { Drain(); }
  void TearDown() override { Drain(); }
  // Hidden windows: nothing to paint, so the system puts nothing of its own in the way.
  HWND Hidden() { return cls_.Make(nullptr, WS_POPUP); }
  TestClass cls_;
};

TEST_F(WindowMessageQueueTest, PostedMessagesComeFirstInFirstOut) {
  HWND a = Hidden();
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(win::PostMessageW(a, kFirst, 1, 10));
  ASSERT_TRUE(win::PostMessageW(nullptr, kFirst + 1, 2, 20));  // a thread message to ourselves
  ASSERT_TRUE(win::PostThreadMessageW(win::GetCurrentThreadId(), kFirst + 2, 3, 30));

  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_NOREMOVE));
  EXPECT_EQ(msg.message, kFirst);
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_NOREMOVE));
  EXPECT_EQ(msg.message, kFirst) << "PM_NOREMOVE leaves the message in the queue";

  struct Expected {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Expected expected[] = {{a, kFirst, 1, 10}, {nullptr, kFirst + 1, 2, 20}, {nullptr, kFirst + 2, 3, 30}};
  for (const auto& e : expected) {
    ASSERT_EQ(win::GetMessageW(&msg, nullptr, kFirst, kLast), TRUE);
    EXPECT_EQ(msg.hwnd, e.hwnd);
    EXPECT_EQ(msg.message, e.message);
    EXPECT_EQ(msg.wParam, e.wParam);
    EXPECT_EQ(msg.lParam, e.lParam);
  }
  EXPECT_FALSE(win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_REMOVE));
}

TEST_F(WindowMessageQueueTest, FiltersSelectByWindowAndRange) {
  HWND a = Hidden();
  HWND b = Hidden();
  ASSERT_TRUE(a && b);
  struct Case {
    const char* name;
    HWND filter;
    UINT first;
    UINT last;
    UINT expected;  // 0: nothing matches
  };
  const Case cases[] = {
      {"any window, our range", nullptr, kFirst, kLast, kFirst},
      {"window b only", b, 0, 0, kFirst + 1},
      {"thread messages only", kThreadOnly, kFirst, kLast, kFirst + 2},
      {"upper part of the range", nullptr, kFirst + 50, kLast, kFirst + 60},
      {"window a, upper part", a, kFirst + 50, kLast, kFirst + 60},
      {"window b, wrong range", b, kFirst + 2, kFirst + 3, 0},
      {"single message", nullptr, kFirst + 2, kFirst + 2, kFirst + 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Drain();
    ASSERT_TRUE(win::PostMessageW(a, kFirst, 0, 0));
    ASSERT_TRUE(win::PostMessageW(b, kFirst + 1, 0, 0));
    ASSERT_TRUE(win::PostMessageW(nullptr, kFirst + 2, 0, 0));
    ASSERT_TRUE(win::PostMessageW(a, kFirst + 60, 0, 0));
    MSG msg{};
    BOOL got = win::PeekMessageW(&msg, c.filter, c.first, c.last, PM_REMOVE);
    if (c.expected == 0) {
      EXPECT_FALSE(got);
      continue;
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(msg.message, c.expected);
    // The others stay: three of the four are left in our range.
    int left = 0;
    while (win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_REMOVE)) ++left;
    EXPECT_EQ(left, 3);
  }
}

TEST_F(WindowMessageQueueTest, QuitComesAfterThePostedMessagesAndEndsTheLoop) {
  ASSERT_TRUE(win::PostMessageW(nullptr, kFirst, 0, 0));
  win::PostQuitMessage(7);
  ASSERT_TRUE(win::PostMessageW(nullptr, kFirst + 1, 0, 0));

  std::vector<UINT> loop;
  MSG msg{};
  BOOL result;
  while ((result = win::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    loop.push_back(msg.message);
    win::TranslateMessage(&msg);
    win::DispatchMessageW(&msg);
  }
  EXPECT_EQ(result, FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  std::vector<UINT> ours;
  for (UINT m : loop)
    if (m >= kFirst && m <= kLast) ours.push_back(m);
  EXPECT_EQ(ours, (std::vector<UINT>{kFirst, kFirst + 1}));
  EXPECT_FALSE(win::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "taking WM_QUIT clears it";
}

TEST_F(WindowMessageQueueTest, QuitIsRetrievedWhateverTheRange) {
  win::PostQuitMessage(3);
  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kFirst, kFirst, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(win::GetMessageW(&msg, nullptr, kFirst, kFirst), FALSE);
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(WindowMessageQueueTest, GetMessageWaitsForAPostFromAnotherThread) {
  HWND a = Hidden();
  ASSERT_NE(a, nullptr);
  const DWORD self = win::GetCurrentThreadId();
  DWORD poster = 0;
  BOOL postedToWindow = FALSE;
  BOOL postedToThread = FALSE;
  std::thread other([&] {
    poster = win::GetCurrentThreadId();
    postedToWindow = win::PostMessageW(a, kFirst + 5, 5, 50);
    postedToThread = win::PostThreadMessageW(self, kFirst + 6, 6, 60);
  });
  MSG msg{};
  ASSERT_EQ(win::GetMessageW(&msg, nullptr, kFirst + 5, kFirst + 5), TRUE);
  EXPECT_EQ(msg.hwnd, a);
  EXPECT_EQ(msg.lParam, 50);
  ASSERT_EQ(win::GetMessageW(&msg, kThreadOnly, kFirst + 6, kFirst + 6), TRUE);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 6u);
  other.join();
  EXPECT_TRUE(postedToWindow);
  EXPECT_TRUE(postedToThread);
  EXPECT_NE(poster, self);
}

TEST_F(WindowMessageQueueTest, DispatchCallsTheWindowProcedure) {
  Script script;
  script.handler = [](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != kFirst) return false;
    result = static_cast<LRESULT>(wParam) * 2;
    return true;
  };
  HWND a = cls_.Make(nullptr, WS_POPUP, RECT{0, 0, 10, 10}, &script);
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(win::PostMessageW(a, kFirst, 21, 0));
  EXPECT_TRUE(Entries(kFirst).empty()) << "posting does not call the procedure";
  MSG msg{};
  ASSERT_EQ(win::GetMessageW(&msg, a, kFirst, kFirst), TRUE);
  EXPECT_EQ(win::DispatchMessageW(&msg), 42);
  ASSERT_EQ(Entries(kFirst).size(), 1u);
  EXPECT_EQ(Entries(kFirst)[0].hwnd, a);

  MSG threadMessage{nullptr, kFirst, 1, 2, 0, POINT{0, 0}};
  EXPECT_EQ(win::DispatchMessageW(&threadMessage), 0);
  EXPECT_EQ(Entries(kFirst).size(), 1u);
  win::DestroyWindow(a);  // before the script it points at goes
}

TEST_F(WindowMessageQueueTest, DestroyedWindowsTakeNoPostsAndLoseTheirQueuedOnes) {
  HWND a = Hidden();
  HWND b = Hidden();
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(win::PostMessageW(a, kFirst, 0, 0));
  ASSERT_TRUE(win::PostMessageW(b, kFirst + 1, 0, 0));
  ASSERT_TRUE(win::DestroyWindow(a));

  win::SetLastError(0);
  EXPECT_FALSE(win::PostMessageW(a, kFirst, 0, 0));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b) << "a's message went with a";
  EXPECT_FALSE(win::PeekMessageW(&msg, nullptr, kFirst, kLast, PM_REMOVE));

  win::SetLastError(0);
  EXPECT_EQ(win::GetMessageW(&msg, a, 0, 0), -1);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  win::SetLastError(0);
  EXPECT_FALSE(win::PeekMessageW(&msg, a, 0, 0, PM_REMOVE));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowMessageQueueTest, ThreadsThatAreGoneTakeNoPosts) {
  DWORD ended = 0;
  std::thread([&] { ended = win::GetCurrentThreadId(); }).join();
  ASSERT_NE(ended, 0u);
  const DWORD ids[] = {ended, 0xFFFFFFF0u};
  for (DWORD id : ids) {
    SCOPED_TRACE(id);
    win::SetLastError(0);
    EXPECT_FALSE(win::PostThreadMessageW(id, kFirst, 0, 0));
    const DWORD error = win::GetLastError();
    // Windows documents ERROR_INVALID_THREAD_ID; Wine 8 answers ERROR_INVALID_PARAMETER.
    if (testing_support::RunningUnderWine() && error == ERROR_INVALID_PARAMETER) continue;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  }
}

}  // namespace

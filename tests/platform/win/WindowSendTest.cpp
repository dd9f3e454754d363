// SendMessageW between threads: where the message is handled, what the
// sender gets back, how two threads sending to each other avoid a deadlock,
// what the receiving thread's hooks see, and sends that can never be handled.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win/Window.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using window_test::ServeSends;
using window_test::Worker;

constexpr UINT kProbe = WM_USER + 601;
constexpr UINT kPing = WM_USER + 602;
constexpr UINT kPong = WM_USER + 603;
constexpr UINT kDone = WM_USER + 604;

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  DWORD thread;
  BOOL inSend;
};

// Window procedures and hooks run on several threads here: all they share is behind this lock.
std::mutex seenMutex;
std::vector<Seen> seen;
std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> onMessage;  // set before any thread starts

std::vector<Seen> Seen_() {
  std::lock_guard lock(seenMutex);
  return seen;
}

LRESULT CALLBACK SendTestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= kProbe && msg <= kPong) {
    {
      std::lock_guard lock(seenMutex);
      seen.push_back(Seen{hwnd, msg, wParam, win::GetCurrentThreadId(), win::InSendMessage()});
    }
    return onMessage ? onMessage(hwnd, msg, wParam, lParam) : static_cast<LRESULT>(wParam + 1);
  }
  return win::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
  return win::CreateWindowExW(0, L"VornSendTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}


// Serves the calling thread's queue until kDone arrives.
void PumpUntilDone() {
  MSG msg{};
  while (win::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kDone) return;
    win::DispatchMessageW(&msg);
  }
}

void RunMessageLoop() {
  MSG msg{};
  while (win::GetMessageW(&msg, nullptr, 0, 0) > 0) win::DispatchMessageW(&msg);
}

class WindowSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = SendTestProc;
    wc.lpszClassName = L"VornSendTest";
    ASSERT_NE(win::RegisterClassW(&wc), 0);
    seen.clear();
    onMessage = nullptr;
    hwnd_ = MakeWindow();
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    if (win::IsWindow(hwnd_)) win::DestroyWindow(hwnd_);
    win::UnregisterClassW(L"VornSendTest", nullptr);
    onMessage = nullptr;
  }
  HWND hwnd_ = nullptr;
  const DWORD self_ = win::GetCurrentThreadId();
};

TEST_F(WindowSendTest, TheReceiverHandlesTheMessageOnItsOwnThreadWhileReadingItsQueue) {
  struct Case {
    const char* name;
    std::function<void()> serve;
  };
  const Case cases[] = {
      {"GetMessageW", PumpUntilDone},
      {"PeekMessageW PM_REMOVE",
       [] {
         MSG msg{};
         while (!win::PeekMessageW(&msg, nullptr, kDone, kDone, PM_REMOVE)) std::this_thread::yield();
       }},
      {"PeekMessageW PM_NOREMOVE",
       [] {
         MSG msg{};
         while (!win::PeekMessageW(&msg, nullptr, kDone, kDone, PM_NOREMOVE)) std::this_thread::yield();
         win::PeekMessageW(&msg, nullptr, kDone, kDone, PM_REMOVE);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    seen.clear();
    std::atomic<LRESULT> answer{0};
    std::atomic<DWORD> sender{0};
    {
      Worker worker([&] {
        sender = win::GetCurrentThreadId();
        answer = win::SendMessageW(hwnd_, kProbe, 41, 0);
        win::PostThreadMessageW(self_, kDone, 0, 0);
      });
      c.serve();
    }
    EXPECT_EQ(answer.load(), 42);
    auto got = Seen_();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].thread, self_) << "handled on the window's thread";
    EXPECT_NE(got[0].thread, sender.load());
    EXPECT_TRUE(got[0].inSend) << "InSendMessage while handling another thread's send";
  }
}

TEST_F(WindowSendTest, ASendOnTheSameThreadIsNotAnInterThreadSend) {
  EXPECT_EQ(win::SendMessageW(hwnd_, kProbe, 1, 0), 2);
  auto got = Seen_();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_FALSE(got[0].inSend);
  EXPECT_FALSE(win::InSendMessage());
}

TEST_F(WindowSendTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  const HWND mine = hwnd_;
  // The worker's window answers a ping by sending a pong back to this thread,
  // which is itself waiting in SendMessageW for the ping's answer.
  onMessage = [mine](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
    if (msg == kPing) return win::SendMessageW(mine, kPong, wParam * 10, 0) + 1;
    return static_cast<LRESULT>(wParam + 1);
  };
  std::promise<HWND> made;
  Worker worker([&] {
    made.set_value(MakeWindow());
    RunMessageLoop();
  });
  HWND theirs = made.get_future().get();
  ASSERT_NE(theirs, nullptr);
  EXPECT_EQ(win::SendMessageW(theirs, kPing, 3, 0), 32);
  auto got = Seen_();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].msg, kPing);
  EXPECT_EQ(got[0].thread, worker.Id());
  EXPECT_EQ(got[1].msg, kPong);
  EXPECT_EQ(got[1].thread, self_);
  EXPECT_TRUE(got[1].inSend);
  win::PostMessageW(theirs, WM_CLOSE, 0, 0);
}

std::mutex hookMutex;
std::vector<std::pair<WPARAM, DWORD>> hookCalls;  // (wParam, thread) for kProbe

LRESULT CALLBACK RecordRet(int code, WPARAM wParam, LPARAM lParam) {
  const auto* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (ret->message == kProbe) {
    std::lock_guard lock(hookMutex);
    hookCalls.emplace_back(wParam, win::GetCurrentThreadId());
  }
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowSendTest, TheReceivingThreadsHooksTellWhereTheMessageCameFrom) {
  hookCalls.clear();
  HHOOK hook = win::SetWindowsHookExA(WH_CALLWNDPROCRET, RecordRet, nullptr, self_);
  ASSERT_NE(hook, nullptr);
  {
    Worker worker([&] {
      win::SendMessageW(hwnd_, kProbe, 1, 0);
      win::PostThreadMessageW(self_, kDone, 0, 0);
    });
    PumpUntilDone();
  }
  win::SendMessageW(hwnd_, kProbe, 2, 0);
  win::UnhookWindowsHookEx(hook);
  std::lock_guard lock(hookMutex);
  ASSERT_EQ(hookCalls.size(), 2u);
  EXPECT_EQ(hookCalls[0].first, 0u) << "sent by another thread";
  EXPECT_NE(hookCalls[1].first, 0u) << "sent by this thread";
  EXPECT_EQ(hookCalls[0].second, self_);
  EXPECT_EQ(hookCalls[1].second, self_);
}

TEST_F(WindowSendTest, ASendToAThreadThatEndsAnswersZero) {
  std::promise<HWND> made;
  std::promise<void> go;
  HWND theirs = nullptr;
  {
    Worker worker([&] {
      made.set_value(MakeWindow());
      go.get_future().wait();  // ends without ever reading its queue
    });
    theirs = made.get_future().get();
    ASSERT_NE(theirs, nullptr);
    go.set_value();
    EXPECT_EQ(win::SendMessageW(theirs, kProbe, 1, 0), 0);
  }
  EXPECT_TRUE(Seen_().empty());
  EXPECT_FALSE(win::IsWindow(theirs));
}

TEST_F(WindowSendTest, ASendToAWindowDestroyedBeforeItIsHandledAnswersZero) {
  std::promise<HWND> made;
  std::promise<void> go;
  std::atomic<LRESULT> answer{-1};
  Worker owner([&] {
    HWND w = MakeWindow();
    made.set_value(w);
    go.get_future().wait();
    win::DestroyWindow(w);
    RunMessageLoop();
  });
  HWND theirs = made.get_future().get();
  ASSERT_NE(theirs, nullptr);
  {
    Worker sender([&] {
      answer = win::SendMessageW(theirs, kProbe, 1, 0);
    });
    go.set_value();
  }
  EXPECT_EQ(answer.load(), 0);
  EXPECT_TRUE(Seen_().empty()) << "the window procedure never saw it";
}

}  // namespace

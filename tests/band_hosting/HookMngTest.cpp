// The per-thread hook manager: one hook per thread however many users it has,
// calls passed on along the thread's chain, every hook gone at the end.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "band_hosting/HookMngUnit.h"
#include "platform/win/Window.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using vorn::THookManager;

// What the hook procedures below saw, per thread.
thread_local std::vector<UINT> t_managedSaw;
thread_local std::vector<UINT> t_olderSaw;
THookManager* g_manager = nullptr;

constexpr UINT kProbe = WM_USER + 77;

LRESULT CALLBACK ManagedProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) t_managedSaw.push_back(reinterpret_cast<const CWPRETSTRUCT*>(lParam)->message);
  return g_manager->CallNextHook(code, wParam, lParam);
}

LRESULT CALLBACK OlderProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) t_olderSaw.push_back(reinterpret_cast<const CWPRETSTRUCT*>(lParam)->message);
  return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

int Count(const std::vector<UINT>& seen, UINT msg) {
  int n = 0;
  for (UINT m : seen) n += m == msg;
  return n;
}

class HookManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t_managedSaw.clear();
    t_olderSaw.clear();
    manager_ = std::make_unique<THookManager>(WH_CALLWNDPROCRET, &ManagedProc);
    g_manager = manager_.get();
  }
  void TearDown() override {
    manager_.reset();
    g_manager = nullptr;
  }

  // Sends a probe to a window of the calling thread and says whether our hook saw it.
  static bool HookSeesProbe(HWND window) {
    const int before = Count(t_managedSaw, kProbe);
    win::SendMessageW(window, kProbe, 0, 0);
    return Count(t_managedSaw, kProbe) == before + 1;
  }

  std::unique_ptr<THookManager> manager_;
  window_test::TestClass windows_;
  HWND window_ = windows_.Top();
};

TEST_F(HookManagerTest, OneHookPerThreadCountedByItsUsers) {
  EXPECT_FALSE(HookSeesProbe(window_));
  manager_->AddHook();
  const HHOOK first = manager_->Hook();
  ASSERT_NE(first, nullptr);
  manager_->AddHook();
  EXPECT_EQ(manager_->Hook(), first) << "a second user shares the installed hook";
  EXPECT_EQ(manager_->RefCount(), 2);
  EXPECT_EQ(manager_->ThreadCount(), 1);
  EXPECT_TRUE(HookSeesProbe(window_));
  EXPECT_EQ(Count(t_managedSaw, kProbe), 1) << "one hook, so one call per message";

  manager_->RemoveHook();
  EXPECT_TRUE(HookSeesProbe(window_)) << "the first removal keeps the hook";
  manager_->RemoveHook();
  EXPECT_EQ(manager_->ThreadCount(), 0);
  EXPECT_EQ(manager_->Hook(), nullptr);
  EXPECT_FALSE(HookSeesProbe(window_)) << "the last removal takes the hook away";

  manager_->RemoveHook();  // a thread without a record is left alone
  EXPECT_EQ(manager_->RefCount(), 0);
  EXPECT_EQ(manager_->CallNextHook(HC_ACTION, 0, 0), 0) << "no record: nothing to pass on to";
}

TEST_F(HookManagerTest, EachThreadGetsItsOwnHook) {
  manager_->AddHook();
  HHOOK other = nullptr;
  bool otherSawOwnProbe = false;
  std::thread([&] {
    window_test::TestClass windows;
    g_manager->AddHook();
    other = g_manager->Hook();
    otherSawOwnProbe = HookSeesProbe(windows.Top());
    g_manager->RemoveHook();
  }).join();
  EXPECT_NE(other, nullptr);
  EXPECT_NE(other, manager_->Hook());
  EXPECT_TRUE(otherSawOwnProbe);
  EXPECT_EQ(Count(t_managedSaw, kProbe), 0) << "the other thread's message never reached this thread's hook";
  EXPECT_EQ(manager_->ThreadCount(), 1) << "the other thread's record went with its last user";
  EXPECT_TRUE(HookSeesProbe(window_));
  manager_->RemoveHook();
}

TEST_F(HookManagerTest, PassesCallsOnToTheOlderHooksOfTheChain) {
  const HHOOK older = win::SetWindowsHookExA(WH_CALLWNDPROCRET, &OlderProc, nullptr, win::GetCurrentThreadId());
  ASSERT_NE(older, nullptr);
  manager_->AddHook();
  win::SendMessageW(window_, kProbe, 0, 0);
  EXPECT_EQ(Count(t_managedSaw, kProbe), 1);
  EXPECT_EQ(Count(t_olderSaw, kProbe), 1) << "the older hook still runs after ours";
  manager_->RemoveHook();
  win::UnhookWindowsHookEx(older);
}

TEST_F(HookManagerTest, ARefusedHookStillCountsItsUsers) {
  // A hook type the system refuses: the record keeps a null handle.
  THookManager refused(-42, &ManagedProc);
  refused.AddHook();
  refused.AddHook();
  EXPECT_EQ(refused.Hook(), nullptr);
  EXPECT_EQ(refused.RefCount(), 2);
  refused.RemoveHook();
  refused.RemoveHook();
  EXPECT_EQ(refused.ThreadCount(), 0);
}

TEST_F(HookManagerTest, DestructionRemovesEveryRemainingHook) {
  manager_->AddHook();
  manager_->AddHook();
  ASSERT_TRUE(HookSeesProbe(window_));
  manager_.reset();
  g_manager = nullptr;
  const size_t seen = t_managedSaw.size();
  win::SendMessageW(window_, kProbe, 0, 0);
  EXPECT_EQ(t_managedSaw.size(), seen) << "no hook of a destroyed manager is left in the chain";
}

}  // namespace

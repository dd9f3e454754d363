// Several browser threads making, activating and closing band forms at once:
// the registry and the hook manager must stay consistent and free of
// lock-order inversions (run under ThreadSanitizer by the linux-tsan preset).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "band_hosting/HookMngUnit.h"
#include "band_hosting/IEBandRegistry.h"
#include "band_hosting/RecordingBand.h"
#include "support/ComTest.h"

namespace {

using band_testing::BrowserWindow;
using band_testing::RecordingForm;

class IEBandStressTest : public testing_support::ComTest {};

TEST_F(IEBandStressTest, ThreadsMakeActivateAndCloseBandFormsConcurrently) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 40;
  std::atomic<int> wrongNews{0};
  std::atomic<int> missingForms{0};
  std::atomic<int> finished{0};

  auto browserThread = [&](int me) {
    for (int round = 0; round < kRounds; ++round) {
      BrowserWindow browser;
      RecordingForm* main = browser.AddBand();
      RecordingForm* links = browser.AddBand();
      if (!main || !links) {
        ++missingForms;
        continue;
      }
      const bool active = (round + me) % 2 == 0;
      win::SendMessageW(browser.Frame(), WM_NCACTIVATE, active ? TRUE : FALSE, 0);
      // Exactly this thread's two forms, each told once, whatever the others do.
      if (vorn::ProcessIEBands->FormsOfThisThread().size() != 2) ++wrongNews;
      if (main->activations != std::vector<bool>{active} || links->activations != std::vector<bool>{active})
        ++wrongNews;
      if (vorn::HookManager->RefCount() != 2) ++wrongNews;
      if (round % 3 == 0) browser.CloseBand(0);  // the rest closes with the window
    }
    ++finished;
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(browserThread, i);
  // Meanwhile this thread keeps asking the registry about its own (absent) forms.
  while (finished.load() < kThreads) vorn::ProcessIEBands->NotifyActivation(true);
  for (auto& t : threads) t.join();

  EXPECT_EQ(missingForms.load(), 0);
  EXPECT_EQ(wrongNews.load(), 0);
  EXPECT_EQ(vorn::ProcessIEBands->ThreadCount(), 0);
  EXPECT_EQ(vorn::HookManager->ThreadCount(), 0);
}

}  // namespace

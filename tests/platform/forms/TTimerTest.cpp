// Timers: when the window timer runs, and that it goes with its owner.
// (Ticks driven by the virtual clock are in portable/TTimerTickTest.cpp.)
#include <gtest/gtest.h>

#include "platform/forms/TDataModule.h"
#include "platform/forms/TTimer.h"

namespace {

using namespace forms;

TEST(TTimerTest, ATimerRunsOnlyWhenEnabledWithAnIntervalAndAHandler) {
  struct Case {
    bool enabled;
    UINT interval;
    bool handler;
    bool running;
  };
  for (const Case& c : {Case{true, 1000, true, true}, Case{false, 1000, true, false}, Case{true, 0, true, false},
                        Case{true, 100, false, false}}) {
    TTimer timer(nullptr);
    timer.SetEnabled(c.enabled);
    timer.SetInterval(c.interval);
    if (c.handler) timer.SetOnTimer([](TComponent*) {});
    EXPECT_EQ(timer.Running(), c.running) << c.enabled << " " << c.interval << " " << c.handler;
  }

  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetOnTimer([](TComponent*) {});
  ASSERT_TRUE(timer.Running());
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(50);
  EXPECT_TRUE(timer.Running());
  timer.SetOnTimer(nullptr);
  EXPECT_FALSE(timer.Running());
}

TEST(TTimerTest, ATickRunsTheHandlerOnlyWhileTheTimerRuns) {
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetOnTimer([&](TComponent* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  timer.Timer();
  timer.SetEnabled(false);
  timer.Timer();  // a tick already on its way when the timer stopped
  EXPECT_EQ(ticks, 1);
}

TEST(TTimerTest, TimersOfAModuleGoWithIt) {
  auto* module = new TDataModule(nullptr);
  for (int i = 0; i < 3; ++i) {
    auto* timer = new TTimer(module);
    timer->SetInterval(100);
    timer->SetOnTimer([](TComponent*) {});
    EXPECT_TRUE(timer->Running());
  }
  Free(module);
  // A new timer after all others were freed works as the first one did.
  TTimer again(nullptr);
  again.SetOnTimer([](TComponent*) {});
  EXPECT_TRUE(again.Running());
}

}  // namespace

// Timer ticks on the virtual clock of the portable window system, and mouse
// input routed to the controls of a form.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/forms/TDataModule.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TTimer.h"
#include "platform/portable/window/TestDriver.h"

namespace {

using namespace forms;
namespace driver = win::portable::driver;

class TTimerTickTest : public testing::Test {
 protected:
  void SetUp() override {
    driver::Reset();
    driver::PumpMessages();
  }
  void TearDown() override { driver::Reset(); }
};

TEST_F(TTimerTickTest, ATimerTicksEveryIntervalAndRestartsWhenChanged) {
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(100);
  timer.SetOnTimer([&](TComponent*) { ++ticks; });

  driver::AdvanceClock(99);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 0);
  driver::AdvanceClock(1);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 1);
  driver::AdvanceClock(100);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 2);

  // Setting the interval starts the wait over.
  driver::AdvanceClock(60);
  timer.SetInterval(50);
  driver::AdvanceClock(49);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 2);
  driver::AdvanceClock(1);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 3);

  timer.SetEnabled(false);
  driver::AdvanceClock(1000);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 3);
}

TEST_F(TTimerTickTest, AFreedTimerNeverTicksAndAThrowingHandlerFailsSilently) {
  int ticks = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* freed = new TTimer(owner.get());
  freed->SetInterval(10);
  freed->SetOnTimer([&](TComponent*) { ++ticks; });
  TTimer throwing(nullptr);
  throwing.SetInterval(10);
  int throws = 0;
  throwing.SetOnTimer([&](TComponent*) {
    ++throws;
    throw std::runtime_error("tick failed");
  });
  // A handler may free its own timer.
  auto* selfFreeing = new TTimer(owner.get());
  selfFreeing->SetInterval(10);
  selfFreeing->SetOnTimer([&](TComponent* sender) { delete sender; });

  owner->RemoveComponent(freed);
  delete freed;
  driver::AdvanceClock(10);
  driver::PumpMessages();
  driver::AdvanceClock(10);
  driver::PumpMessages();
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(throws, 2);
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST_F(TTimerTickTest, MouseInputReachesTheControlUnderThePointer) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 200, 40);
  auto* first = new TLabel(&form);
  first->SetCaption(L"First");
  first->SetBounds(0, 0, 50, 20);
  first->SetParent(&form);
  auto* disabled = new TLabel(&form);
  disabled->SetCaption(L"Off");
  disabled->SetBounds(60, 0, 50, 20);
  disabled->SetEnabled(false);
  disabled->SetParent(&form);
  std::vector<std::wstring> journal;
  first->OnClick = [&](TComponent*) { journal.push_back(L"first click"); };
  first->OnMouseMove = [&](TComponent*, TShiftState, int x, int y) {
    journal.push_back(L"first move " + std::to_wstring(x) + L"," + std::to_wstring(y));
  };
  disabled->OnClick = [&](TComponent*) { journal.push_back(L"disabled click"); };
  form.OnClick = [&](TComponent*) { journal.push_back(L"form click"); };
  form.Show();

  driver::Hover(110, 105);
  driver::Click(110, 105);
  driver::Click(170, 105);  // a disabled control: its parent gets the click
  driver::Click(250, 130);  // the form itself
  driver::PumpMessages();
  const std::vector<std::wstring> expected = {L"first move 10,5", L"first click", L"form click", L"form click"};
  EXPECT_EQ(journal, expected);
}

}  // namespace

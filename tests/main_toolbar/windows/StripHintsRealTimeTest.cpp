// The button hint and the info card with Windows' own timers and cursor
// (under Wine): the pointer put over a control and the move reported to its
// window, then the thread's messages handled while real time passes.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "bho_gui/VornBHOGUIUnit.h"
#include "support/ToolbarBandFixture.h"
#include "platform/forms/TApplication.h"

namespace {

using toolbar_testing::ArchiveServer;
using toolbar_testing::kNews;
using vorn::TMainIEToolBandForm;

class StripHintsRealTimeTest : public toolbar_testing::ToolbarBandFixture {
 protected:
  void SetUp() override {
    ToolbarBandFixture::SetUp();
    forms::Application().SetHintPause(100);
    forms::Application().SetHintHidePause(800);
  }
  void TearDown() override {
    forms::Application().SetHintPause(500);
    forms::Application().SetHintHidePause(2500);
    ToolbarBandFixture::TearDown();
  }

  // Puts the cursor 4 pixels inside the control and tells the window under it, as a real move would.
  static void PointAt(const forms::TControl& control) {
    const POINT screen = control.ClientToScreen(POINT{4, 4});
    ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
    const HWND window = WindowFromPoint(screen);
    ASSERT_NE(window, nullptr);
    POINT client = screen;
    ScreenToClient(window, &client);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  }
  static bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    return done();
  }
  static bool HintVisible(TMainIEToolBandForm& form) {
    return form.BtnHint()->HandleAllocated() && IsWindowVisible(form.BtnHint()->Handle());
  }
};

TEST_F(StripHintsRealTimeTest, AButtonsHintComesAfterThePauseAndGoesAfterTheHidePause) {
  RunServer();
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  PointAt(*form.DomainLinksBtn);
  ASSERT_EQ(form.HintControl(), form.DomainLinksBtn) << "the system's toolbar told the button of the move";
  ASSERT_TRUE(PumpUntil([&] { return HintVisible(form); })) << "no hint after the pause";
  EXPECT_EQ(form.BtnHint()->HintLabel->Caption(), L"View links from current domain");
  EXPECT_TRUE(GetWindowLongW(form.BtnHint()->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(GetForegroundWindow(), form.BtnHint()->Handle()) << "never activated";
  EXPECT_TRUE(PumpUntil([&] { return !HintVisible(form); })) << "the hint stayed after the hide pause";
}

TEST_F(StripHintsRealTimeTest, TheInfoCardComesWhileThePointerRestsOnItsLabel) {
  ArchiveServer& server = RunServer();
  server.SetHintSettings({.alpha = 180, .showDelay = 100, .showTime = 5000});
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  PointAt(*form.CardLabel);
  ASSERT_NE(form.CardHint(), nullptr);
  vorn::TGUIDataModule& card = *static_cast<vorn::TVornBHOGUI*>(form.CardHint())->Module();
  ASSERT_TRUE(PumpUntil([&] { return card.Shown(); })) << "no card after the application's delay";
  BYTE alpha = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(card.HintForm()->Handle(), nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 180);
  // The pointer leaves the label: the card goes with the next look of its timer.
  ASSERT_TRUE(SetCursorPos(600, 700));
  EXPECT_TRUE(PumpUntil([&] { return form.CardHint() == nullptr; }));
}

}  // namespace

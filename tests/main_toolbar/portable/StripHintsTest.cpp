// The button hint and the info card as a person meets them: the pointer
// moved over the toolbar by the portable test driver and time passed on its
// virtual clock, so the hint pause, the hide pause and the spy timer run as
// they would.
#include <gtest/gtest.h>

#include "bho_gui/VornBHOGUIUnit.h"
#include "support/ToolbarBandFixture.h"
#include "platform/portable/window/TestDriver.h"

namespace {

namespace driver = win::portable::driver;
using toolbar_testing::kNews;
using vorn::TMainIEToolBandForm;

class StripHintsTest : public toolbar_testing::ToolbarBandFixture {
 protected:
  void SetUp() override {
    driver::Reset();
    ToolbarBandFixture::SetUp();
  }
  void TearDown() override {
    ToolbarBandFixture::TearDown();
    driver::Reset();
  }

  // The screen point `inset` pixels inside the control's top-left corner.
  static POINT On(const forms::TControl& control, int inset = 4) {
    return control.ClientToScreen(POINT{inset, inset});
  }
  static void HoverOver(const forms::TControl& control) {
    const POINT p = On(control);
    driver::Hover(p.x, p.y);
    driver::PumpMessages();
  }
  static void Wait(DWORD milliseconds) {
    driver::AdvanceClock(milliseconds);
    driver::PumpMessages();
  }
  static bool HintVisible(TMainIEToolBandForm& form) {
    return form.BtnHint()->HandleAllocated() && win::IsWindowVisible(form.BtnHint()->Handle());
  }
  TMainIEToolBandForm& ActiveOnAnArchivedPage() {
    RunServer();
    TMainIEToolBandForm& form = OpenBand();
    Navigate(kNews);
    Pump();
    return form;
  }
};

TEST_F(StripHintsTest, AButtonsHintShowsAfterThePauseBelowThePointerAndGoesAfterTheHidePause) {
  TMainIEToolBandForm& form = ActiveOnAnArchivedPage();
  HoverOver(*form.HighlightAllowBtn);
  EXPECT_EQ(form.HintControl(), form.HighlightAllowBtn);
  Wait(499);
  EXPECT_FALSE(HintVisible(form));
  Wait(1);
  ASSERT_TRUE(HintVisible(form));
  EXPECT_EQ(form.BtnHint()->HintLabel->Caption(), L"Disable highlighting") << "the action's hint";
  const forms::TLabel& label = *form.BtnHint()->HintLabel;
  EXPECT_EQ(form.BtnHint()->ClientWidth(), 2 * label.Left() + label.Width());
  const POINT pointer = On(*form.HighlightAllowBtn);
  EXPECT_EQ(form.BtnHint()->Top(), pointer.y + 20);
  EXPECT_EQ(form.BtnHint()->Left(), pointer.x - form.BtnHint()->Width() / 2);
  Wait(2500);
  EXPECT_FALSE(HintVisible(form));
  // Shown once per entry: resting on the same button shows nothing more.
  HoverOver(*form.HighlightAllowBtn);
  Wait(600);
  EXPECT_FALSE(HintVisible(form));
}

TEST_F(StripHintsTest, MovingToTheNextButtonHidesTheHintAtOnceAndShowsTheNextAfterThePause) {
  TMainIEToolBandForm& form = ActiveOnAnArchivedPage();
  HoverOver(*form.HighlightAllowBtn);
  Wait(500);
  ASSERT_TRUE(HintVisible(form));
  HoverOver(*form.LinkHintBtn);
  EXPECT_FALSE(HintVisible(form)) << "hidden as the pointer enters the next button";
  Wait(499);
  EXPECT_FALSE(HintVisible(form));
  Wait(1);
  ASSERT_TRUE(HintVisible(form));
  EXPECT_EQ(form.BtnHint()->HintLabel->Caption(), L"Don't show link's hint");

  // Leaving the row: the spy timer forgets the button, so a new entry shows the hint again.
  driver::Hover(640, 900);
  Wait(100);
  EXPECT_FALSE(HintVisible(form));
  EXPECT_EQ(form.HintControl(), nullptr);
  HoverOver(*form.LinkHintBtn);
  Wait(500);
  EXPECT_TRUE(HintVisible(form));
}

TEST_F(StripHintsTest, AButtonWithoutAHintShowsTheEmptyHintWindow) {
  TMainIEToolBandForm& form = OpenBand();
  form.PrivacyAction->SetHint(L"");
  HoverOver(*form.ToolButton1);
  Wait(500);
  ASSERT_TRUE(HintVisible(form));
  EXPECT_EQ(form.BtnHint()->HintLabel->Caption(), L"");
}

// The labels have hints too: the comments, or "No user comments".
TEST_F(StripHintsTest, TheCommentsLabelsHintIsTheDocumentsComments) {
  TMainIEToolBandForm& form = ActiveOnAnArchivedPage();
  HoverOver(*form.CommentsLabel);
  Wait(500);
  ASSERT_TRUE(HintVisible(form));
  EXPECT_EQ(form.BtnHint()->HintLabel->Caption(), L"Read later");
}

// On a desktop only 60 pixels high the toolbar sits near its bottom: the
// hint opens above the pointer, where there is more room.
TEST_F(StripHintsTest, NearTheBottomTheHintOpensAboveWhenThereIsMoreRoom) {
  ASSERT_TRUE(driver::SetMonitors({RECT{0, 0, 1280, 60}}));
  TMainIEToolBandForm& form = ActiveOnAnArchivedPage();
  HoverOver(*form.HighlightAllowBtn);
  Wait(500);
  ASSERT_TRUE(HintVisible(form));
  const POINT pointer = On(*form.HighlightAllowBtn);
  EXPECT_EQ(form.BtnHint()->Top() + form.BtnHint()->Height(), pointer.y - 2);
}

// The info card: a card object made for the showing, its picture after the
// application's delay, and everything gone when the pointer leaves the label.
TEST_F(StripHintsTest, TheInfoCardShowsThePagesPictureWhileThePointerRestsOnTheLabel) {
  TMainIEToolBandForm& form = ActiveOnAnArchivedPage();
  server_->SetHintSettings({.alpha = 200, .showDelay = 300, .showTime = 5000});
  HoverOver(*form.CardLabel);
  ASSERT_NE(form.CardHint(), nullptr);
  vorn::TGUIDataModule& card = *static_cast<vorn::TVornBHOGUI*>(form.CardHint())->Module();
  Wait(300);
  ASSERT_TRUE(card.Shown());
  const POINT pointer = On(*form.CardLabel);
  EXPECT_EQ(card.HintForm()->Top(), pointer.y + 20);
  EXPECT_EQ(card.HintForm()->AlphaBlendValue(), 200);
  EXPECT_TRUE(win::IsWindowVisible(card.HintForm()->Handle()));
  // Moving on the label moves nothing; leaving it ends the card.
  const POINT further{pointer.x + 10, pointer.y + 2};
  driver::Hover(further.x, further.y);
  Wait(100);
  EXPECT_EQ(card.HintForm()->Top(), pointer.y + 20);
  driver::Hover(640, 900);
  Wait(100);
  EXPECT_EQ(form.CardHint(), nullptr) << "the card object is released";
}

}  // namespace

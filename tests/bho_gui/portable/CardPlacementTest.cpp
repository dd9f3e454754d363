// The link-hint card on a desktop of two monitors, the second left of the
// primary one (the virtual desktop runs from -1280 to 1280), and on the
// portable driver's clock: the picture comes after the application's delay
// and stays on the desktop at its right edge.
#include <gtest/gtest.h>

#include "bho_gui/VornBHOGUIUnit.h"
#include "platform/com/Bstr.h"
#include "platform/portable/window/TestDriver.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

namespace driver = win::portable::driver;

class CardPlacementTest : public testing_support::ComTest {
 protected:
  void SetUp() override { driver::Reset(); }
  void TearDown() override {
    ComTest::TearDown();
    driver::Reset();
  }
};

TEST_F(CardPlacementTest, WithAMonitorLeftOfThePrimaryTheCardStaysOnTheDesktop) {
  ASSERT_TRUE(driver::SetMonitors({RECT{0, 0, 1280, 1024}, RECT{-1280, 0, 0, 1024}}));
  auto server = standins::ArchiveServer::CreateWithSampleArchive();
  server->SetHintSettings({.alpha = -1, .showDelay = 400, .showTime = 3000});
  com::ComPtr<IVornBHOGUI> card;
  ASSERT_EQ(vorn::CreateVornBHOGUI(IID_IVornBHOGUI, card.PutVoid()), S_OK);
  vorn::TGUIDataModule& module = *static_cast<vorn::TVornBHOGUI*>(card.Get())->Module();
  ASSERT_EQ(card->MouseOverLink(0, 1275, 500, com::Bstr(L"http://www.example.com/news.html").Get(),
                                server->Identity()),
            S_OK);
  driver::AdvanceClock(399);
  driver::PumpMessages();
  EXPECT_FALSE(module.Shown());
  driver::AdvanceClock(1);
  driver::PumpMessages();
  ASSERT_TRUE(module.Shown());
  const vorn::THintForm& window = *module.HintForm();
  EXPECT_EQ(window.Left() + window.Width(), 1280) << "at the desktop's right edge, not past it";
  EXPECT_FALSE(window.AlphaBlend()) << "opaque for an alpha below 0";
  driver::AdvanceClock(3000);
  driver::PumpMessages();
  EXPECT_FALSE(module.Shown()) << "gone after the show time";
}

}  // namespace

// The link-hint card: a VornBHOGUI object told where the pointer rests, the
// archive application's picture of the linked page shown next to it after
// the application's delay, in the application's translucency, and gone after
// its show time or when told. The timer's ticks are run directly, so the same
// tests hold on both builds; tests/bho_gui/portable drives them by the clock.
#include <gtest/gtest.h>

#include "bho_gui/HintFormUnit.h"
#include "bho_gui/VornBHOGUIUnit.h"
#include "platform/com/Bstr.h"
#include "platform/win/Window.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

using standins::ArchiveServer;
using vorn::HintWindowPosition;

const std::wstring kNews = L"http://www.example.com/news.html";  // 64 x 48 picture in the sample archive

class LinkHintCardTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    server_ = ArchiveServer::CreateWithSampleArchive();
    server_->SetHintSettings({.alpha = 100, .showDelay = 700, .showTime = 4000});
    ASSERT_EQ(vorn::CreateVornBHOGUI(IID_IVornBHOGUI, card_.PutVoid()), S_OK);
    module_ = static_cast<vorn::TVornBHOGUI*>(card_.Get())->Module();
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    card_.Reset();
    server_.Reset();
    ComTest::TearDown();
    if (comInitialized_) CoUninitialize();
  }

  HRESULT Over(LONG x, LONG y, IUnknown* server, const std::wstring& url = kNews) {
    return card_->MouseOverLink(0, x, y, com::Bstr(url).Get(), server);
  }
  IUnknown* Server() { return server_->Identity(); }
  vorn::THintForm& Window() { return *module_->HintForm(); }
  static RECT Desktop() { return vorn::VirtualDesktop(); }

  com::ComPtr<ArchiveServer> server_;
  com::ComPtr<IVornBHOGUI> card_;
  vorn::TGUIDataModule* module_ = nullptr;
  bool comInitialized_ = false;
};

TEST_F(LinkHintCardTest, ThePictureShowsAfterTheDelayBesideThePointerAndGoesAfterTheShowTime) {
  EXPECT_EQ(Over(400, 300, Server()), S_OK);
  EXPECT_TRUE(module_->Timer->Enabled());
  EXPECT_EQ(module_->Timer->Interval(), 700u) << "the application's delay";
  EXPECT_FALSE(module_->Shown());
  module_->TimerTimer(nullptr);
  ASSERT_TRUE(module_->Shown());
  vorn::THintForm& window = Window();
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(win::IsWindowVisible(window.Handle()));
  // The picture and its one-pixel frame.
  EXPECT_EQ(window.Width(), 66);
  EXPECT_EQ(window.Height(), 50);
  EXPECT_EQ(window.Left(), 400 - 33);
  EXPECT_EQ(window.Top(), 300 + 20);
  EXPECT_TRUE(window.AlphaBlend());
  EXPECT_EQ(window.AlphaBlendValue(), 100);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(win::GetLayeredWindowAttributes(window.Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 100);
  EXPECT_EQ(module_->Timer->Interval(), 4000u) << "the application's show time";
  EXPECT_FALSE(module_->HoldsServer()) << "one picture attempt per pointer rest";

  // The picture stays where it is while the pointer moves.
  EXPECT_EQ(card_->MouseMove(600, 500), S_OK);
  EXPECT_EQ(window.Left(), 367);
  module_->TimerTimer(nullptr);
  EXPECT_FALSE(module_->Shown());
  EXPECT_FALSE(win::IsWindowVisible(window.Handle()));
  EXPECT_FALSE(module_->Timer->Enabled());
  // A second tick without a new rest does nothing.
  module_->TimerTimer(nullptr);
  EXPECT_FALSE(module_->Shown());
  EXPECT_EQ(server_->CallCount(L"GetDocumentPicture"), 1u);
}

TEST_F(LinkHintCardTest, TheApplicationsTranslucencyDecidesHowThePictureShows) {
  for (const auto& [alpha, shown, blended] : {std::tuple{-1, true, false}, std::tuple{0, true, true},
                                              std::tuple{255, true, true}, std::tuple{300, false, false}}) {
    SCOPED_TRACE(alpha);
    server_->SetHintSettings({.alpha = alpha, .showDelay = 10, .showTime = 100});
    ASSERT_EQ(Over(400, 300, Server()), S_OK);
    module_->TimerTimer(nullptr);
    EXPECT_EQ(module_->Shown(), shown);
    if (shown) {
      EXPECT_EQ(Window().AlphaBlend(), blended);
      if (blended) {
        EXPECT_EQ(Window().AlphaBlendValue(), alpha);
      }
    }
    EXPECT_EQ(card_->MouseOutLink(), S_OK);
    EXPECT_FALSE(Window().Visible());
  }
}

// Near the bottom the picture goes above the pointer when there is more room
// there; near the right edge it ends at the desktop's edge.
TEST_F(LinkHintCardTest, NearTheDesktopsEdgesThePictureStaysOnIt) {
  const RECT desktop = Desktop();
  ASSERT_EQ(Over(desktop.right - 5, desktop.bottom - 30, Server()), S_OK);
  module_->TimerTimer(nullptr);
  ASSERT_TRUE(module_->Shown());
  EXPECT_EQ(Window().Left() + Window().Width(), desktop.right);
  EXPECT_EQ(Window().Top() + Window().Height(), desktop.bottom - 30 - 2) << "its bottom 2 pixels above the pointer";
}

TEST_F(LinkHintCardTest, WithoutTheApplicationNothingIsScheduledAndEveryCallSucceeds) {
  EXPECT_EQ(card_->MouseOutLink(), S_OK) << "nothing to hide";
  EXPECT_EQ(Over(10, 10, nullptr), S_OK);
  EXPECT_FALSE(module_->Timer->Enabled());
  // An object that is not the archive application.
  com::ComPtr<IVornBHOGUI> stranger;
  ASSERT_EQ(vorn::CreateVornBHOGUI(IID_IVornBHOGUI, stranger.PutVoid()), S_OK);
  EXPECT_EQ(Over(10, 10, stranger.Get()), S_OK);
  EXPECT_FALSE(module_->Timer->Enabled());
  EXPECT_FALSE(module_->HoldsServer());
  // An address the archive has no picture of goes back to idle.
  ASSERT_EQ(Over(10, 10, Server(), L"http://nowhere.example/"), S_OK);
  module_->TimerTimer(nullptr);
  EXPECT_FALSE(module_->Shown());
  EXPECT_FALSE(module_->HoldsServer());

  // Advertising: refused for an object that is not the application, shows nothing for it.
  EXPECT_EQ(card_->ShowOurAdvertising(0, stranger.Get()), E_NOINTERFACE);
  EXPECT_EQ(card_->ShowOurAdvertising(0, nullptr), S_OK);
  EXPECT_EQ(card_->ShowOurAdvertising(0, Server()), S_OK);
  EXPECT_TRUE(module_->ShowAdsTimer->Enabled());
  module_->ShowAdsTimerTimer(nullptr);
  EXPECT_FALSE(module_->ShowAdsTimer->Enabled());
  EXPECT_FALSE(Window().Visible());
}

// The placement rule, on a desktop that starts at 0,0 and on one whose
// left monitor starts at -1280: the window stays inside the desktop's own
// edges, not inside its width measured from 0.
TEST(HintWindowPosition, KeepsTheWindowOnTheDesktop) {
  const RECT primary{0, 0, 1280, 1024};
  EXPECT_EQ(HintWindowPosition({640, 500}, {100, 50}, primary).x, 590);
  EXPECT_EQ(HintWindowPosition({640, 500}, {100, 50}, primary).y, 520);
  // Bottom: more room above, so above; little room above, so below.
  EXPECT_EQ(HintWindowPosition({640, 974}, {100, 100}, primary).y, 974 - 2 - 100);
  EXPECT_EQ(HintWindowPosition({640, 40}, {100, 1000}, primary).y, 60);
  EXPECT_EQ(HintWindowPosition({1275, 500}, {100, 50}, primary).x, 1180);
  EXPECT_EQ(HintWindowPosition({10, 500}, {100, 50}, primary).x, 0);

  const RECT twoMonitors{-1280, 0, 1280, 1024};
  EXPECT_EQ(HintWindowPosition({1275, 500}, {100, 50}, twoMonitors).x, 1180)
      << "width alone (2560) would leave it past the right edge";
  EXPECT_EQ(HintWindowPosition({-1275, 500}, {100, 50}, twoMonitors).x, -1280);
  const RECT aboveMonitor{0, -768, 1280, 1024};
  EXPECT_EQ(HintWindowPosition({640, 1000}, {100, 100}, aboveMonitor).y, 1000 - 2 - 100)
      << "height alone (1792) would leave it below the bottom edge";
}

}  // namespace

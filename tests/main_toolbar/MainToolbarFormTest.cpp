// The main toolbar band with its form, driven as a browser window drives it:
// the stand-in browser's navigations, the stand-in archive application (or
// none), and the switches in the registry. Actions are read after the
// form's posted update message has been handled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ToolbarBandFixture.h"
#include "platform/browser/WebBrowserEvents.h"

namespace {

using forms::TAction;
using toolbar_testing::ArchiveServer;
using toolbar_testing::kNews;
using toolbar_testing::kSettings;
using toolbar_testing::PictureSwitch;
using toolbar_testing::PutSwitch;
using vorn::TMainIEToolBandForm;
using MainToolbarFormTest = toolbar_testing::ToolbarBandFixture;

// Everything the server backs, the master switch included, is off without
// it; the browser's picture switch, privacy clearing and the row itself work.
TEST_F(MainToolbarFormTest, WithoutAServerOnlyThePictureSwitchAndPrivacyWork) {
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  EXPECT_FALSE(form.Active());
  EXPECT_EQ(form.URL(), kNews);
  EXPECT_EQ(form.DocID(), -1);
  for (TAction* action : {form.BHOAllowAction, form.HighlightAllowAction, form.PopupKillerAllowAction,
                          form.BannerKillerAllowAction, form.LinkHintAllowAction, form.PopupKillerSettingsAction,
                          form.CaptureScreenAction, form.DomainLinksAction, form.TranslationsAction,
                          form.RatingAction, form.SettingsAction, form.AddUrlWithDlgAction})
    EXPECT_FALSE(action->Enabled()) << action->Name();
  EXPECT_TRUE(form.PrivacyAction->Enabled());
  EXPECT_FALSE(form.SpeakAction->Enabled()) << "no speech component yet";
  for (auto* label : {form.RatingLabel, form.CardLabel, form.CommentsLabel}) EXPECT_FALSE(label->Enabled());
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 0  ");
  EXPECT_EQ(form.CommentsLabel->Hint(), L"No user comments");
  form.SetRating(5);
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 5  ");
  form.SetRating(-4);
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: -4  ");
  EXPECT_EQ(form.RatingLabel->Color(), forms::clWhite) << "no colours without a server";
  form.SetStatus(3);
  EXPECT_EQ(form.CardLabel->Color(), forms::clWhite) << "an unknown status keeps the colour";

  // What the creation handler shows, in the row: the buttons follow their actions.
  EXPECT_TRUE(form.BHOAllowBtn->Visible());
  EXPECT_FALSE(form.AddUrlToCurrBtn->Visible());
  EXPECT_FALSE(form.SearchLinkBtn->Visible());
  EXPECT_EQ(form.SettingsBtn->Action(), form.PopupKillerSettingsAction);
  EXPECT_TRUE(form.SettingsBtn->Visible());
  EXPECT_EQ(form.DomainLinksBtn->Caption(), L"Domain links");
  EXPECT_EQ(form.Height(), 22);

  // A missing picture switch reads as pictures off: the button shows them hidden.
  EXPECT_TRUE(form.ShowPicturesAction->Checked());
  EXPECT_EQ(form.ShowPicturesAction->Hint(), L"Show pictures");
  EXPECT_TRUE(form.ShowPicturesAction->Execute());
  EXPECT_EQ(PictureSwitch(), L"yes");
  EXPECT_FALSE(form.ShowPicturesAction->Checked());
  EXPECT_EQ(form.ShowPicturesAction->Hint(), L"Don't show pictures");
  EXPECT_TRUE(form.ShowPicturesAction->Execute());
  EXPECT_EQ(PictureSwitch(), L"no");

  // PrivacyAction clears everything at once, without asking, through each
  // clearing action in turn.
  std::vector<std::wstring> executed;
  form.ActionList->OnExecute = [&](TAction* action, bool&) { executed.push_back(action->Name()); };
  EXPECT_TRUE(form.PrivacyAction->Execute());
  EXPECT_EQ(executed, (std::vector<std::wstring>{L"PrivacyAction", L"ClearAllAction", L"ClearCacheFilesAction",
                                                 L"ClearCookiesAction", L"ClearHistoryAction",
                                                 L"ClearTypedURLsAction", L"ClearRecentAction"}));
}

// The master switch follows the connection, not the filter: with "Enabled"
// off it can be used, the feature toggles cannot and keep what they showed.
TEST_F(MainToolbarFormTest, ConnectedWithTheFilterOffOnlyTheMasterSwitchWorks) {
  ArchiveServer& server = RunServer();
  server.SetAnnounceChanges(true);
  PutSwitch(L"Enabled", 0);
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  EXPECT_FALSE(form.Active());
  EXPECT_TRUE(form.BHOAllowAction->Enabled());
  EXPECT_FALSE(form.BHOAllowAction->Checked());
  EXPECT_EQ(form.BHOAllowAction->Hint().rfind(L"Enable ", 0), 0u) << form.BHOAllowAction->Hint();
  for (TAction* action : {form.HighlightAllowAction, form.PopupKillerAllowAction, form.BannerKillerAllowAction,
                          form.LinkHintAllowAction}) {
    EXPECT_FALSE(action->Enabled()) << action->Name();
    EXPECT_FALSE(action->Checked()) << action->Name();
  }
  EXPECT_EQ(form.HighlightAllowAction->Hint(), L"Disable highlighting") << "the design-time hint stays";
  EXPECT_EQ(form.DocID(), -1) << "an inactive form does not ask the archive";

  // Switching the filter on goes through the application, which announces it.
  server.ClearCalls();
  EXPECT_TRUE(form.BHOAllowAction->Execute());
  EXPECT_EQ(server.CallTexts().front(), L"SetEnabled(true)");
  Pump();
  EXPECT_TRUE(form.Active());
  EXPECT_EQ(form.DocID(), 2);
  EXPECT_TRUE(form.BHOAllowAction->Checked());
  EXPECT_EQ(form.BHOAllowAction->Hint().rfind(L"Disable ", 0), 0u) << form.BHOAllowAction->Hint();
  EXPECT_TRUE(form.HighlightAllowAction->Enabled());
  EXPECT_TRUE(form.HighlightAllowAction->Checked()) << "an absent switch reads as on";
}

// Active, the page's archive data fills the strip, and the document and
// archive rules follow the page; about:blank and a frame change nothing but
// what they must.
TEST_F(MainToolbarFormTest, TheStripAndTheActionsFollowTheTopLevelPage) {
  RunServer();
  TMainIEToolBandForm& form = OpenBand();
  EXPECT_TRUE(form.Active());
  // Before the first navigation there is no page.
  EXPECT_EQ(form.URL(), L"");
  EXPECT_FALSE(form.TranslationsAction->Enabled());
  EXPECT_FALSE(form.DomainLinksAction->Enabled());
  Navigate(kNews);
  Pump();
  EXPECT_EQ(form.DocID(), 2);
  EXPECT_TRUE(form.DocInArchive());
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 3  ");
  EXPECT_EQ(form.RatingLabel->Color(), static_cast<forms::TColor>(0x008000));
  EXPECT_EQ(form.CommentsLabel->Hint(), L"Read later");
  EXPECT_EQ(form.CommentsLabel->Color(), static_cast<forms::TColor>(0xC0FFFF)) << "the comment colours";
  EXPECT_EQ(form.CardLabel->Color(), static_cast<forms::TColor>(0xF0F0F0)) << "status 1: colour 1's ground";
  for (auto* label : {form.RatingLabel, form.CardLabel, form.CommentsLabel}) EXPECT_TRUE(label->Enabled());
  for (TAction* action : {form.CaptureScreenAction, form.RatingAction, form.PopupKillerSettingsAction,
                          form.TranslationsAction, form.HighlightAllowAction, form.BHOAllowAction})
    EXPECT_TRUE(action->Enabled()) << action->Name();

  // A frame's navigation posts the update and leaves the page alone.
  const std::wstring page = form.URL();
  EXPECT_TRUE(browser_->NavigateFrame(L"ads", L"http://ads.example.net/banner.html"));
  EXPECT_TRUE(UpdatePending(form));
  EXPECT_EQ(form.URL(), page);
  Pump();
  EXPECT_EQ(form.DocID(), 2);

  Navigate(L"about:blank");
  Pump();
  EXPECT_EQ(form.URL(), L"about:blank");
  EXPECT_FALSE(form.HasDocument());
  for (TAction* action : {form.CaptureScreenAction, form.PopupKillerSettingsAction, form.DomainLinksAction,
                          form.TranslationsAction, form.RatingAction})
    EXPECT_FALSE(action->Enabled()) << action->Name();
  EXPECT_TRUE(form.HighlightAllowAction->Enabled()) << "server actions stay";
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 0  ");
}

// The update runs after the event that caused it, once per change: a
// top-level navigation is three changes (before, complete, document
// complete), and each crosses into the application once.
TEST_F(MainToolbarFormTest, ANavigationMakesExactlyTheServerCallsOfItsThreeUpdates) {
  ArchiveServer& server = RunServer();
  TMainIEToolBandForm& form = OpenBand();
  server.ClearCalls();
  Navigate(kNews);
  EXPECT_EQ(server.CallCount(L"GetDomainLinkCount"), 0u)
      << "no action was updated inside the browser's events";
  EXPECT_TRUE(UpdatePending(form));
  Pump();
  EXPECT_EQ(server.CallTexts(), (std::vector<std::wstring>{
                                    L"GetDocumentData(\"" + kNews + L"\")",
                                    L"GetRatingColors(3)",
                                    L"GetDomainLinkCount(\"" + kNews + L"\")",
                                    L"GetDomainLinkCount(\"" + kNews + L"\")",
                                    L"GetDomainLinkCount(\"" + kNews + L"\")",
                                }));
  server.ClearCalls();
  EXPECT_EQ(Pump(), 0);
  EXPECT_TRUE(server.Calls().empty());
}

// Toggling reads the switch again and asks the application for the
// opposite; an absent switch reads as on, so false is sent.
TEST_F(MainToolbarFormTest, ToggleAFeatureWhoseSwitchIsAbsent) {
  ArchiveServer& server = RunServer();
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  server.ClearCalls();
  win::RegDeleteTreeW(HKEY_CURRENT_USER, kSettings.c_str());
  PutSwitch(L"Enabled", 1);
  EXPECT_TRUE(form.HighlightAllowAction->Execute());
  EXPECT_EQ(server.CallTexts(), (std::vector<std::wstring>{L"SetHighlightEnabled(false)"}));
  EXPECT_FALSE(form.HighlightAllowAction->Checked()) << "read back from the store at once";
  EXPECT_EQ(form.HighlightAllowAction->Hint(), L"Enable highlighting");
  server.ClearCalls();
  EXPECT_TRUE(form.PopupKillerAllowAction->Execute());
  EXPECT_TRUE(form.PopupKillerAllowAction->Execute());
  EXPECT_EQ(server.CallTexts(),
            (std::vector<std::wstring>{L"SetPopupKillerEnabled(false)", L"SetPopupKillerEnabled(true)"}));
  EXPECT_EQ(form.PopupKillerAllowAction->Hint(), L"Show popups");
}

// The application's news: a changed document updates the strip when it is
// the page's; the application quitting makes the form inactive with defaults.
TEST_F(MainToolbarFormTest, TheApplicationsNewsReachTheStrip) {
  ArchiveServer& server = RunServer();
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  ASSERT_EQ(form.DocID(), 2);
  EXPECT_EQ(server.FireDocumentDataChange(7, true, L"elsewhere", 2, 9), S_OK);
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 3  ") << "another document changes nothing";
  EXPECT_EQ(server.FireDocumentDataChange(2, true, L"", 257, 2), S_OK);
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 2  ");
  EXPECT_EQ(form.RatingLabel->Color(), static_cast<forms::TColor>(0x80FF80));
  EXPECT_EQ(form.CommentsLabel->Hint(), L"No user comments");
  EXPECT_EQ(form.Status(), 1) << "the low 8 bits of 257";
  EXPECT_EQ(server.FireDocumentDataChange(2, false, L"gone", 0, 1), S_OK);
  EXPECT_EQ(form.DocID(), -1);
  EXPECT_FALSE(form.RatingLabel->Enabled());
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 1  ") << "the last data stays on the disabled labels";

  EXPECT_EQ(server.FireQuit(), S_OK);
  Pump();
  EXPECT_FALSE(form.Active());
  EXPECT_FALSE(form.BHOAllowAction->Enabled());
  EXPECT_FALSE(form.HighlightAllowAction->Enabled());
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 0  ");
  EXPECT_EQ(form.RatingLabel->Color(), forms::clWhite);
}

// The browser window's quit event is not the sink's: the form keeps its sink
// until it goes, and then nothing of it stays (the fixture checks the sinks
// and the library's objects).
TEST_F(MainToolbarFormTest, TheFormsSinkAndTimersGoWithTheBand) {
  TMainIEToolBandForm& form = OpenBand();
  EXPECT_EQ(browser_->EventSinkCount(), 1u);
  ASSERT_NE(form.DM(), nullptr);
  EXPECT_FALSE(form.DM()->CommonHintTimer->Enabled());
  EXPECT_NE(form.BtnHint(), nullptr);
  EXPECT_TRUE(form.RatingsMenu()->OwnerDraw());
  ASSERT_EQ(browser_->Quit(), S_OK);
  EXPECT_EQ(browser_->EventSinkCount(), 1u) << "OnQuit is not the event the sink listens to";
  // The event the sink does listen to lets go of the browser.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(browser_->FireEvent(DISPID_QUIT, none), S_OK);
  EXPECT_EQ(browser_->EventSinkCount(), 0u);
}

}  // namespace

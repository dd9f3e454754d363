// The quick-links toolbar with the stand-in archive application's groups:
// buttons and manager items in the application's order, links that open in
// the toolbar's browser, groups that open every link in a new browser window
// (the stand-in windows of standins::BrowserWindows), rebuilding on the
// application's news, and a lost connection in the middle of a build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "band_hosting/BriselQLToolbarUnit.h"
#include "platform/forms/TMenuItem.h"
#include "quick_links/QLIEToolBandFormUnit.h"
#include "standins/browser/BrowserWindows.h"
#include "support/ToolbarBandFixture.h"

namespace {

using standins::ArchiveServer;
using vorn::TQLIEToolBandForm;

class QuickLinksFormTest : public toolbar_testing::ToolbarBandFixture {
 protected:
  TQLIEToolBandForm& OpenQuickLinks() { return OpenBandOf<vorn::TBriselQLToolbar, TQLIEToolBandForm>(); }
  // A running server whose groups are these.
  ArchiveServer& RunServerWith(std::vector<ArchiveServer::QuickGroup> groups) {
    ArchiveServer& server = RunServer();
    server.SetQuickGroups(std::move(groups));
    return server;
  }
  static std::vector<std::wstring> Captions(const forms::TToolBar& bar) {
    std::vector<std::wstring> out;
    for (int i = 0; i < bar.ButtonCount(); ++i) out.push_back(bar.Buttons(i)->Caption());
    return out;
  }
  static std::vector<std::wstring> Captions(const forms::TMenuItem& items) {
    std::vector<std::wstring> out;
    for (int i = 0; i < items.Count(); ++i) out.push_back(items.Items(i)->Caption());
    return out;
  }
  static LONG MinWidth(IDeskBand& band) {
    DESKBANDINFO info{};
    info.dwMask = DBIM_MINSIZE;
    EXPECT_EQ(band.GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
    return info.ptMinSize.x;
  }
};

const ArchiveServer::QuickGroup kNews{L"News", true, {{L"Daily", L"http://news.example.com/"},
                                                      {L"Weather", L"http://weather.example.com/"}}};
const ArchiveServer::QuickGroup kHidden{L"Hidden", false, {{L"Secret", L"http://secret.example.com/"}}};
const ArchiveServer::QuickGroup kTools{L"Tools", true, {{L"Search", L"http://search.example.com/"}}};

TEST_F(QuickLinksFormTest, VisibleGroupsBecomeButtonsAndManagerItemsInTheServersOrder) {
  RunServerWith({kNews, kHidden, kTools});
  TQLIEToolBandForm& form = OpenQuickLinks();
  EXPECT_TRUE(form.QLMngToolButton->Visible());
  EXPECT_EQ(form.QLMngToolButton->Caption(), L"Manage groups");
  EXPECT_EQ(Captions(*form.QLToolBar), (std::vector<std::wstring>{L"News", L"Tools"}));
  EXPECT_EQ(Captions(*form.QGPopupMenu->Items()), (std::vector<std::wstring>{L"News", L"Tools"}));
  ASSERT_EQ(form.Groups().size(), 2u);
  for (int i = 0; i < 2; ++i) {
    const forms::TToolButton& button = *form.QLToolBar->Buttons(i);
    const auto& entry = form.Groups().at(static_cast<std::size_t>(button.Tag()));
    EXPECT_EQ(entry.Name, button.Caption());
    EXPECT_EQ(button.DropdownMenu(), entry.Menu);
    EXPECT_EQ(button.Style(), forms::tbsDropDown);
    EXPECT_EQ(button.ImageIndex(), 1);
    EXPECT_EQ(form.QGPopupMenu->Items()->Items(i)->Tag(), button.Tag());
  }
  const forms::TMenuItem& news = *form.QLToolBar->Buttons(0)->DropdownMenu()->Items();
  EXPECT_EQ(Captions(news), (std::vector<std::wstring>{L"Daily", L"Weather"}));
  EXPECT_EQ(news.Items(1)->Hint(), L"http://weather.example.com/");
  EXPECT_EQ(news.Items(1)->ImageIndex(), 2);

  // A link opens in the toolbar's own browser window.
  news.Items(0)->Click();
  ASSERT_FALSE(browser_->Navigations().empty());
  EXPECT_EQ(browser_->Navigations().back().url, L"http://news.example.com/");

  // A group opens each link in a new window, visible; from the button and from the manager's item alike.
  standins::BrowserWindows windows;
  form.QLToolBar->Buttons(0)->Click();
  ASSERT_EQ(windows.Created().size(), 2u);
  EXPECT_EQ(windows.Created()[0]->Navigations().at(0).url, L"http://news.example.com/");
  EXPECT_EQ(windows.Created()[1]->Navigations().at(0).url, L"http://weather.example.com/");
  EXPECT_TRUE(windows.Created()[1]->Visible());
  form.QGPopupMenu->Items()->Items(1)->Click();
  ASSERT_EQ(windows.Created().size(), 3u);
  EXPECT_EQ(windows.Created()[2]->Navigations().at(0).url, L"http://search.example.com/");
}

TEST_F(QuickLinksFormTest, EmptyGroupsAndLinksWithoutSuccessOpenNothing) {
  ArchiveServer::QuickGroup empty{L"Empty", true, {}};
  ArchiveServer::QuickGroup partly{L"Partly", true,
                                   {{L"Gone", L"http://gone.example.com/", false}, {L"Kept", L"http://kept.example.com/"}}};
  RunServerWith({empty, partly});
  TQLIEToolBandForm& form = OpenQuickLinks();
  ASSERT_EQ(Captions(*form.QLToolBar), (std::vector<std::wstring>{L"Empty", L"Partly"}));
  EXPECT_EQ(form.QLToolBar->Buttons(0)->DropdownMenu()->Items()->Count(), 0);
  EXPECT_EQ(Captions(*form.QLToolBar->Buttons(1)->DropdownMenu()->Items()), (std::vector<std::wstring>{L"Kept"}));
  standins::BrowserWindows windows;
  form.QLToolBar->Buttons(0)->Click();
  EXPECT_TRUE(windows.Created().empty());
  form.QLToolBar->Buttons(1)->Click();
  ASSERT_EQ(windows.Created().size(), 1u);
  EXPECT_EQ(windows.Created()[0]->Navigations().at(0).url, L"http://kept.example.com/");

  // The first window that cannot be made ends the group; those opened stay.
  ArchiveServer& server = *server_.Get();
  server.SetQuickGroups({{L"Three", true, {{L"1", L"http://1.example/"}, {L"2", L"http://2.example/"},
                                           {L"3", L"http://3.example/"}}}});
  EXPECT_EQ(server.FireQuickGroupChange(), S_OK);
  windows.FailCreations(E_OUTOFMEMORY, 1);
  form.QLToolBar->Buttons(0)->Click();
  EXPECT_EQ(windows.Created().size(), 2u) << "one more window, then the failure";
}

TEST_F(QuickLinksFormTest, ChangesRebuildFromScratchAndNothingIsBuiltWithoutAServer) {
  {
    TQLIEToolBandForm& form = OpenQuickLinks();
    EXPECT_FALSE(form.QLMngToolButton->Visible());
    form.QuickGroupChange(nullptr);
    EXPECT_EQ(form.QLToolBar->ButtonCount(), 0);
    EXPECT_EQ(form.QGPopupMenu->Items()->Count(), 0);
    CloseBand();
  }
  ArchiveServer& server = RunServerWith({kNews, kHidden, kTools});
  TQLIEToolBandForm& form = OpenQuickLinks();
  server.ClearCalls();
  EXPECT_EQ(server.FireQuickGroupChange(), S_OK);
  EXPECT_EQ(server.FireQuickGroupChange(), S_OK);
  EXPECT_EQ(Captions(*form.QLToolBar), (std::vector<std::wstring>{L"News", L"Tools"}));
  EXPECT_EQ(form.QGPopupMenu->Items()->Count(), 2);
  EXPECT_EQ(form.Groups().size(), 2u);
  // One rebuild: the count, every group, every link of the visible ones.
  EXPECT_EQ(server.CallCount(L"GetQuickGroupCount"), 2u);
  EXPECT_EQ(server.CallCount(L"GetQuickGroup"), 2u * 3);
  EXPECT_EQ(server.CallCount(L"GetQuickLink"), 2u * 3);
}

// The server is lost on the second link of the last group, the first one
// built: its news clears the form in the middle of the build, which stops
// without touching what it was filling.
TEST_F(QuickLinksFormTest, ALostConnectionInTheMiddleOfABuildLeavesTheFormCleared) {
  ArchiveServer& server = RunServerWith({kNews, kTools, {L"Last", true, {{L"a", L"http://a/"}, {L"b", L"http://b/"}}}});
  TQLIEToolBandForm& form = OpenQuickLinks();
  ASSERT_EQ(form.QLToolBar->ButtonCount(), 3);
  const LONG connected = MinWidth(*band_.Get());
  EXPECT_EQ(connected, form.Image1->Width() + form.QLMngToolBar->Width());
  EXPECT_GT(form.QLMngToolBar->Width(), 0);
  EXPECT_EQ(form.Image1->Width(), 62);

  server.ClearCalls();
  server.FailMethod(L"GetQuickLink", RPC_E_DISCONNECTED, 1);
  EXPECT_EQ(server.FireQuickGroupChange(), S_OK);
  EXPECT_EQ(form.QLToolBar->ButtonCount(), 0);
  EXPECT_EQ(form.QGPopupMenu->Items()->Count(), 0);
  EXPECT_TRUE(form.Groups().empty());
  EXPECT_FALSE(form.QLMngToolButton->Visible());
  EXPECT_EQ(form.QLMngToolBar->Width(), 0);
  EXPECT_EQ(server.CallCount(L"GetQuickLink"), 2u) << "the build stopped at the failure";
  EXPECT_EQ(server.CallCount(L"GetQuickGroup"), 1u);
  EXPECT_EQ(MinWidth(*band_.Get()), 62) << "the picture alone";
}

// Every rebuild crosses into the application once for the count, once per
// group and once per link: 1 + 50 + 2,500 calls for 50 groups of 50 links.
TEST_F(QuickLinksFormTest, ARebuildOfFiftyGroupsOfFiftyLinksMakesOneCallPerGroupAndLink) {
  std::vector<ArchiveServer::QuickGroup> groups(50);
  for (int g = 0; g < 50; ++g) {
    groups[g].name = L"Group " + std::to_wstring(g);
    for (int l = 0; l < 50; ++l)
      groups[g].links.push_back({L"Link " + std::to_wstring(l), L"http://example.com/" + std::to_wstring(g) + L"/" + std::to_wstring(l)});
  }
  ArchiveServer& server = RunServerWith(std::move(groups));
  TQLIEToolBandForm& form = OpenQuickLinks();
  server.ClearCalls();
  EXPECT_EQ(server.FireQuickGroupChange(), S_OK);
  EXPECT_EQ(server.CallCount(L"GetQuickGroupCount"), 1u);
  EXPECT_EQ(server.CallCount(L"GetQuickGroup"), 50u);
  EXPECT_EQ(server.CallCount(L"GetQuickLink"), 2500u);
  EXPECT_EQ(server.Calls().size(), 1u + 50 + 2500);
  ASSERT_EQ(form.QLToolBar->ButtonCount(), 50);
  EXPECT_EQ(form.QLToolBar->Buttons(49)->Caption(), L"Group 49");
  EXPECT_EQ(form.QLToolBar->Buttons(49)->DropdownMenu()->Items()->Count(), 50);
}

// Before the browser sites it the band has no form: 22 high, no width, no minimum.
class QuickLinksBandTest : public testing_support::ComTest {};

TEST_F(QuickLinksBandTest, BeforeItsSiteTheBandReportsTheToolbarsFixedHeightAndNoWidth) {
  com::ComPtr<IDeskBand> band;
  ASSERT_EQ(vorn::TBriselQLToolbar::Create(IID_IDeskBand, band.PutVoid()), S_OK);
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_ACTUAL;
  ASSERT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(info.ptMinSize.x, 0);
  EXPECT_EQ(info.ptMinSize.y, 22);
  EXPECT_EQ(info.ptMaxSize.y, 22);
  EXPECT_EQ(info.ptActual.x, 0);
  EXPECT_EQ(info.ptActual.y, 0);
  CLSID clsid{};
  ASSERT_EQ(com::QueryAs<IPersistStream>(band.Get())->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_BriselQLToolbar));
  band.Reset();
}

}  // namespace

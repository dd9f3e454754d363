// The translations drop-down of the main toolbar: the application's
// translations in its order (entries without a caption or key left out),
// rebuilt at creation and whenever the browser window becomes active, and a
// choice that takes the browser to the page's translated address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/TMenuItem.h"
#include "support/ToolbarBandFixture.h"

namespace {

using toolbar_testing::ArchiveServer;
using toolbar_testing::kNews;
using vorn::TMainIEToolBandForm;
using TranslationsTest = toolbar_testing::ToolbarBandFixture;

std::vector<std::wstring> Captions(const forms::TMenuItem& items) {
  std::vector<std::wstring> out;
  for (int i = 0; i < items.Count(); ++i) out.push_back(items.Items(i)->Caption() + L"=" + items.Items(i)->Hint());
  return out;
}

TEST_F(TranslationsTest, TheMenuListsUsableTranslationsAndAChoiceOpensTheTranslatedPage) {
  ArchiveServer& server = RunServer();
  server.SetTranslations({{L"English to German", L"en|de", L"http://translate.example.net/?lp=en|de&u="},
                          {L"No key", L"", L"http://nowhere/"},
                          {L"", L"xx|yy", L"http://nowhere/"},
                          {L"German to English", L"de|en", L"http://translate.example.net/?lp=de|en&u="}});
  TMainIEToolBandForm& form = OpenBand();
  EXPECT_EQ(Captions(*form.TranslateMenu->Items()),
            (std::vector<std::wstring>{L"English to German=en|de", L"German to English=de|en"}));
  Navigate(kNews);
  Pump();
  form.TranslateMenu->Items()->Items(1)->Click();
  ASSERT_FALSE(browser_->Navigations().empty());
  EXPECT_EQ(browser_->Navigations().back().url, L"http://translate.example.net/?lp=de|en&u=" + kNews);

  // The list follows the server at the next activation.
  server.SetTranslations({{L"French to English", L"fr|en", L"http://t/"}});
  form.ActivationChanged(true);
  EXPECT_EQ(Captions(*form.TranslateMenu->Items()), (std::vector<std::wstring>{L"French to English=fr|en"}));
  // A key the server does not know gives no address: the page stays.
  const std::size_t before = browser_->Navigations().size();
  form.TranslateMenu->Items()->Items(0)->SetHint(L"zz|zz");
  form.TranslateMenu->Items()->Items(0)->Click();
  EXPECT_EQ(browser_->Navigations().size(), before);

  // Without a server a rebuild empties the menu.
  EXPECT_EQ(server.FireQuit(), S_OK);
  form.ActivationChanged(true);
  EXPECT_EQ(form.TranslateMenu->Items()->Count(), 0);
}

}  // namespace

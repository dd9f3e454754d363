// A toolbar band as a browser window hosts it, for the toolbars' tests: the
// stand-in browser, band site and archive application (or none), the
// switches in the registry, and the thread's queue handled on request.
#pragma once

#include <string>

#include "band_hosting/VornIEExplorerBarUnit.h"
#include "main_toolbar/MainIEToolBandFormUnit.h"
#include "platform/com/Variant.h"
#include "platform/win/RegKey.h"
#include "platform/win/Window.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"
#include "support/ComTest.h"

namespace toolbar_testing {

using standins::ArchiveServer;
using vorn::TMainIEToolBandForm;

inline const std::wstring kSettings = L"Software\\Zandrel\\Brisel\\Settings";
inline const std::wstring kBrowserMain = L"Software\\Microsoft\\Internet Explorer\\Main";
inline const std::wstring kNews = L"http://www.example.com/news.html";  // id 2 of the sample archive

inline void PutSwitch(const std::wstring& name, DWORD value) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettings), ERROR_SUCCESS);
  ASSERT_EQ(key.SetDword(name, value), ERROR_SUCCESS);
}

inline std::wstring PictureSwitch() {
  win::RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kBrowserMain, KEY_READ) != ERROR_SUCCESS) return L"<missing>";
  return key.GetString(L"Display Inline Images").value_or(L"<missing>");
}

class ToolbarBandFixture : public testing_support::ComTest {
 protected:
  void SetUp() override { comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override {
    CloseBand();
    EXPECT_EQ(browser_->EventSinkCount(), 0u) << "the form's browser sink stayed advised";
    if (server_) {
      EXPECT_EQ(server_->SinkCount(), 0u);
      server_->Revoke();
      server_.Reset();
    }
    site_.Reset();
    browser_.Reset();
    ComTest::TearDown();
    if (comInitialized_) CoUninitialize();
  }

  ArchiveServer& RunServer() {
    server_ = ArchiveServer::CreateWithSampleArchive();
    EXPECT_EQ(server_->Register(), S_OK);
    return *server_.Get();
  }

  // The band as the browser makes it: created by its class, sited in the window, shown.
  template <class TBandClass, class TFormClass>
  TFormClass& OpenBandOf() {
    EXPECT_EQ(TBandClass::Create(IID_IDeskBand, band_.PutVoid()), S_OK);
    auto site = com::QueryAs<IObjectWithSite>(band_.Get());
    EXPECT_EQ(site->SetSite(site_->Identity()), S_OK);
    EXPECT_EQ(band_->ShowDW(TRUE), S_OK);
    auto* form = dynamic_cast<TFormClass*>(Band().Form());
    EXPECT_NE(form, nullptr) << "the band hosts its own form";
    Pump();
    return *form;
  }
  TMainIEToolBandForm& OpenBand() { return OpenBandOf<vorn::TVornIEExplorerBar, TMainIEToolBandForm>(); }
  vorn::TIEBand& Band() { return *static_cast<vorn::TIEBand*>(band_.Get()); }
  void CloseBand() {
    if (!band_) return;
    band_->CloseDW(0);
    band_.Reset();
  }

  // Handles what the thread's queue holds, as the browser's message loop would.
  static int Pump() {
    int handled = 0;
    MSG msg{};
    while (win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      win::TranslateMessage(&msg);
      win::DispatchMessageW(&msg);
      ++handled;
    }
    return handled;
  }
  static bool UpdatePending(TMainIEToolBandForm& form) {
    MSG msg{};
    return win::PeekMessageW(&msg, form.Handle(), vorn::kUpdateActionsMessage, vorn::kUpdateActionsMessage,
                             PM_NOREMOVE);
  }

  void Navigate(const std::wstring& url) {
    com::Variant address(url);
    ASSERT_EQ(browser_->Navigate2(address.Ptr(), nullptr, nullptr, nullptr, nullptr), S_OK);
  }

  standins::HostWindow host_{L"browser", 1000, 300};
  com::ComPtr<standins::WebBrowser> browser_ = standins::WebBrowser::Create(host_.Frame());
  com::ComPtr<standins::BandSite> site_ = standins::BandSite::Create(host_.BandSiteWindow(), browser_);
  com::ComPtr<IDeskBand> band_;
  com::ComPtr<ArchiveServer> server_;
  bool comInitialized_ = false;
};

}  // namespace toolbar_testing

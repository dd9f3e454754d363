// The toolbar bands of the built DLL hosted as the browser hosts them: the
// band made by the DLL's own class factory, its form a real child window of
// the band site's window inside a real top-level frame, driven by the real
// window manager's visibility and focus.
#include <windows.h>

#include <gtest/gtest.h>

#include "type_library/VornIEGUI_TLB.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Text.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"
#include "windows/support/ProductModule.h"

namespace {

using com::ComPtr;

IUnknown* IdentityOf(IUnknown* object) {
  ComPtr<IUnknown> identity;
  object->QueryInterface(IID_IUnknown, identity.PutVoid());
  return identity.Get();
}

// Delivers what the band's windows posted to themselves.
void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct BandClass {
  const char* name;
  const CLSID* clsid;
};
const BandClass kBands[] = {{"VornIEExplorerBar", &CLSID_VornIEExplorerBar},
                            {"BriselQLToolbar", &CLSID_BriselQLToolbar}};

class HostedBandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_) << "cannot load " << com::ToUtf8(win_tests::ProductDllPath());
    getClassObject_ = module_.Export<win_tests::DllGetClassObjectFn>("DllGetClassObject");
    canUnloadNow_ = module_.Export<win_tests::DllEntryFn>("DllCanUnloadNow");
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
    browser_ = standins::WebBrowser::Create(host_.Frame());
    site_ = standins::BandSite::Create(host_.BandSiteWindow(), browser_);
  }

  void TearDown() override {
    PumpMessages();
    EXPECT_EQ(canUnloadNow_ ? canUnloadNow_() : S_OK, S_OK) << "an object of the DLL outlived the test";
  }

  // A band made by the DLL's class factory, as the browser makes it.
  ComPtr<IDeskBand> NewBand(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject_(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IDeskBand> band;
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDeskBand, band.PutVoid()), S_OK);
    }
    return band;
  }

  // A band sited in the host window, with its form's window.
  ComPtr<IDeskBand> SitedBand(REFCLSID clsid, HWND* form) {
    ComPtr<IDeskBand> band = NewBand(clsid);
    *form = nullptr;
    if (!band) return band;
    EXPECT_EQ(com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site_->Identity()), S_OK);
    EXPECT_EQ(band->GetWindow(form), S_OK);
    PumpMessages();
    return band;
  }

  win_tests::LoadedModule module_{win_tests::ProductDllPath()};
  win_tests::DllGetClassObjectFn* getClassObject_ = nullptr;
  win_tests::DllEntryFn* canUnloadNow_ = nullptr;
  standins::HostWindow host_{L"Vorn test browser", 800, 600};
  ComPtr<standins::WebBrowser> browser_;
  ComPtr<standins::BandSite> site_;
};

TEST_F(HostedBandTest, TheFormIsAChildWindowOfTheSiteInsideTheFrame) {
  for (const auto& b : kBands) {
    SCOPED_TRACE(b.name);
    HWND form = nullptr;
    ComPtr<IDeskBand> band = SitedBand(*b.clsid, &form);
    ASSERT_TRUE(band);
    ASSERT_TRUE(IsWindow(form));
    EXPECT_EQ(GetParent(form), host_.BandSiteWindow());
    EXPECT_EQ(GetAncestor(form, GA_ROOT), host_.Frame());
    EXPECT_TRUE(IsChild(host_.Frame(), form));
    const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME)) << "a borderless child";
    EXPECT_EQ(GetWindowThreadProcessId(form, nullptr), GetCurrentThreadId()) << "made on the browser's thread";
    // The form's window class belongs to the DLL that made it, not to its host.
    EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrW(form, GCLP_HMODULE)), module_.Get());

    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live band keeps the DLL";
    EXPECT_EQ(band->CloseDW(0), S_OK);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(GetWindow(host_.BandSiteWindow(), GW_CHILD), nullptr) << "nothing left in the site window";
    EXPECT_EQ(com::QueryAs<IObjectWithSite>(band.Get())->SetSite(nullptr), S_OK);
  }
}

TEST_F(HostedBandTest, ShowDWShowsAndHidesTheWindow) {
  HWND form = nullptr;
  ComPtr<IDeskBand> band = SitedBand(CLSID_VornIEExplorerBar, &form);
  ASSERT_TRUE(band);
  ASSERT_TRUE(IsWindowVisible(host_.BandSiteWindow()));
  EXPECT_EQ(band->ShowDW(TRUE), S_OK);
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_EQ(band->ShowDW(FALSE), S_OK);
  PumpMessages();
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_TRUE(IsWindow(form)) << "hiding keeps the window";
  EXPECT_EQ(band->CloseDW(0), S_OK);
  EXPECT_FALSE(IsWindow(form));
}

TEST_F(HostedBandTest, FocusChangesOfTheRealWindowAreReportedToTheSite) {
  HWND form = nullptr;
  ComPtr<IDeskBand> band = SitedBand(CLSID_VornIEExplorerBar, &form);
  ASSERT_TRUE(band);
  band->ShowDW(TRUE);
  auto input = com::QueryAs<IInputObject>(band.Get());
  ASSERT_TRUE(input);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);

  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  const HWND focus = GetFocus();
  EXPECT_TRUE(focus == form || IsChild(form, focus)) << "the focus is in the form";
  EXPECT_EQ(input->HasFocusIO(), S_OK);
  ASSERT_EQ(site_->FocusChanges().size(), 1u);
  EXPECT_EQ(site_->FocusChanges()[0].object, IdentityOf(band.Get()));
  EXPECT_EQ(site_->FocusChanges()[0].focused, -1) << "TRUE with all bits set";

  // The window manager moves the focus away; the band notices and tells the site.
  SetFocus(host_.Frame());
  PumpMessages();
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  ASSERT_EQ(site_->FocusChanges().size(), 2u);
  EXPECT_EQ(site_->FocusChanges()[1].focused, FALSE);

  EXPECT_EQ(band->CloseDW(0), S_OK);
  EXPECT_FALSE(IsWindow(form));
}

TEST_F(HostedBandTest, ReleasingABandWithoutCloseDWDestroysItsWindow) {
  HWND form = nullptr;
  ComPtr<IDeskBand> band = SitedBand(CLSID_BriselQLToolbar, &form);
  ASSERT_TRUE(band);
  ASSERT_TRUE(IsWindow(form));
  band.Reset();
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A site window of 0, or one already destroyed (the system refuses to parent
// a window to it): the band never shows a window, and its other methods still answer.
TEST_F(HostedBandTest, ASiteWithoutAUsableWindowGetsNoWindow) {
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, host_.BandSiteWindow(), nullptr, nullptr,
                              nullptr);
  ASSERT_NE(gone, nullptr);
  ASSERT_TRUE(DestroyWindow(gone));
  for (HWND parent : {static_cast<HWND>(nullptr), gone}) {
    SCOPED_TRACE(parent ? "destroyed window" : "window 0");
    ComPtr<IDeskBand> band = NewBand(CLSID_VornIEExplorerBar);
    ASSERT_TRUE(band);
    auto site = standins::BandSite::Create(parent, browser_);
    const HRESULT sited = com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site->Identity());
    // The band makes its form's window while it takes the site, so a stale
    // handle is refused there as a handle of 0 is.
    EXPECT_EQ(sited, E_FAIL);
    HWND form = reinterpret_cast<HWND>(1);
    EXPECT_EQ(band->GetWindow(&form), E_FAIL);
    EXPECT_EQ(band->ShowDW(TRUE), S_OK);
    EXPECT_EQ(band->CloseDW(0), S_OK);
    EXPECT_EQ(GetWindow(host_.BandSiteWindow(), GW_CHILD), nullptr);
  }
}

}  // namespace

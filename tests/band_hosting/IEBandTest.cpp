// The band object as the browser drives it: site, sizes, title, focus,
// showing and closing its form.
#include <gtest/gtest.h>

#include <stdexcept>

#include "band_hosting/BriselQLToolbarUnit.h"
#include "band_hosting/VornIEExplorerBarUnit.h"
#include "type_library/VornIEGUI_TLB.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"
#include "platform/com/GuidString.h"
#include "platform/com/Text.h"
#include "support/ComTest.h"

namespace {

using standins::BandSite;

com::ComPtr<IDeskBand> NewBand(HRESULT (*create)(REFIID, void**)) {
  com::ComPtr<IDeskBand> band;
  EXPECT_EQ(create(IID_IDeskBand, band.PutVoid()), S_OK);
  return band;
}

vorn::TIEBand* Impl(IDeskBand* band) { return static_cast<vorn::TIEBand*>(band); }

IUnknown* IdentityOf(IUnknown* object) {
  com::ComPtr<IUnknown> identity;
  object->QueryInterface(IID_IUnknown, identity.PutVoid());
  return identity.Get();
}

DESKBANDINFO AskAll(IDeskBand* band, DWORD id = 7) {
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
  EXPECT_EQ(band->GetBandInfo(id, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  return info;
}

class IEBandTest : public testing_support::ComTest {
 protected:
  void TearDown() override {
    site_.Reset();
    browser_.Reset();
    ComTest::TearDown();
  }

  com::ComPtr<BandSite> MakeSite(HWND window) {
    browser_ = standins::WebBrowser::Create(host_.Frame());
    site_ = BandSite::Create(window, browser_);
    return site_;
  }
  com::ComPtr<BandSite> MakeSite() { return MakeSite(host_.BandSiteWindow()); }

  static HRESULT Sit(IDeskBand* band, IUnknown* site) {
    return com::QueryAs<IObjectWithSite>(band)->SetSite(site);
  }

  standins::HostWindow host_{L"browser", 640, 480};
  com::ComPtr<standins::WebBrowser> browser_;
  com::ComPtr<BandSite> site_;
};

TEST_F(IEBandTest, AnswersExactlyTheBandInterfaces) {
  auto main = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto links = NewBand(&vorn::TBriselQLToolbar::Create);
  const IID* answered[] = {&IID_IUnknown,      &IID_IDeskBand,         &IID_IDockingWindow, &IID_IObjectWithSite,
                           &IID_IInputObject,  &IID_IPersistStream,    &IID_ISupportErrorInfo,
                           &IID_IProvideClassInfo};
  for (IDeskBand* band : {main.Get(), links.Get()}) {
    for (const IID* iid : answered) {
      com::ComPtr<IUnknown> itf;
      EXPECT_EQ(band->QueryInterface(*iid, itf.PutVoid()), S_OK) << com::ToUtf8(com::GuidToString(*iid));
    }
    // Reached only through the interfaces that extend them.
    for (const IID* iid : {&IID_IOleWindow, &IID_IPersist, &IID_IDispatch}) {
      com::ComPtr<IUnknown> itf;
      EXPECT_EQ(band->QueryInterface(*iid, itf.PutVoid()), E_NOINTERFACE) << com::ToUtf8(com::GuidToString(*iid));
    }
  }
  com::ComPtr<IUnknown> itf;
  EXPECT_EQ(main->QueryInterface(IID_IVornIEExplorerBar, itf.PutVoid()), S_OK);
  EXPECT_EQ(links->QueryInterface(IID_IVornIEExplorerBar, itf.PutVoid()), E_NOINTERFACE);
  EXPECT_EQ(links->QueryInterface(IID_IBriselQLToolbar, itf.PutVoid()), S_OK);
  EXPECT_EQ(main->QueryInterface(IID_IBriselQLToolbar, itf.PutVoid()), E_NOINTERFACE);
}

TEST_F(IEBandTest, ReportsItsClassAndKeepsNoState) {
  CLSID clsid{};
  EXPECT_EQ(com::QueryAs<IPersistStream>(NewBand(&vorn::TVornIEExplorerBar::Create).Get())->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VornIEExplorerBar));
  auto persist = com::QueryAs<IPersistStream>(NewBand(&vorn::TBriselQLToolbar::Create).Get());
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_BriselQLToolbar));
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(persist->Load(nullptr), S_OK);
  EXPECT_EQ(persist->Save(nullptr, TRUE), S_OK);
  ULARGE_INTEGER size{};
  EXPECT_EQ(persist->GetSizeMax(&size), E_NOTIMPL);

  com::ComPtr<ITypeInfo> info;
  ASSERT_EQ(com::QueryAs<IProvideClassInfo>(persist.Get())->GetClassInfo(info.ReleaseAndGetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_BriselQLToolbar));
  info->ReleaseTypeAttr(attr);
}

TEST_F(IEBandTest, BandInfoWithoutAFormUsesTheToolbarDefaults) {
  auto main = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto info = AskAll(main.Get());
  EXPECT_EQ(info.ptMinSize.x, 0);
  EXPECT_EQ(info.ptMinSize.y, 22);
  EXPECT_EQ(info.ptMaxSize.x, -1);
  EXPECT_EQ(info.ptMaxSize.y, 22);
  EXPECT_EQ(info.ptIntegral.x, 1);
  EXPECT_EQ(info.ptIntegral.y, 1);
  EXPECT_EQ(info.ptActual.x, 0);
  EXPECT_EQ(info.ptActual.y, 0);
  EXPECT_EQ(std::wstring(info.wszTitle), L"Brisel");
  EXPECT_EQ(info.dwModeFlags, static_cast<DWORD>(DBIMF_NORMAL));
  EXPECT_EQ(info.dwMask & DBIM_BKCOLOR, 0u) << "the browser paints the default background";

  auto links = NewBand(&vorn::TBriselQLToolbar::Create);
  info = AskAll(links.Get());
  EXPECT_EQ(info.ptMinSize.x, 0);
  EXPECT_EQ(info.ptMinSize.y, 22);
  EXPECT_EQ(std::wstring(info.wszTitle), L"");
}

TEST_F(IEBandTest, BandInfoFillsOnlyWhatTheMaskAsksAndRemembersTheBandId) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto site = MakeSite();
  ASSERT_EQ(Sit(band.Get(), site->Identity()), S_OK);

  DESKBANDINFO info{};
  info.ptMinSize = {-5, -5};
  info.dwMask = 0;
  EXPECT_EQ(band->GetBandInfo(42, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(info.ptMinSize.x, -5) << "a zero mask writes nothing";
  EXPECT_EQ(info.dwMask, 0u);

  Impl(band.Get())->NotifyBandInfoChanged();
  ASSERT_EQ(site->ExecCalls().size(), 1u);
  const auto& call = site->ExecCalls()[0];
  EXPECT_TRUE(IsEqualGUID(call.group, CGID_DeskBand));
  EXPECT_EQ(call.commandId, static_cast<DWORD>(DBID_BANDINFOCHANGED));
  EXPECT_EQ(call.option, static_cast<DWORD>(OLECMDEXECOPT_DODEFAULT));
  EXPECT_EQ(call.inType, VT_I4);
  EXPECT_EQ(call.inValue, 42);

  // With a form the sizes follow the form window.
  info = AskAll(band.Get(), 43);
  HWND wnd = nullptr;
  ASSERT_EQ(band->GetWindow(&wnd), S_OK);
  RECT r{};
  win::GetWindowRect(wnd, &r);
  EXPECT_EQ(info.ptActual.x, r.right - r.left);
  EXPECT_EQ(info.ptActual.y, r.bottom - r.top);
  EXPECT_EQ(info.ptMinSize.y, r.bottom - r.top);
  EXPECT_EQ(info.ptMaxSize.y, r.bottom - r.top);
  band->CloseDW(0);
}

TEST_F(IEBandTest, SiteLifecycle) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto withSite = com::QueryAs<IObjectWithSite>(band.Get());
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(withSite->GetSite(IID_IUnknown, &out), E_FAIL);
  EXPECT_EQ(out, nullptr);

  auto site = MakeSite();
  ASSERT_EQ(withSite->SetSite(site->Identity()), S_OK);
  com::ComPtr<IInputObjectSite> back;
  EXPECT_EQ(withSite->GetSite(IID_IInputObjectSite, back.PutVoid()), S_OK);
  EXPECT_EQ(IdentityOf(back.Get()), IdentityOf(site->Identity()));
  EXPECT_EQ(Impl(band.Get())->WebBrowser(), static_cast<IWebBrowser2*>(browser_.Get()));

  HWND form = nullptr;
  ASSERT_EQ(band->GetWindow(&form), S_OK);
  EXPECT_EQ(win::GetParent(form), host_.BandSiteWindow());

  // A second site keeps the first form and its parent.
  standins::HostWindow other(L"other", 100, 100);
  auto otherSite = BandSite::Create(other.BandSiteWindow(), browser_);
  ASSERT_EQ(withSite->SetSite(otherSite->Identity()), S_OK);
  HWND again = nullptr;
  ASSERT_EQ(band->GetWindow(&again), S_OK);
  EXPECT_EQ(again, form);
  EXPECT_EQ(win::GetParent(form), host_.BandSiteWindow());

  EXPECT_EQ(band->CloseDW(0), S_OK);
  EXPECT_FALSE(win::IsWindow(form));
  EXPECT_EQ(band->GetWindow(&again), E_FAIL);
  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(withSite->GetSite(IID_IUnknown, &out), E_FAIL);
}

TEST_F(IEBandTest, UnusableSitesAreRefusedWithoutAForm) {
  struct Case {
    const char* what;
    const IID* withheld;
    bool servesBrowser;
    bool windowless;
  } cases[] = {
      {"no IOleWindow", &IID_IOleWindow, true, false},
      {"window handle 0", nullptr, true, true},
      {"no IInputObjectSite", &IID_IInputObjectSite, true, false},
      {"no IOleCommandTarget", &IID_IOleCommandTarget, true, false},
      {"no IServiceProvider", &IID_IServiceProvider, true, false},
      {"no browser service", nullptr, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
    auto site = MakeSite(c.windowless ? nullptr : host_.BandSiteWindow());
    if (c.withheld) site->Withhold(*c.withheld);
    site->SetServesBrowser(c.servesBrowser);
    EXPECT_EQ(Sit(band.Get(), site->Identity()), E_FAIL);
    HWND wnd = reinterpret_cast<HWND>(1);
    EXPECT_EQ(band->GetWindow(&wnd), E_FAIL);
    EXPECT_EQ(band->ShowDW(TRUE), S_OK);
    EXPECT_EQ(band->CloseDW(0), S_OK);
  }
}

TEST_F(IEBandTest, ASiteWhoseWindowIsGoneIsRefusedWithoutAForm) {
  HWND gone = nullptr;
  {
    standins::HostWindow closed(L"closed", 100, 100);
    gone = closed.BandSiteWindow();
  }
  ASSERT_FALSE(win::IsWindow(gone));
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  EXPECT_EQ(Sit(band.Get(), MakeSite(gone)->Identity()), E_FAIL);
  HWND wnd = nullptr;
  EXPECT_EQ(band->GetWindow(&wnd), E_FAIL);
  EXPECT_EQ(band->CloseDW(0), S_OK);
}

TEST_F(IEBandTest, ShowsAndHidesItsForm) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  ASSERT_EQ(Sit(band.Get(), MakeSite()->Identity()), S_OK);
  HWND form = nullptr;
  ASSERT_EQ(band->GetWindow(&form), S_OK);
  EXPECT_EQ(band->ShowDW(TRUE), S_OK);
  EXPECT_TRUE(win::IsWindowVisible(form));
  EXPECT_EQ(band->ShowDW(FALSE), S_OK);
  EXPECT_FALSE(win::IsWindowVisible(form));
  band->CloseDW(0);
}

TEST_F(IEBandTest, FocusChangesAreSeenAndReportedToTheSite) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto site = MakeSite();
  ASSERT_EQ(Sit(band.Get(), site->Identity()), S_OK);
  auto input = com::QueryAs<IInputObject>(band.Get());
  HWND form = nullptr;
  ASSERT_EQ(band->GetWindow(&form), S_OK);
  band->ShowDW(TRUE);

  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  EXPECT_EQ(input->UIActivateIO(FALSE, nullptr), S_OK);
  EXPECT_NE(win::GetFocus(), form) << "deactivation does not move the focus";
  EXPECT_TRUE(site->FocusChanges().empty());

  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(win::GetFocus(), form);
  EXPECT_EQ(input->HasFocusIO(), S_OK);
  ASSERT_EQ(site->FocusChanges().size(), 1u);
  EXPECT_EQ(site->FocusChanges()[0].object, IdentityOf(band.Get()));
  EXPECT_EQ(site->FocusChanges()[0].focused, -1) << "TRUE with all bits set";

  win::SetFocus(host_.Frame());
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  ASSERT_EQ(site->FocusChanges().size(), 2u);
  EXPECT_EQ(site->FocusChanges()[1].focused, FALSE);
  EXPECT_EQ(input->TranslateAcceleratorIO(nullptr), S_FALSE);

  // A hidden form cannot take the focus: activation leaves it alone.
  band->ShowDW(FALSE);
  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  band->CloseDW(0);
}

TEST_F(IEBandTest, ClosingAFocusedFormReportsTheLossOfFocus) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto site = MakeSite();
  ASSERT_EQ(Sit(band.Get(), site->Identity()), S_OK);
  band->ShowDW(TRUE);
  com::QueryAs<IInputObject>(band.Get())->UIActivateIO(TRUE, nullptr);
  ASSERT_EQ(com::QueryAs<IInputObject>(band.Get())->HasFocusIO(), S_OK);
  band->CloseDW(0);
  EXPECT_EQ(com::QueryAs<IInputObject>(band.Get())->HasFocusIO(), S_FALSE);
  ASSERT_FALSE(site->FocusChanges().empty());
  EXPECT_EQ(site->FocusChanges().back().focused, FALSE);
}

TEST_F(IEBandTest, ReleasingABandWithoutCloseDestroysItsFormQuietly) {
  auto band = NewBand(&vorn::TVornIEExplorerBar::Create);
  auto site = MakeSite();
  ASSERT_EQ(Sit(band.Get(), site->Identity()), S_OK);
  HWND form = nullptr;
  ASSERT_EQ(band->GetWindow(&form), S_OK);
  band->ShowDW(TRUE);
  com::QueryAs<IInputObject>(band.Get())->UIActivateIO(TRUE, nullptr);
  const size_t reports = site->FocusChanges().size();
  band.Reset();  // the last reference: no CloseDW
  EXPECT_FALSE(win::IsWindow(form));
  EXPECT_EQ(site->FocusChanges().size(), reports) << "a dying band reports nothing to its site";
}

// A band whose form fails in different ways.
class FailingFormBand : public vorn::TIEToolBand {
  VORN_INTERFACE_TABLE_BEGIN(FailingFormBand)
  VORN_IEBAND_INTERFACE_ENTRIES
  VORN_INTERFACE_TABLE_END

 public:
  enum class Failure { None, FormClassThrows, DescendantThrows };
  static inline Failure failure = Failure::None;
  static inline int formCreates = 0;

 protected:
  GUID GetBandClassID() override { return CLSID_VornIEExplorerBar; }
  std::wstring GetTitle() override { return std::wstring(300, L'x'); }
  vorn::TIEBandFormClass GetFormClass() override;
};

class DescendantForm : public vorn::TIEBandForm {
 public:
  explicit DescendantForm(vorn::TIEBand* band) : TIEBandForm(band) {}

 protected:
  void ConstructForBand() override {
    if (FailingFormBand::failure == FailingFormBand::Failure::DescendantThrows) throw std::runtime_error("broken");
  }
  void FormCreate() override { ++FailingFormBand::formCreates; }
};

vorn::TIEBandFormClass FailingFormBand::GetFormClass() {
  if (failure == Failure::FormClassThrows) throw std::runtime_error("no form class");
  return [](vorn::TIEBand* band) { return vorn::TIEBandForm::CreateForBand<DescendantForm>(band); };
}

TEST_F(IEBandTest, FormFailures) {
  auto make = [] {
    com::ComPtr<IDeskBand> band;
    EXPECT_EQ(com::CreateComObject<FailingFormBand>(band.ReleaseAndGetAddressOf()), S_OK);
    return band;
  };
  FailingFormBand::failure = FailingFormBand::Failure::FormClassThrows;
  auto band = make();
  EXPECT_EQ(Sit(band.Get(), MakeSite()->Identity()), E_FAIL);
  HWND wnd = nullptr;
  EXPECT_EQ(band->GetWindow(&wnd), E_FAIL);

  // A descendant that cannot finish its construction still gives the band a
  // form, and its creation handler still runs last.
  FailingFormBand::failure = FailingFormBand::Failure::DescendantThrows;
  FailingFormBand::formCreates = 0;
  band = make();
  EXPECT_EQ(Sit(band.Get(), MakeSite()->Identity()), S_OK);
  EXPECT_EQ(band->GetWindow(&wnd), S_OK);
  EXPECT_EQ(FailingFormBand::formCreates, 1);

  // An over-long title is cut to the browser's field, terminated.
  DESKBANDINFO info{};
  info.dwMask = DBIM_TITLE;
  band->GetBandInfo(0, 0, &info);
  EXPECT_EQ(std::wstring(info.wszTitle).size(), 255u);
  band->CloseDW(0);
  FailingFormBand::failure = FailingFormBand::Failure::None;
}

}  // namespace

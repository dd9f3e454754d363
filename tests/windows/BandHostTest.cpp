// vornie-browser's band hosting over the registered DLL: each toolbar band
// made by COM from its class identifier, sited in a row window of its own
// with the stand-in browser as the site's service, sized from its band
// information, and gone without a trace when the host closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/Text.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"
#include "support/LibraryFacts.h"
#include "tools/vornie-browser/BandHost.h"
#include "type_library/VornIEGUI_TLB.h"
#include "windows/support/ProductModule.h"
#include "windows/support/RegistryCleanup.h"

namespace {

using vornie_browser::BandHost;

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct BandCase {
  const char* name;
  const CLSID* clsid;
  const wchar_t* title;
};
const BandCase kBands[] = {{"VornIEExplorerBar", &CLSID_VornIEExplorerBar, L"Brisel"},
                           {"BriselQLToolbar", &CLSID_BriselQLToolbar, L""}};

class BandHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { product_ = std::make_unique<win_tests::RegisteredProduct>(); }
  static void TearDownTestSuite() { product_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(product_->Registered()) << "regsvr32 could not register the DLL";
    browser_ = standins::WebBrowser::Create(host_.Frame());
  }
  void TearDown() override { PumpMessages(); }

  // A band row of the frame, as vornie-browser makes one.
  HWND NewArea(int top) {
    HWND area = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, top, 640, 22, host_.Frame(), nullptr,
                                nullptr, nullptr);
    EXPECT_NE(area, nullptr);
    return area;
  }

  static inline std::unique_ptr<win_tests::RegisteredProduct> product_;
  standins::HostWindow host_{L"Vorn band host test", 800, 600};
  com::ComPtr<standins::WebBrowser> browser_;
};

TEST_F(BandHostTest, BothBandsAreMadeByClassIdentifierAndSizedFromTheirBandInformation) {
  int top = 30;
  for (const BandCase& c : kBands) {
    SCOPED_TRACE(c.name);
    HWND area = NewArea(top);
    top += 30;
    BandHost host(*c.clsid, com::FromUtf8(c.name), area, 7, browser_);
    ASSERT_TRUE(host.Hosted()) << com::ToUtf8(host.Failure());
    EXPECT_TRUE(host.Failure().empty());
    PumpMessages();

    HWND band = host.BandWindow();
    ASSERT_TRUE(IsWindow(band));
    EXPECT_EQ(GetParent(band), area) << "the band's window lives in its row";
    EXPECT_TRUE(IsWindowVisible(band)) << "ShowDW(TRUE)";

    const DESKBANDINFO& info = host.Info();
    EXPECT_EQ(info.dwMask & DBIM_BKCOLOR, 0u) << "the browser paints the background";
    EXPECT_EQ(info.ptMinSize.y, 22);
    EXPECT_EQ(info.ptMaxSize.y, 22) << "a fixed height";
    EXPECT_EQ(info.ptMaxSize.x, -1) << "any width";
    EXPECT_EQ(info.ptIntegral.x, 1);
    EXPECT_EQ(info.ptIntegral.y, 1);
    EXPECT_EQ(info.ptActual.y, 22);
    EXPECT_EQ(info.dwModeFlags, static_cast<DWORD>(DBIMF_NORMAL));
    EXPECT_EQ(std::wstring(info.wszTitle), c.title);
    if (*c.clsid == CLSID_VornIEExplorerBar) {
      EXPECT_EQ(info.ptMinSize.x, 0);
    }
    EXPECT_EQ(host.Height(), 22);

    // The row gives the band its width; the band reports it back as its actual size.
    host.Place(12, 500);
    host.RefreshInfo();
    EXPECT_EQ(host.Info().ptActual.x, 500);
    RECT r{};
    GetWindowRect(band, &r);
    MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 12);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 22);

    host.Close();
    PumpMessages();
    EXPECT_FALSE(host.Hosted());
    EXPECT_FALSE(IsWindow(band)) << "CloseDW destroyed the form";
    EXPECT_EQ(GetWindow(area, GW_CHILD), nullptr) << "nothing left in the row";
    host.Close();  // a second close does nothing
  }
  // Every band and form is gone: the DLL that COM loaded may go.
  HMODULE dll = GetModuleHandleW(win_tests::ProductDllPath().c_str());
  ASSERT_NE(dll, nullptr) << "COM loaded the registered DLL";
  auto canUnloadNow = reinterpret_cast<win_tests::DllEntryFn*>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK) << "a band object or form outlived its host";
}

TEST_F(BandHostTest, ABandThatCannotBeMadeLeavesItsReason) {
  // {00000000-0000-0000-0000-0000000000F1}: registered by nobody.
  const CLSID unknown = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xF1}};
  HWND area = NewArea(30);
  BandHost host(unknown, L"Nobody", area, 1, browser_);
  EXPECT_FALSE(host.Hosted());
  EXPECT_EQ(host.BandWindow(), nullptr);
  const std::string reason = com::ToUtf8(host.Failure());
  EXPECT_NE(reason.find("Nobody"), std::string::npos) << reason;
  EXPECT_NE(reason.find("0x80040154"), std::string::npos) << "REGDB_E_CLASSNOTREG: " << reason;
  EXPECT_NE(reason.find("not registered"), std::string::npos) << reason;
  EXPECT_EQ(host.Height(), vornie_browser::kDefaultBandHeight);
  EXPECT_EQ(GetWindow(area, GW_CHILD), nullptr);
}

}  // namespace

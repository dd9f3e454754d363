#include "BandHost.h"

#include <cstdio>

#include "platform/com/GuidString.h"

namespace vornie_browser {

std::wstring HResultText(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(hr));
  return text;
}

BandHost::BandHost(REFCLSID clsid, std::wstring name, HWND area, DWORD bandId, com::ComPtr<IWebBrowser2> browser)
    : name_(std::move(name)), area_(area), bandId_(bandId) {
  site_ = standins::BandSite::Create(area, std::move(browser));
  com::ComPtr<IDeskBand> band;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band.PutVoid());
  if (FAILED(hr) || !band) {
    // The usual reason: the library was never registered (regsvr32) where this runs.
    Fail(L"cannot create " + com::GuidToString(clsid) + (hr == REGDB_E_CLASSNOTREG ? L", class not registered" : L""),
         FAILED(hr) ? hr : E_NOINTERFACE);
    return;
  }
  com::ComPtr<IObjectWithSite> withSite = com::QueryAs<IObjectWithSite>(band.Get());
  if (!withSite) {
    Fail(L"the band has no IObjectWithSite", E_NOINTERFACE);
    return;
  }
  hr = withSite->SetSite(site_->Identity());
  if (FAILED(hr)) {
    // What the band took of the site before refusing it goes back now.
    withSite->SetSite(nullptr);
    Fail(L"the band refused its site", hr);
    return;
  }
  band_ = std::move(band);
  if (FAILED(band_->GetWindow(&bandWindow_))) bandWindow_ = nullptr;
  RefreshInfo();
  band_->ShowDW(TRUE);
}

BandHost::~BandHost() { Close(); }

void BandHost::Fail(const std::wstring& what, HRESULT hr) { failure_ = name_ + L": " + what + L" (" + HResultText(hr) + L")"; }

void BandHost::RefreshInfo() {
  if (!band_) return;
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
  if (SUCCEEDED(band_->GetBandInfo(bandId_, DBIF_VIEWMODE_NORMAL, &info))) info_ = info;
}

int BandHost::Height() const {
  if (!band_) return kDefaultBandHeight;
  if (info_.ptActual.y > 0) return info_.ptActual.y;
  if (info_.ptMinSize.y > 0) return info_.ptMinSize.y;
  return kDefaultBandHeight;
}

void BandHost::Place(int left, int width) {
  if (bandWindow_ && win::IsWindow(bandWindow_)) win::MoveWindow(bandWindow_, left, 0, width > 0 ? width : 0, Height(), TRUE);
}

void BandHost::Close() {
  if (!band_) return;
  com::ComPtr<IDeskBand> band = std::move(band_);
  band->ShowDW(FALSE);
  band->CloseDW(0);
  if (auto withSite = com::QueryAs<IObjectWithSite>(band.Get())) withSite->SetSite(nullptr);
  bandWindow_ = nullptr;
}

}  // namespace vornie_browser

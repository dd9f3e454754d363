// One toolbar band hosted as the browser hosts it: made by its class
// identifier through COM, sited in a window of its own (the band site's
// window) with the browser as the site's service, sized from its band
// information and shown; closed, unsited and released in that order when the
// host goes. A band that cannot be made or refuses its site is kept as a
// reason instead, for the frame to show.
#pragma once

#include <string>

#include "platform/browser/BandInterfaces.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ComPtr.h"
#include "platform/win/Window.h"
#include "standins/browser/BandSite.h"

namespace vornie_browser {

// The height of a band row whose band reports no height (or does not exist).
inline constexpr int kDefaultBandHeight = 22;

class BandHost {
 public:
  // area: the window the band's window goes into. bandId: the number the
  // browser gives the band in GetBandInfo.
  BandHost(REFCLSID clsid, std::wstring name, HWND area, DWORD bandId, com::ComPtr<IWebBrowser2> browser);
  ~BandHost();
  BandHost(const BandHost&) = delete;
  BandHost& operator=(const BandHost&) = delete;

  bool Hosted() const { return static_cast<bool>(band_); }
  const std::wstring& Name() const { return name_; }
  // Why the band is not hosted; empty when it is.
  const std::wstring& Failure() const { return failure_; }
  // The band information as last read (all of it: sizes, title, mode flags).
  const DESKBANDINFO& Info() const { return info_; }
  // The row height: the band's ideal height, else its minimum, else kDefaultBandHeight.
  int Height() const;
  HWND Area() const { return area_; }
  HWND BandWindow() const { return bandWindow_; }
  IDeskBand* Band() const { return band_.Get(); }
  standins::BandSite* Site() const { return site_.Get(); }

  // Reads the band information again (the band asked for it through the site).
  void RefreshInfo();
  // Places the band's window in its area from left on, width wide, at the row height.
  void Place(int left, int width);
  // ShowDW(FALSE), CloseDW(0), SetSite(nullptr), release; once.
  void Close();

 private:
  void Fail(const std::wstring& what, HRESULT hr);

  std::wstring name_;
  HWND area_;
  DWORD bandId_;
  com::ComPtr<standins::BandSite> site_;
  com::ComPtr<IDeskBand> band_;
  HWND bandWindow_ = nullptr;
  DESKBANDINFO info_{};
  std::wstring failure_;
};

// An HRESULT as 0x%08X.
std::wstring HResultText(HRESULT hr);

}  // namespace vornie_browser

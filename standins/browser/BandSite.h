// The browser's band site as a band sees it: a window to parent the band's
// form, focus reports, band-info-changed requests and the browser service.
// Any of its interfaces can be withheld, and its window can be 0, to play a
// site that a band must refuse.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/browser/BandInterfaces.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"

namespace standins {

class BandSite : public com::ComObject<IOleWindow, IInputObjectSite, IOleCommandTarget, IServiceProvider> {
  VORN_INTERFACE_TABLE_BEGIN(BandSite)
  VORN_ENTRY(IOleWindow)
  VORN_ENTRY(IInputObjectSite)
  VORN_ENTRY(IOleCommandTarget)
  VORN_ENTRY(IServiceProvider)
  VORN_INTERFACE_TABLE_END

 public:
  struct ExecCall {
    GUID group;
    DWORD commandId;
    DWORD option;
    VARTYPE inType;
    LONG inValue;  // when inType is VT_I4
  };
  struct FocusChange {
    IUnknown* object;  // identity only; not held
    BOOL focused;
  };

  static com::ComPtr<BandSite> Create(HWND window, com::ComPtr<IWebBrowser2> browser);

  // The site answers QueryInterface for riid no more.
  void Withhold(REFIID riid) { withheld_.insert(com::GuidToString(riid)); }
  // Whether QueryService hands out the browser.
  void SetServesBrowser(bool serves) { servesBrowser_ = serves; }

  const std::vector<ExecCall>& ExecCalls() const { return execCalls_; }
  const std::vector<FocusChange>& FocusChanges() const { return focusChanges_; }
  HWND Window() const { return window_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IInputObjectSite
  HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown* punkObj, BOOL fSetFocus) override;
  // IOleCommandTarget
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD[], OLECMDTEXT*) override;
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in, VARIANT* out) override;
  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override;

 protected:
  BandSite(HWND window, com::ComPtr<IWebBrowser2> browser) : window_(window), browser_(std::move(browser)) {}

 private:
  HWND window_;
  com::ComPtr<IWebBrowser2> browser_;
  bool servesBrowser_ = true;
  std::set<std::wstring> withheld_;
  std::vector<ExecCall> execCalls_;
  std::vector<FocusChange> focusChanges_;
};

}  // namespace standins

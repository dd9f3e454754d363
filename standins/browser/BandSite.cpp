#include "standins/browser/BandSite.h"

namespace standins {

com::ComPtr<BandSite> BandSite::Create(HWND window, com::ComPtr<IWebBrowser2> browser) {
  return com::ComPtr<BandSite>(new BandSite(window, std::move(browser)));
}

HRESULT BandSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (withheld_.count(com::GuidToString(riid))) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  return InternalQueryInterface(riid, ppv);
}

HRESULT BandSite::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = window_;
  return S_OK;
}

HRESULT BandSite::OnFocusChangeIS(IUnknown* punkObj, BOOL fSetFocus) {
  focusChanges_.push_back({punkObj, fSetFocus});
  return S_OK;
}

HRESULT BandSite::QueryStatus(const GUID*, ULONG, OLECMD[], OLECMDTEXT*) { return OLECMDERR_E_UNKNOWNGROUP; }

HRESULT BandSite::Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in, VARIANT*) {
  ExecCall call{};
  call.group = group ? *group : GUID_NULL;
  call.commandId = id;
  call.option = option;
  call.inType = in ? in->vt : static_cast<VARTYPE>(VT_EMPTY);
  call.inValue = in && in->vt == VT_I4 ? in->lVal : 0;
  execCalls_.push_back(call);
  return S_OK;
}

HRESULT BandSite::QueryService(REFGUID service, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!servesBrowser_ || !browser_ || !IsEqualGUID(service, SID_SWebBrowserApp_Vorn)) return E_NOINTERFACE;
  return browser_->QueryInterface(riid, ppv);
}

}  // namespace standins

#include "standins/browser/WebBrowser.h"

#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace standins {

com::ComPtr<WebBrowser> WebBrowser::Create(HWND frame) {
  return com::ComPtr<WebBrowser>(new WebBrowser(frame));
}

void WebBrowser::SetLocation(std::wstring url, std::wstring title) {
  url_ = std::move(url);
  title_ = std::move(title);
}

HRESULT WebBrowser::GetLong(LONG* out, LONG value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

HRESULT WebBrowser::GetBool(VARIANT_BOOL* out, bool value) {
  if (!out) return E_POINTER;
  *out = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT WebBrowser::GetString(BSTR* out, const std::wstring& value) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT WebBrowser::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT WebBrowser::Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT*, VARIANT*) {
  VARIANT url;
  VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = URL;
  return Navigate2(&url, Flags, TargetFrameName, nullptr, nullptr);
}

HRESULT WebBrowser::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT*, VARIANT*) {
  if (!URL) return E_INVALIDARG;
  com::Variant url;
  if (FAILED(VariantChangeType(url.Ptr(), URL, 0, VT_BSTR))) return E_INVALIDARG;
  Navigation nav;
  nav.url = url.bstrVal ? url.bstrVal : L"";
  if (Flags && Flags->vt != VT_EMPTY && Flags->vt != VT_ERROR) {
    com::Variant flags;
    if (FAILED(VariantChangeType(flags.Ptr(), Flags, 0, VT_I4))) return E_INVALIDARG;
    nav.flags = flags.lVal;
  }
  if (TargetFrameName && TargetFrameName->vt != VT_EMPTY && TargetFrameName->vt != VT_ERROR) {
    com::Variant target;
    if (FAILED(VariantChangeType(target.Ptr(), TargetFrameName, 0, VT_BSTR))) return E_INVALIDARG;
    nav.targetFrame = target.bstrVal ? target.bstrVal : L"";
  }
  // A navigation in this window moves its address; a new window leaves it.
  if (!(nav.flags & navOpenInNewWindow) && nav.targetFrame.empty()) url_ = nav.url;
  navigations_.push_back(std::move(nav));
  return S_OK;
}

HRESULT WebBrowser::get_Application(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = static_cast<IWebBrowser2*>(this);
  AddRef();
  return S_OK;
}

HRESULT WebBrowser::get_Container(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = nullptr;
  return S_OK;
}

// Documents come from the HTML document stand-in; until one is set the
// browser shows none.
HRESULT WebBrowser::get_Document(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = nullptr;
  if (FAILED(documentFailure_)) return documentFailure_;
  if (!document_) return S_FALSE;
  return document_.CopyTo(ppDisp);
}

HRESULT WebBrowser::get_TopLevelContainer(VARIANT_BOOL* pBool) { return GetBool(pBool, true); }
HRESULT WebBrowser::get_Type(BSTR* Type) { return GetString(Type, L"HTML Document"); }
HRESULT WebBrowser::get_LocationName(BSTR* LocationName) { return GetString(LocationName, title_); }
HRESULT WebBrowser::get_LocationURL(BSTR* LocationURL) { return GetString(LocationURL, url_); }

HRESULT WebBrowser::Quit() {
  quit_ = true;
  return S_OK;
}

HRESULT WebBrowser::get_Name(BSTR* Name) { return GetString(Name, L"Stand-in Browser"); }

HRESULT WebBrowser::get_HWND(SHANDLE_PTR* pHWND) {
  if (!pHWND) return E_POINTER;
  *pHWND = reinterpret_cast<SHANDLE_PTR>(frame_);
  return frame_ ? S_OK : E_FAIL;
}

HRESULT WebBrowser::get_FullName(BSTR* FullName) { return GetString(FullName, L"standin-browser"); }
HRESULT WebBrowser::get_Path(BSTR* Path) { return GetString(Path, L""); }

HRESULT WebBrowser::put_Visible(VARIANT_BOOL Value) {
  visible_ = Value != VARIANT_FALSE;
  return S_OK;
}

HRESULT WebBrowser::get_StatusText(BSTR* StatusText) { return GetString(StatusText, statusText_); }

HRESULT WebBrowser::put_StatusText(BSTR StatusText) {
  statusText_ = StatusText ? StatusText : L"";
  return S_OK;
}

HRESULT WebBrowser::get_ToolBar(int* Value) {
  if (!Value) return E_POINTER;
  *Value = 1;
  return S_OK;
}

HRESULT WebBrowser::QueryStatusWB(OLECMDID, OLECMDF* pcmdf) {
  if (!pcmdf) return E_POINTER;
  *pcmdf = OLECMDF_SUPPORTED;
  return S_OK;
}

HRESULT WebBrowser::get_ReadyState(READYSTATE* plReadyState) {
  if (!plReadyState) return E_POINTER;
  *plReadyState = READYSTATE_COMPLETE;
  return S_OK;
}

}  // namespace standins

#include "standins/browser/WebBrowser.h"

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/Boundary.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "standins/browser/BrowserPage.h"
#include "standins/events/ConnectionEnumerators.h"

namespace standins {

namespace {

VARIANTARG ByRef(VARIANT* value) {
  VARIANTARG arg;
  VariantInit(&arg);
  arg.vt = VT_BYREF | VT_VARIANT;
  arg.pvarVal = value;
  return arg;
}

}  // namespace

WebBrowser::WebBrowser(HWND frame)
    : frame_(frame),
      events_(std::make_unique<ConnectionPoint>(*this, DIID_DWebBrowserEvents2, /*plainDispatch=*/true)) {}

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
  return com::Boundary(com::MayFail, [&]() -> HRESULT {
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
    if ((nav.flags & navOpenInNewWindow) || !nav.targetFrame.empty()) {
      navigations_.push_back(std::move(nav));
      return S_OK;
    }
    if (!FireBeforeNavigate2(Self(), nav)) {
      nav.cancelled = true;
      navigations_.push_back(std::move(nav));
      return S_OK;
    }
    BrowserPage page = LoadBrowserPage(nav.url);
    nav.loadError = page.error;
    url_ = page.url;
    title_ = page.url;
    document_ = std::move(page.document);
    navigations_.push_back(std::move(nav));
    // Sinks may navigate again from here: the events carry their own copy of the address.
    const std::wstring loaded = url_;
    FireNavigateComplete(DISPID_NAVIGATECOMPLETE2, Self(), loaded);
    FireNavigateComplete(DISPID_DOCUMENTCOMPLETE, Self(), loaded);
    return S_OK;
  });
}

IDispatch* WebBrowser::Frame(const std::wstring& name) const {
  for (const auto& [frameName, frame] : frames_)
    if (frameName == name) return frame->Self();
  return nullptr;
}

bool WebBrowser::NavigateFrame(const std::wstring& name, const std::wstring& url) {
  if (!Frame(name)) frames_.emplace_back(name, Create());
  // Held for the events: a sink may navigate the window again meanwhile.
  const com::ComPtr<IDispatch> frame(Frame(name));
  Navigation nav;
  nav.url = url;
  nav.targetFrame = name;
  if (!FireBeforeNavigate2(frame.Get(), nav)) {
    nav.cancelled = true;
    navigations_.push_back(std::move(nav));
    return false;
  }
  navigations_.push_back(std::move(nav));
  FireNavigateComplete(DISPID_NAVIGATECOMPLETE2, frame.Get(), url);
  FireNavigateComplete(DISPID_DOCUMENTCOMPLETE, frame.Get(), url);
  return true;
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel):
// the browser itself, then references to the other six.
bool WebBrowser::FireBeforeNavigate2(IDispatch* about, const Navigation& nav) {
  com::Variant url(nav.url);
  com::Variant flags(nav.flags);
  com::Variant target(nav.targetFrame);
  com::Variant postData;
  com::Variant headers(L"");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANTARG args[7] = {};
  args[6].vt = VT_DISPATCH;
  args[6].pdispVal = about;
  args[5] = ByRef(url.Ptr());
  args[4] = ByRef(flags.Ptr());
  args[3] = ByRef(target.Ptr());
  args[2] = ByRef(postData.Ptr());
  args[1] = ByRef(headers.Ptr());
  args[0].vt = VT_BYREF | VT_BOOL;
  args[0].pboolVal = &cancel;
  DISPPARAMS params = {args, nullptr, 7, 0};
  events_->Connections().Fire(DISPID_BEFORENAVIGATE2, params);
  return cancel == VARIANT_FALSE;
}

// NavigateComplete2 and DocumentComplete(pDisp, URL): the browser and a reference to the address.
void WebBrowser::FireNavigateComplete(DISPID id, IDispatch* about, const std::wstring& address) {
  com::Variant url(address);
  VARIANTARG args[2] = {};
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = about;
  args[0] = ByRef(url.Ptr());
  DISPPARAMS params = {args, nullptr, 2, 0};
  events_->Connections().Fire(id, params);
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

// The window closes: its sinks hear OnQuit, which has no arguments.
HRESULT WebBrowser::Quit() {
  quit_ = true;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  events_->Connections().Fire(DISPID_ONQUIT, none);
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

HRESULT WebBrowser::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return com::Boundary(com::MayFail, [&]() -> HRESULT {
    if (!ppEnum) return E_POINTER;
    return com::CreateComObject<ConnectionPointEnumerator>(
        ppEnum, std::vector<com::ComPtr<IConnectionPoint>>{com::ComPtr<IConnectionPoint>(events_.get())});
  });
}

HRESULT WebBrowser::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (!IsEqualIID(riid, events_->EventIid())) return CONNECT_E_NOCONNECTION;
  *ppCP = events_.get();
  (*ppCP)->AddRef();
  return S_OK;
}

}  // namespace standins

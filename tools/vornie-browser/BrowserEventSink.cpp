#include "BrowserEventSink.h"

#include "platform/com/Boundary.h"

namespace vornie_browser {

com::ComPtr<BrowserEventSink> BrowserEventSink::Create(std::function<void()> documentComplete) {
  return com::ComPtr<BrowserEventSink>(new BrowserEventSink(std::move(documentComplete)));
}

HRESULT BrowserEventSink::QueryInterface(REFIID riid, void** ppv) {
  if (ppv && IsEqualIID(riid, DIID_DWebBrowserEvents2)) return InternalQueryInterface(IID_IDispatch, ppv);
  return InternalQueryInterface(riid, ppv);
}

HRESULT BrowserEventSink::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT BrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return com::Boundary(com::MayFail, [&]() -> HRESULT {
    if (id == DISPID_DOCUMENTCOMPLETE && documentComplete_) documentComplete_();
    return S_OK;
  });
}

}  // namespace vornie_browser

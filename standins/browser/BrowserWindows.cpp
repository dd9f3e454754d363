#include "standins/browser/BrowserWindows.h"

#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"

namespace standins {

class BrowserWindows::Factory : public com::ComObject<IClassFactory> {
  VORN_INTERFACE_TABLE_BEGIN(Factory)
  VORN_ENTRY(IClassFactory)
  VORN_INTERFACE_TABLE_END

 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (failAfter_ > 0) {
      --failAfter_;
    } else if (FAILED(failure_)) {
      return failure_;
    }
    com::ComPtr<WebBrowser> window = WebBrowser::Create();
    const HRESULT hr = window->QueryInterface(riid, ppv);
    if (SUCCEEDED(hr)) created_.push_back(std::move(window));
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  std::vector<com::ComPtr<WebBrowser>> created_;
  HRESULT failure_ = S_OK;
  int failAfter_ = 0;
};

BrowserWindows::BrowserWindows() : factory_(new Factory) {
  const HRESULT hr = CoRegisterClassObject(CLSID_InternetExplorer, factory_->Identity(), CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie_);
  if (FAILED(hr)) throw com::ComError(hr, L"cannot serve new browser windows");
}

BrowserWindows::~BrowserWindows() {
  if (cookie_) CoRevokeClassObject(cookie_);
}

const std::vector<com::ComPtr<WebBrowser>>& BrowserWindows::Created() const { return factory_->created_; }

void BrowserWindows::FailCreations(HRESULT hr, int after) {
  factory_->failure_ = hr;
  factory_->failAfter_ = after;
}

}  // namespace standins

// Error information: the error object a failed automation call leaves for its
// caller on the calling thread.
#include <atomic>
#include <new>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"

namespace {

// One object answers both the writing (ICreateErrorInfo) and the reading (IErrorInfo) side.
class ErrorObject final : public ICreateErrorInfo, public IErrorInfo {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ICreateErrorInfo)) {
      *ppv = static_cast<ICreateErrorInfo*>(this);
    } else if (IsEqualIID(riid, IID_IErrorInfo)) {
      *ppv = static_cast<IErrorInfo*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = refs_.fetch_sub(1) - 1;
    if (n == 0) delete this;
    return n;
  }

  HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override {
    guid_ = rguid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) override { return Store(&source_, szSource); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) override {
    return Store(&description_, szDescription);
  }
  HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) override { return Store(&helpFile_, szHelpFile); }
  HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) override {
    helpContext_ = dwHelpContext;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override {
    if (!pGUID) return E_INVALIDARG;
    *pGUID = guid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override { return Hand(source_, pBstrSource); }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override {
    return Hand(description_, pBstrDescription);
  }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override { return Hand(helpFile_, pBstrHelpFile); }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override {
    if (!pdwHelpContext) return E_INVALIDARG;
    *pdwHelpContext = helpContext_;
    return S_OK;
  }

 private:
  ~ErrorObject() = default;

  // A text that was never set reads back as a null BSTR.
  struct Text {
    bool set = false;
    std::wstring value;
  };

  static HRESULT Store(Text* field, LPOLESTR text) {
    try {
      field->set = text != nullptr;
      field->value = text ? text : L"";
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  static HRESULT Hand(const Text& field, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!field.set) return S_OK;
    *out = SysAllocStringLen(field.value.data(), static_cast<UINT>(field.value.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  std::atomic<ULONG> refs_{1};
  GUID guid_ = GUID_NULL;
  Text source_, description_, helpFile_;
  DWORD helpContext_ = 0;
};

// Released when the thread ends, as apartment teardown releases it on Windows.
thread_local com::ComPtr<IErrorInfo> t_errorInfo;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
  if (!pperrinfo) return E_INVALIDARG;
  *pperrinfo = nullptr;
  ErrorObject* obj = new (std::nothrow) ErrorObject();
  if (!obj) return E_OUTOFMEMORY;
  *pperrinfo = obj;
  return S_OK;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) {
  if (dwReserved != 0) return E_INVALIDARG;
  t_errorInfo = com::ComPtr<IErrorInfo>(perrinfo);
  return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) {
  if (!pperrinfo) return E_INVALIDARG;
  *pperrinfo = nullptr;
  if (dwReserved != 0) return E_INVALIDARG;
  if (!t_errorInfo) return S_FALSE;
  *pperrinfo = t_errorInfo.Detach();
  return S_OK;
}

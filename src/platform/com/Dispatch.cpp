#include "platform/com/Dispatch.h"

#include <vector>

#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TypeLibrary.h"
#include "platform/com/Variant.h"

namespace com {
namespace {

// The converted arguments, contiguous as the invokers index them; cleared on every path.
class ArgArray {
 public:
  explicit ArgArray(std::size_t n) : items_(n) {
    for (auto& v : items_) VariantInit(&v);
  }
  ~ArgArray() {
    for (auto& v : items_) VariantClear(&v);
  }
  ArgArray(const ArgArray&) = delete;
  ArgArray& operator=(const ArgArray&) = delete;

  VARIANT& operator[](std::size_t i) { return items_[i]; }
  VARIANT* data() { return items_.empty() ? nullptr : items_.data(); }

 private:
  std::vector<VARIANT> items_;
};

void SetArgErr(UINT* puArgErr, UINT index) {
  if (puArgErr) *puArgErr = index;
}

// One argument converted to its parameter's declared type into dest.
HRESULT Coerce(const VARIANT& src, VARTYPE declared, VARIANT& dest) {
  // References are followed first, whatever the parameter's type.
  Variant direct;
  HRESULT hr = VariantCopyInd(direct.Ptr(), const_cast<VARIANT*>(&src));
  if (FAILED(hr)) return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
  if (declared == VT_VARIANT) return direct.Detach(&dest);
  hr = VariantChangeType(&dest, direct.Ptr(), 0, declared);
  if (SUCCEEDED(hr)) return S_OK;
  return hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
}

// What a failing method reports through EXCEPINFO; the thread's error
// information, when the method left some, supplies the texts.
void FillExcepInfo(HRESULT methodResult, EXCEPINFO& info) {
  info = EXCEPINFO{};
  info.scode = methodResult;
  ComPtr<IErrorInfo> error;
  if (GetErrorInfo(0, error.ReleaseAndGetAddressOf()) != S_OK || !error) return;
  error->GetSource(&info.bstrSource);
  error->GetDescription(&info.bstrDescription);
  error->GetHelpFile(&info.bstrHelpFile);
  error->GetHelpContext(&info.dwHelpContext);
}

}  // namespace

HRESULT Dispatcher::GetTypeInfoCount(UINT* pctinfo) const {
  if (!pctinfo) return E_INVALIDARG;
  *pctinfo = 1;
  return S_OK;
}

HRESULT Dispatcher::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) const {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  return LoadOwnTypeInfo(*lib_, itf_->guid, ppTInfo);
}

HRESULT Dispatcher::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) const {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!rgszNames || !rgDispId || cNames == 0) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  const MethodModel* method = rgszNames[0] ? itf_->FindMethod(std::wstring_view(rgszNames[0])) : nullptr;
  if (!method) return DISP_E_UNKNOWNNAME;
  rgDispId[0] = method->dispid;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < cNames; ++i) {
    const int index = rgszNames[i] ? method->ParamIndex(rgszNames[i]) : -1;
    if (index < 0)
      hr = DISP_E_UNKNOWNNAME;
    else
      rgDispId[i] = index;
  }
  return hr;
}

HRESULT Dispatcher::Invoke(void* self, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) const {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const MethodModel* method = itf_->FindMethod(dispIdMember);
  // Methods answer a call; script callers often add DISPATCH_PROPERTYGET, which is accepted.
  if (!method || !method->invoker || !(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!self) return E_UNEXPECTED;

  const UINT declared = static_cast<UINT>(method->params.size());
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  const DISPPARAMS& dp = pDispParams ? *pDispParams : none;
  // Nothing outside the caller's arrays is ever read: counts are checked against the arrays first.
  if (dp.cNamedArgs > dp.cArgs) return E_INVALIDARG;
  if ((dp.cArgs > 0 && !dp.rgvarg) || (dp.cNamedArgs > 0 && !dp.rgdispidNamedArgs)) return E_INVALIDARG;
  if (dp.cArgs != declared) return DISP_E_BADPARAMCOUNT;

  try {
    // Where each parameter's value sits in rgvarg: named arguments first,
    // then the positional ones, which are stored last-to-first.
    constexpr UINT kUnset = static_cast<UINT>(-1);
    std::vector<UINT> source(declared, kUnset);
    for (UINT k = 0; k < dp.cNamedArgs; ++k) {
      const DISPID param = dp.rgdispidNamedArgs[k];
      if (param < 0 || static_cast<UINT>(param) >= declared || source[static_cast<UINT>(param)] != kUnset) {
        SetArgErr(puArgErr, k);
        return DISP_E_PARAMNOTFOUND;
      }
      source[static_cast<UINT>(param)] = k;
    }
    UINT nextPositional = dp.cArgs;
    for (UINT i = 0; i < declared; ++i)
      if (source[i] == kUnset) source[i] = --nextPositional;

    ArgArray args(declared);
    for (UINT i = 0; i < declared; ++i) {
      HRESULT hr = Coerce(dp.rgvarg[source[i]], method->params[i].vt, args[i]);
      if (FAILED(hr)) {
        SetArgErr(puArgErr, source[i]);
        return hr;
      }
    }

    if (pVarResult) VariantInit(pVarResult);
    HRESULT hr;
    try {
      hr = method->invoker(self, args.data());
    } catch (...) {
      hr = HResultFromCurrentException();
    }
    if (SUCCEEDED(hr)) return S_OK;
    if (!pExcepInfo) return hr;
    FillExcepInfo(hr, *pExcepInfo);
    return DISP_E_EXCEPTION;
  } catch (...) {
    // The call's own machinery failed (no room for the arguments, say).
    return HResultFromCurrentException();
  }
}

}  // namespace com

#include "server_link/ZRStowlyEvents.h"

#include <cassert>

#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace vorn {
namespace {

// Argument positions travel as 16-bit values in the event map.
constexpr UINT kMaxArgumentPosition = 65535;

// An argument that is not of its declared type and does not convert to it.
struct BadArgument {
  UINT index;  // in rgvarg
  HRESULT hr;
};

// Declared argument k of the event, converted to `type` as automation converts
// arguments; never reinterpreted.
com::Variant Argument(const DISPPARAMS& params, const std::vector<UINT>& argMap, UINT k, VARTYPE type) {
  const UINT index = argMap[k];
  com::Variant value;
  HRESULT hr = VariantChangeType(value.Ptr(), &params.rgvarg[index], 0, type);
  if (FAILED(hr)) throw BadArgument{index, hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH};
  return value;
}

LONG LongArgument(const DISPPARAMS& params, const std::vector<UINT>& argMap, UINT k) {
  return Argument(params, argMap, k, VT_I4).lVal;
}

VARIANT_BOOL BoolArgument(const DISPPARAMS& params, const std::vector<UINT>& argMap, UINT k) {
  return Argument(params, argMap, k, VT_BOOL).boolVal;
}

std::wstring StringArgument(const DISPPARAMS& params, const std::vector<UINT>& argMap, UINT k) {
  com::Variant value = Argument(params, argMap, k, VT_BSTR);
  return value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : std::wstring();
}

// An error leaving Invoke: the caller gets a failure code, and the message
// when it asked for exception information.
HRESULT InvokeFailure(EXCEPINFO* excepInfo, const wchar_t* source) {
  std::wstring message;
  const HRESULT hr = com::HResultFromCurrentException(&message);
  if (message.empty()) message = L"Unexpected failure in an event handler";
  if (!excepInfo) return hr;
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = hr;
  excepInfo->bstrSource = SysAllocString(source);
  excepInfo->bstrDescription = SysAllocString(message.c_str());
  return DISP_E_EXCEPTION;
}

}  // namespace

// ------------------------------------------------------------------ TZRStowlyEventsBaseSink

TZRStowlyEventsBaseSink::TZRStowlyEventsBaseSink(forms::TComponent* owner) : forms::TComponent(owner) {}

TZRStowlyEventsBaseSink::~TZRStowlyEventsBaseSink() { Disconnect(); }

void TZRStowlyEventsBaseSink::Connect(IUnknown* source) {
  assert(source && "a sink connects to a source");
  Disconnect();
  try {
    if (!source) throw com::ComError(E_POINTER, L"no event source");
    com::ComPtr<IConnectionPointContainer> container;
    com::Check(source->QueryInterface(com::IidOf<IConnectionPointContainer>(), container.PutVoid()),
               L"the event source has no connection points");
    com::Check(container->FindConnectionPoint(FSinkIID, FCP.ReleaseAndGetAddressOf()),
               L"the event source does not offer these events");
    DWORD cookie = 0;
    com::Check(FCP->Advise(static_cast<IDispatch*>(this), &cookie), L"the event source refused the sink");
    FCookie = cookie;
    FSource = com::ComPtr<IUnknown>(source);
  } catch (const com::ComError& e) {
    throw com::ComError(e.hr(), L"Unable to connect " + Name() + L".\r" + e.message());
  }
}

void TZRStowlyEventsBaseSink::Disconnect() {
  if (!FSource) return;
  // A server that went away cannot unadvise; the references are given back
  // all the same (a dead proxy takes its release quietly) and the sink ends
  // up not connected either way.
  if (FCP) FCP->Unadvise(FCookie);
  FCP.Reset();
  FSource.Reset();
  FCookie = 0;
}

HRESULT TZRStowlyEventsBaseSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, FSinkIID)) {
    *ppv = static_cast<IDispatch*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT TZRStowlyEventsBaseSink::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo) *pctinfo = 0;
  return E_NOTIMPL;
}

HRESULT TZRStowlyEventsBaseSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT TZRStowlyEventsBaseSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TZRStowlyEventsBaseSink::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                        DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                        UINT* puArgErr) {
  // Taken now: a handler may free the sink (its owner's last form closed)
  // and then throw, and the failure path must not touch the sink after that.
  const wchar_t* const sinkClass = SinkClassName();
  try {
    if (!(wFlags & DISPATCH_METHOD))
      throw com::ComError(DISP_E_MEMBERNOTFOUND, std::wstring(sinkClass) + L" only supports sinking of method calls!");
    if (!pDispParams) return E_INVALIDARG;
    DISPPARAMS& params = *pDispParams;
    // The counts come from the caller: never index past its arrays.
    if ((params.cArgs > 0 && !params.rgvarg) || (params.cNamedArgs > 0 && !params.rgdispidNamedArgs))
      return E_INVALIDARG;
    if (params.cNamedArgs > params.cArgs || params.cArgs > kMaxArgumentPosition + 1) return DISP_E_BADPARAMCOUNT;

    // Positional arguments come last-first; a named one sits where its DISPID says.
    std::vector<UINT> argMap(params.cArgs);
    for (UINT i = 0; i < params.cArgs; ++i) argMap[i] = params.cArgs - 1 - i;
    for (UINT j = 0; j < params.cNamedArgs; ++j) {
      const DISPID position = params.rgdispidNamedArgs[j];
      if (position < 0 || static_cast<UINT>(position) >= params.cArgs) {
        if (puArgErr) *puArgErr = j;
        return DISP_E_PARAMNOTFOUND;
      }
      argMap[static_cast<UINT>(position)] = j;
    }
    return DoInvoke(dispIdMember, riid, lcid, wFlags, argMap, params, pVarResult, pExcepInfo, puArgErr);
  } catch (...) {
    return InvokeFailure(pExcepInfo, sinkClass);
  }
}

// ------------------------------------------------------------------ TZRStowlyIGUIServerEvents

TZRStowlyIGUIServerEvents::TZRStowlyIGUIServerEvents(forms::TComponent* owner) : TZRStowlyEventsBaseSink(owner) {
  FSinkIID = DIID_IGUIServerEvents;
}

HRESULT TZRStowlyIGUIServerEvents::DoInvoke(DISPID dispId, REFIID, LCID, WORD, const std::vector<UINT>& argMap,
                                            DISPPARAMS& params, VARIANT*, EXCEPINFO*, UINT* argErr) {
  auto needs = [&](UINT declared) { return argMap.size() >= declared; };
  try {
    switch (dispId) {
      case DISPID_OnQuit:
        if (OnQuit) OnQuit(this);
        return S_OK;
      case DISPID_OnRefreshHighlight:
        if (OnRefreshHighlight) OnRefreshHighlight(this);
        return S_OK;
      case DISPID_OnDocumentDataChange: {
        if (!needs(5)) return DISP_E_BADPARAMCOUNT;
        const LONG id = LongArgument(params, argMap, 0);
        const VARIANT_BOOL present = BoolArgument(params, argMap, 1);
        const std::wstring comments = StringArgument(params, argMap, 2);
        const LONG status = LongArgument(params, argMap, 3);
        const LONG rating = LongArgument(params, argMap, 4);
        if (OnDocumentDataChange) OnDocumentDataChange(this, id, present, comments, status, rating);
        return S_OK;
      }
      case DISPID_OnSettingsChange:
        if (OnSettingsChange) OnSettingsChange(this);
        return S_OK;
      case DISPID_OnFunctionalityChange:
        if (OnFunctionalityChange) OnFunctionalityChange(this);
        return S_OK;
      case DISPID_OnQuickGroupChange:
        if (OnQuickGroupChange) OnQuickGroupChange(this);
        return S_OK;
      case DISPID_OnFFSettingsChange: {
        if (!needs(1)) return DISP_E_BADPARAMCOUNT;
        const LONG value = LongArgument(params, argMap, 0);
        if (OnFFSettingsChange) OnFFSettingsChange(this, value);
        return S_OK;
      }
      case DISPID_OnFFLogin: {
        if (!needs(1)) return DISP_E_BADPARAMCOUNT;
        const VARIANT_BOOL value = BoolArgument(params, argMap, 0);
        if (OnFFLogin) OnFFLogin(this, value);
        return S_OK;
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (const BadArgument& bad) {
    if (argErr) *argErr = bad.index;
    return bad.hr;
  }
}

}  // namespace vorn

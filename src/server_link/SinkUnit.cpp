#include "server_link/SinkUnit.h"

#include <span>

#include "platform/com/Boundary.h"
#include "platform/com/ComError.h"

namespace vorn {
namespace {

constexpr VARTYPE kDispatch = VT_DISPATCH;
constexpr VARTYPE kVariantRef = VT_BYREF | VT_VARIANT;
constexpr VARTYPE kBoolRef = VT_BYREF | VT_BOOL;

// Declared arguments in rgvarg order, last declared first.
constexpr VARTYPE kBeforeNavigate2Args[] = {kBoolRef,    kVariantRef, kVariantRef, kVariantRef,
                                            kVariantRef, kVariantRef, kDispatch};
constexpr VARTYPE kNavigateCompleteArgs[] = {kVariantRef, kDispatch};

// Whether the call carries exactly the declared arguments, so that reading
// them by position reads what the browser passed and nothing past its array.
HRESULT CheckArguments(const DISPPARAMS& params, std::span<const VARTYPE> declared, UINT* argErr) {
  if (params.cArgs != declared.size()) return DISP_E_BADPARAMCOUNT;
  if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  for (UINT i = 0; i < params.cArgs; ++i) {
    const VARIANTARG& arg = params.rgvarg[i];
    const bool fits = arg.vt == declared[i] && (!(arg.vt & VT_BYREF) || arg.byref != nullptr);
    if (!fits) {
      if (argErr) *argErr = i;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

}  // namespace

// ------------------------------------------------------------------ TBaseEventHandler

TBaseEventHandler::TBaseEventHandler() : FEventIID(IID_IDispatch) {
  // Given back by Create once the most derived constructor is done.
  InternalAddRef();
}

TBaseEventHandler::~TBaseEventHandler() = default;

bool TBaseEventHandler::Connect(IUnknown* source, REFIID eventIID, bool setIID) {
  if (setIID) FEventIID = eventIID;
  FSource = com::ComPtr<IUnknown>(source);
  if (!source) return false;
  com::ComPtr<IConnectionPointContainer> container;
  if (FAILED(source->QueryInterface(com::IidOf<IConnectionPointContainer>(), container.PutVoid())) || !container)
    throw com::ComError(E_NOINTERFACE, L"Interface not supported");
  // The cookie of an earlier advice belongs to the connection point replaced here.
  FCookie = 0;
  com::ComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(eventIID, point.ReleaseAndGetAddressOf()))) point.Reset();
  FCP = std::move(point);
  if (!FCP) return false;
  DWORD cookie = 0;
  if (FAILED(FCP->Advise(static_cast<IDispatch*>(this), &cookie))) return false;
  FCookie = cookie;
  return true;
}

void TBaseEventHandler::Disconnect() {
  if (FCP) {
    if (FCookie != 0) {
      FCP->Unadvise(FCookie);
      FCookie = 0;
    }
    FCP.Reset();
  }
  FSource.Reset();
}

HRESULT TBaseEventHandler::QueryInterface(REFIID riid, void** ppv) {
  if (ppv && IsEqualIID(riid, FEventIID)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return InternalQueryInterface(riid, ppv);
}

HRESULT TBaseEventHandler::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo) *pctinfo = 0;
  return E_NOTIMPL;
}

HRESULT TBaseEventHandler::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT TBaseEventHandler::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TBaseEventHandler::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*,
                                  EXCEPINFO*, UINT* puArgErr) {
  return com::Boundary(com::MayFail, [&]() -> HRESULT {
    // A handler may disconnect the sink and let its owner's reference go; a
    // source keeps no reference of its own across the call, so the call does.
    const com::ComPtr<IDispatch> self(this);
    // The counts come from the caller: never index past its arrays.
    if (!pDispParams || (pDispParams->cArgs > 0 && !pDispParams->rgvarg)) return E_INVALIDARG;
    return DoInvoke(dispIdMember, pDispParams, puArgErr);
  });
}

// ------------------------------------------------------------------ TWebBrowserEventHandler

// Each handler runs from a copy: it may assign another handler, or none, to its own event.
HRESULT TWebBrowserEventHandler::DoInvoke(DISPID dispId, DISPPARAMS* params, UINT* argErr) {
  const VARIANTARG* const args = params->rgvarg;
  switch (dispId) {
    case DISPID_BEFORENAVIGATE2: {
      if (const HRESULT hr = CheckArguments(*params, kBeforeNavigate2Args, argErr); FAILED(hr)) return hr;
      if (const auto handler = FBeforeNavigate2)
        handler(this, args[6].pdispVal, args[5].pvarVal, args[4].pvarVal, args[3].pvarVal, args[2].pvarVal,
                         args[1].pvarVal, args[0].pboolVal);
      return S_OK;
    }
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE: {
      if (const HRESULT hr = CheckArguments(*params, kNavigateCompleteArgs, argErr); FAILED(hr)) return hr;
      const auto handler = dispId == DISPID_NAVIGATECOMPLETE2 ? FNavigateComplete2 : FDocumentComplete;
      if (handler) handler(this, args[1].pdispVal, args[0].pvarVal);
      return S_OK;
    }
    case DISPID_QUIT:
      if (const auto handler = FQuit) handler(this);
      return S_OK;
    case DISPID_DOWNLOADBEGIN:
      if (const auto handler = FDownloadBegin) handler(this);
      return S_OK;
    case DISPID_DOWNLOADCOMPLETE:
      if (const auto handler = FDownloadComplete) handler(this);
      return S_OK;
    default:
      return E_NOTIMPL;
  }
}

}  // namespace vorn

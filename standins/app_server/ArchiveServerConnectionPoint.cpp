#include "standins/app_server/ArchiveServerConnectionPoint.h"

#include "standins/app_server/ArchiveServer.h"

namespace standins {

HRESULT ArchiveServerConnectionPoint::Fire(DISPID id, std::vector<com::Variant> args) {
  // Automation passes positional arguments last-declared first.
  std::vector<VARIANTARG> rgvarg(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) rgvarg[args.size() - 1 - i] = args[i];  // shallow: args owns them
  DISPPARAMS params = {rgvarg.empty() ? nullptr : rgvarg.data(), nullptr, static_cast<UINT>(rgvarg.size()), 0};
  return connections_.Fire(id, params);
}

void ArchiveServerConnectionPoint::Abandon() { connections_.Abandon(); }

HRESULT ArchiveServerConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
  *ppv = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

ULONG ArchiveServerConnectionPoint::AddRef() { return server_.AddRef(); }

ULONG ArchiveServerConnectionPoint::Release() { return server_.Release(); }

HRESULT ArchiveServerConnectionPoint::GetConnectionInterface(IID* pIID) {
  return server_.Serve(L"GetConnectionInterface", {}, [&]() -> HRESULT {
    if (!pIID) return E_POINTER;
    *pIID = vorn::DIID_IGUIServerEvents;
    return S_OK;
  });
}

HRESULT ArchiveServerConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (ppCPC) *ppCPC = nullptr;
  return server_.Serve(L"GetConnectionPointContainer", {}, [&]() -> HRESULT {
    if (!ppCPC) return E_POINTER;
    *ppCPC = static_cast<IConnectionPointContainer*>(&server_);
    (*ppCPC)->AddRef();
    return S_OK;
  });
}

HRESULT ArchiveServerConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (pdwCookie) *pdwCookie = 0;
  return server_.Serve(L"Advise", {}, [&]() -> HRESULT {
    return connections_.Advise(pUnkSink, vorn::DIID_IGUIServerEvents, pdwCookie);
  });
}

HRESULT ArchiveServerConnectionPoint::Unadvise(DWORD dwCookie) {
  return server_.Serve(L"Unadvise", {com::Variant(static_cast<LONG>(dwCookie))},
                       [&]() -> HRESULT { return connections_.Unadvise(dwCookie); });
}

HRESULT ArchiveServerConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return server_.Serve(L"EnumConnections", {}, [&]() -> HRESULT { return connections_.Enumerate(ppEnum); });
}

}  // namespace standins

#include "standins/app_server/ArchiveServerConnectionPoint.h"

#include "standins/app_server/ArchiveServer.h"
#include "standins/app_server/ConnectionEnumerators.h"

namespace standins {

HRESULT ArchiveServerConnectionPoint::Fire(DISPID id, std::vector<com::Variant> args) {
  // Automation passes positional arguments last-declared first.
  std::vector<VARIANTARG> rgvarg(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) rgvarg[args.size() - 1 - i] = args[i];  // shallow: args owns them
  DISPPARAMS params = {rgvarg.empty() ? nullptr : rgvarg.data(), nullptr, static_cast<UINT>(rgvarg.size()), 0};

  // A server in another process reaches a sink through a proxy, which the
  // sink's owner can cut (CoDisconnectObject) and then free the sink. In one
  // process the connection point plays that part: it calls a sink only while
  // it is advised and keeps no reference of its own across the call, so a
  // sink unadvised and freed by an earlier sink's handler is never touched.
  std::vector<DWORD> cookies;
  for (const Connection& c : connections_) cookies.push_back(c.cookie);
  HRESULT first = S_OK;
  for (DWORD cookie : cookies) {
    IDispatch* sink = nullptr;
    for (const Connection& c : connections_)
      if (c.cookie == cookie) sink = c.sink.Get();
    if (!sink) continue;
    com::Variant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep, &argErr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  return first;
}

void ArchiveServerConnectionPoint::Abandon() {
  // A process that went away neither calls nor releases its sinks again.
  for (Connection& c : connections_) c.sink.Detach();
  connections_.clear();
}

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
    if (!pUnkSink || !pdwCookie) return E_POINTER;
    // The sink must answer to the event interface; that answer is what gets called.
    com::ComPtr<IDispatch> sink;
    if (FAILED(pUnkSink->QueryInterface(vorn::DIID_IGUIServerEvents, sink.PutVoid())) || !sink)
      return CONNECT_E_CANNOTCONNECT;
    DWORD cookie = ++lastCookie_;
    if (cookie == 0) cookie = ++lastCookie_;
    connections_.push_back({cookie, std::move(sink)});
    *pdwCookie = cookie;
    return S_OK;
  });
}

HRESULT ArchiveServerConnectionPoint::Unadvise(DWORD dwCookie) {
  return server_.Serve(L"Unadvise", {com::Variant(static_cast<LONG>(dwCookie))}, [&]() -> HRESULT {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
      if (it->cookie == dwCookie) {
        com::ComPtr<IDispatch> sink = std::move(it->sink);
        connections_.erase(it);
        // Released after the list is consistent again: the sink's end may call back.
        sink.Reset();
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  });
}

HRESULT ArchiveServerConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return server_.Serve(L"EnumConnections", {}, [&]() -> HRESULT {
    if (!ppEnum) return E_POINTER;
    std::vector<ConnectionEnumerator::Item> items;
    for (const Connection& c : connections_) items.push_back({com::ComPtr<IUnknown>(c.sink.Get()), c.cookie});
    return com::CreateComObject<ConnectionEnumerator>(ppEnum, std::move(items));
  });
}

}  // namespace standins

#include "standins/events/SinkConnections.h"

#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"
#include "standins/events/ConnectionEnumerators.h"

namespace standins {

HRESULT SinkConnections::Advise(IUnknown* sink, REFIID eventIid, DWORD* cookie, bool plainDispatch) {
  if (cookie) *cookie = 0;
  if (!sink || !cookie) return E_POINTER;
  com::ComPtr<IDispatch> events;
  if (FAILED(sink->QueryInterface(eventIid, events.PutVoid())) || !events) {
    events.Reset();
    if (!plainDispatch || FAILED(sink->QueryInterface(IID_IDispatch, events.PutVoid())) || !events)
      return CONNECT_E_CANNOTCONNECT;
  }
  DWORD next = ++lastCookie_;
  if (next == 0) next = ++lastCookie_;
  connections_.push_back({next, std::move(events)});
  *cookie = next;
  return S_OK;
}

HRESULT SinkConnections::Unadvise(DWORD cookie) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->cookie == cookie) {
      com::ComPtr<IDispatch> sink = std::move(it->sink);
      connections_.erase(it);
      // Released after the list is consistent again: the sink's end may call back.
      sink.Reset();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT SinkConnections::Enumerate(IEnumConnections** ppEnum) const {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  std::vector<ConnectionEnumerator::Item> items;
  for (const Connection& c : connections_) items.push_back({com::ComPtr<IUnknown>(c.sink.Get()), c.cookie});
  return com::CreateComObject<ConnectionEnumerator>(ppEnum, std::move(items));
}

HRESULT SinkConnections::Fire(DISPID id, DISPPARAMS& params) {
  // A source in another process reaches a sink through a proxy, which the
  // sink's owner can cut (CoDisconnectObject) and then free the sink. In one
  // process the connection list plays that part: it calls a sink only while
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
    HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Ptr(), &excep,
                              &argErr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  return first;
}

void SinkConnections::Abandon() {
  for (Connection& c : connections_) c.sink.Detach();
  connections_.clear();
}

}  // namespace standins

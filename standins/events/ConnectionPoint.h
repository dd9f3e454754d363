// One connection point of a stand-in source for one dispatch event interface.
// It is part of its container: it shares the container's reference count, so
// a sink holding the connection point keeps the source alive and neither can
// outlive the other.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"
#include "standins/events/SinkConnections.h"

namespace standins {

class ConnectionPoint final : public IConnectionPoint {
 public:
  // plainDispatch: sinks answering only IDispatch are taken (SinkConnections::Advise).
  ConnectionPoint(IConnectionPointContainer& container, REFIID eventIid, bool plainDispatch = false)
      : container_(container), eventIid_(eventIid), plainDispatch_(plainDispatch) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  const IID& EventIid() const { return eventIid_; }
  SinkConnections& Connections() { return connections_; }

  // IUnknown: the container's count.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
    return connections_.Advise(pUnkSink, eventIid_, pdwCookie, plainDispatch_);
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override { return connections_.Unadvise(dwCookie); }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override {
    if (ppEnum) *ppEnum = nullptr;
    return connections_.Enumerate(ppEnum);
  }

 private:
  IConnectionPointContainer& container_;
  const IID eventIid_;
  const bool plainDispatch_;
  SinkConnections connections_;
};

}  // namespace standins

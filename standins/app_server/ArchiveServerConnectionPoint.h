// The archive server's one connection point, for IGUIServerEvents. It is part
// of the server: it shares the server's reference count, so a sink holding the
// connection point keeps the server alive and neither can outlive the other.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/Variant.h"
#include "standins/events/SinkConnections.h"

namespace standins {

class ArchiveServer;

class ArchiveServerConnectionPoint final : public IConnectionPoint {
 public:
  explicit ArchiveServerConnectionPoint(ArchiveServer& server) : server_(server) {}
  ArchiveServerConnectionPoint(const ArchiveServerConnectionPoint&) = delete;
  ArchiveServerConnectionPoint& operator=(const ArchiveServerConnectionPoint&) = delete;

  // Invokes every advised sink in the order of advice; args in declared order.
  HRESULT Fire(DISPID id, std::vector<com::Variant> args);
  std::size_t SinkCount() const { return connections_.Count(); }
  // Drops every connection without calling or releasing its sink, as the
  // end of the server's process would.
  void Abandon();

  // IUnknown: the server's count.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

 private:
  ArchiveServer& server_;
  SinkConnections connections_;
};

}  // namespace standins

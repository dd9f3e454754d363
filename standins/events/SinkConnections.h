// The sinks advised on one connection point of a stand-in source, and the
// calls that reach them: the part every outgoing interface of the stand-ins
// shares, whatever the source records or refuses around it.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"

namespace standins {

class SinkConnections {
 public:
  // sink must answer eventIid (a dispatch interface); that answer is what gets
  // called. With plainDispatch a sink that answers only IDispatch is taken
  // too, as the browser's own connection points take it.
  HRESULT Advise(IUnknown* sink, REFIID eventIid, DWORD* cookie, bool plainDispatch = false);
  HRESULT Unadvise(DWORD cookie);
  HRESULT Enumerate(IEnumConnections** ppEnum) const;
  // Invokes every advised sink in the order of advice; the first failure is answered.
  HRESULT Fire(DISPID id, DISPPARAMS& params);
  std::size_t Count() const { return connections_.size(); }
  // Drops every connection without calling or releasing its sink, as the
  // end of the source's process would.
  void Abandon();

 private:
  struct Connection {
    DWORD cookie;
    com::ComPtr<IDispatch> sink;
  };

  std::vector<Connection> connections_;
  DWORD lastCookie_ = 0;
};

}  // namespace standins

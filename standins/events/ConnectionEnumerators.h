// Enumerators of the connection-point protocol over a snapshot taken when
// they are made: what a source's connections or connection points were then.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/InterfaceTraits.h"

namespace standins {

class ConnectionEnumerator : public com::ComObject<IEnumConnections> {
  VORN_INTERFACE_TABLE_BEGIN(ConnectionEnumerator)
  VORN_ENTRY(IEnumConnections)
  VORN_INTERFACE_TABLE_END

 public:
  struct Item {
    com::ComPtr<IUnknown> sink;
    DWORD cookie;
  };
  explicit ConnectionEnumerator(std::vector<Item> items, std::size_t position = 0)
      : items_(std::move(items)), position_(position) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** ppEnum) override;

 private:
  std::vector<Item> items_;
  std::size_t position_;
};

class ConnectionPointEnumerator : public com::ComObject<IEnumConnectionPoints> {
  VORN_INTERFACE_TABLE_BEGIN(ConnectionPointEnumerator)
  VORN_ENTRY(IEnumConnectionPoints)
  VORN_INTERFACE_TABLE_END

 public:
  explicit ConnectionPointEnumerator(std::vector<com::ComPtr<IConnectionPoint>> points, std::size_t position = 0)
      : points_(std::move(points)), position_(position) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) override;

 private:
  std::vector<com::ComPtr<IConnectionPoint>> points_;
  std::size_t position_;
};

}  // namespace standins

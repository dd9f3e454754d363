#include "standins/events/ConnectionEnumerators.h"

#include <algorithm>

namespace standins {

namespace {

// IEnum*::Next: a count above one needs somewhere to report how many came.
bool NextArgumentsValid(ULONG count, const void* out, const ULONG* fetched) {
  return out && (fetched || count == 1);
}

}  // namespace

HRESULT ConnectionEnumerator::Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) {
  if (!NextArgumentsValid(cConnections, rgcd, pcFetched)) return E_POINTER;
  ULONG fetched = 0;
  while (fetched < cConnections && position_ < items_.size()) {
    const Item& item = items_[position_++];
    rgcd[fetched].pUnk = nullptr;
    item.sink.CopyTo(&rgcd[fetched].pUnk);
    rgcd[fetched].dwCookie = item.cookie;
    ++fetched;
  }
  if (pcFetched) *pcFetched = fetched;
  return fetched == cConnections ? S_OK : S_FALSE;
}

HRESULT ConnectionEnumerator::Skip(ULONG cConnections) {
  const std::size_t left = items_.size() - position_;
  position_ += std::min<std::size_t>(left, cConnections);
  return cConnections <= left ? S_OK : S_FALSE;
}

HRESULT ConnectionEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT ConnectionEnumerator::Clone(IEnumConnections** ppEnum) {
  return com::CreateComObject<ConnectionEnumerator>(ppEnum, items_, position_);
}

HRESULT ConnectionPointEnumerator::Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) {
  if (!NextArgumentsValid(cConnections, ppCP, pcFetched)) return E_POINTER;
  ULONG fetched = 0;
  while (fetched < cConnections && position_ < points_.size()) {
    ppCP[fetched] = nullptr;
    points_[position_++].CopyTo(&ppCP[fetched]);
    ++fetched;
  }
  if (pcFetched) *pcFetched = fetched;
  return fetched == cConnections ? S_OK : S_FALSE;
}

HRESULT ConnectionPointEnumerator::Skip(ULONG cConnections) {
  const std::size_t left = points_.size() - position_;
  position_ += std::min<std::size_t>(left, cConnections);
  return cConnections <= left ? S_OK : S_FALSE;
}

HRESULT ConnectionPointEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT ConnectionPointEnumerator::Clone(IEnumConnectionPoints** ppEnum) {
  return com::CreateComObject<ConnectionPointEnumerator>(ppEnum, points_, position_);
}

}  // namespace standins

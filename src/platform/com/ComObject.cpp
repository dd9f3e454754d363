#include "platform/com/ComObject.h"

namespace com {

HRESULT ComObjectRoot::InternalQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  auto table = InterfaceTable();
  if (table.empty()) return E_NOINTERFACE;
  IUnknown* itf = nullptr;
  if (IsEqualIID(riid, IID_IUnknown)) {
    itf = table.front().cast(this);
  } else {
    for (const auto& e : table) {
      if (IsEqualIID(riid, e.iid())) {
        itf = e.cast(this);
        break;
      }
    }
  }
  if (!itf) return E_NOINTERFACE;
  itf->AddRef();
  *ppv = itf;
  return S_OK;
}

ULONG ComObjectRoot::InternalRelease() {
  ULONG n = refs_.fetch_sub(1) - 1;
  if (n == 0) delete this;
  return n;
}

IUnknown* ComObjectRoot::Identity() {
  auto table = InterfaceTable();
  return table.empty() ? nullptr : table.front().cast(this);
}

bool ComObjectRoot::HasInterface(REFIID riid) {
  if (IsEqualIID(riid, IID_IUnknown)) return true;
  for (const auto& e : InterfaceTable())
    if (IsEqualIID(riid, e.iid())) return true;
  return false;
}

}  // namespace com

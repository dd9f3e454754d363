// The running-object table as GetActiveObject sees it: objects registered under
// a class identifier, looked up by that identifier, one table per process.
//
// Windows keeps a reference on a registered object whether the registration is
// strong or weak (the weak flag only changes how external connections are
// counted, which this runtime has no notion of), so both kinds hold one here.
#include <mutex>
#include <vector>

#include "platform/com/ComTypes.h"

namespace {

struct ActiveObject {
  DWORD token;
  CLSID clsid;
  IUnknown* object;  // one reference, given back by RevokeActiveObject
};

std::mutex g_lock;
std::vector<ActiveObject> g_table;
DWORD g_lastToken = 0;

}  // namespace

HRESULT RegisterActiveObject(IUnknown* punk, REFCLSID rclsid, DWORD dwFlags, DWORD* pdwRegister) {
  if (!punk || !pdwRegister) return E_INVALIDARG;
  if (dwFlags != ACTIVEOBJECT_STRONG && dwFlags != ACTIVEOBJECT_WEAK) return E_INVALIDARG;
  *pdwRegister = 0;
  // The table holds the object's identity, which is what a lookup hands out.
  IUnknown* identity = nullptr;
  if (HRESULT hr = punk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)); FAILED(hr)) return hr;
  if (!identity) return E_NOINTERFACE;
  std::lock_guard lock(g_lock);
  bool already = false;
  for (const ActiveObject& e : g_table)
    if (IsEqualCLSID(e.clsid, rclsid)) already = true;
  DWORD token = ++g_lastToken;
  if (token == 0) token = ++g_lastToken;  // 0 never names a registration
  g_table.push_back({token, rclsid, identity});
  *pdwRegister = token;
  // The second registration under one name still counts; lookups keep finding the first.
  return already ? MK_S_MONIKERALREADYREGISTERED : S_OK;
}

HRESULT RevokeActiveObject(DWORD dwRegister, void*) {
  IUnknown* released = nullptr;
  {
    std::lock_guard lock(g_lock);
    for (auto it = g_table.begin(); it != g_table.end(); ++it) {
      if (it->token == dwRegister) {
        released = it->object;
        g_table.erase(it);
        break;
      }
    }
  }
  if (!released) return E_INVALIDARG;
  // Outside the lock: the last release may run a destructor that uses the table.
  released->Release();
  return S_OK;
}

HRESULT GetActiveObject(REFCLSID rclsid, void*, IUnknown** ppunk) {
  if (!ppunk) return E_INVALIDARG;
  *ppunk = nullptr;
  std::lock_guard lock(g_lock);
  for (const ActiveObject& e : g_table) {
    if (IsEqualCLSID(e.clsid, rclsid)) {
      e.object->AddRef();
      *ppunk = e.object;
      return S_OK;
    }
  }
  return MK_E_UNAVAILABLE;
}

// In-process activation: the registry names the module, the module hands out
// its class objects. Modules stay loaded until CoFreeUnusedLibraries finds
// them idle, as on Windows.
#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/Text.h"
#include "platform/portable/com/BuiltInClasses.h"
#include "platform/win/RegKey.h"

namespace {

struct LoadedModule {
  void* handle = nullptr;
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

std::mutex g_modulesLock;
std::map<std::string, LoadedModule> g_modules;

struct RegisteredClass {
  CLSID clsid;
  IUnknown* object;  // one reference, held until revoked
  DWORD context;
};
std::mutex g_classesLock;
std::map<DWORD, RegisteredClass> g_classes;
DWORD g_lastClassCookie = 0;

// The registered class object for the context, with a reference of its own; null when none.
IUnknown* RegisteredClassObject(REFCLSID clsid, DWORD context) {
  std::lock_guard lock(g_classesLock);
  for (const auto& [cookie, entry] : g_classes)
    if (IsEqualCLSID(entry.clsid, clsid) && (entry.context & context)) {
      entry.object->AddRef();
      return entry.object;
    }
  return nullptr;
}

HRESULT LoadModule(const std::wstring& path, LoadedModule& out) {
  const std::string file = com::ToUtf8(path);
  std::lock_guard lock(g_modulesLock);
  auto it = g_modules.find(file);
  if (it == g_modules.end()) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return CO_E_DLLNOTFOUND;
    LoadedModule m;
    m.handle = handle;
    m.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    m.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"));
    if (!m.getClassObject) {
      dlclose(handle);
      return CO_E_ERRORINDLL;
    }
    it = g_modules.emplace(file, m).first;
  }
  out = it->second;
  return S_OK;
}

std::wstring ClsidKey(REFCLSID clsid) {
  OLECHAR buf[40] = {};
  StringFromGUID2(clsid, buf, 40);
  return std::wstring(L"CLSID\\") + buf;
}

}  // namespace

// Apartments are not modelled: every thread may use COM, so these only
// answer as Windows does for a first and a repeated initialisation.
HRESULT CoInitialize(LPVOID) { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD) {
  thread_local int depth = 0;
  return depth++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IUnknown* registered = RegisteredClassObject(rclsid, dwClsContext)) {
    const HRESULT hr = registered->QueryInterface(riid, ppv);
    registered->Release();
    return hr;
  }
  if (!(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  // The system's own classes need no registry entry; a registered class object still comes first.
  if (HRESULT hr = win::portable::GetBuiltInClassObject(rclsid, riid, ppv); hr != REGDB_E_CLASSNOTREG) return hr;
  win::RegKey key;
  if (key.Open(HKEY_CLASSES_ROOT, ClsidKey(rclsid) + L"\\InprocServer32") != ERROR_SUCCESS)
    return REGDB_E_CLASSNOTREG;
  const auto path = key.GetString(L"");
  if (!path || path->empty()) return REGDB_E_READREGDB;
  LoadedModule module;
  if (HRESULT hr = LoadModule(*path, module); FAILED(hr)) return hr;
  return module.getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(pUnkOuter, riid, ppv);
  factory->Release();
  return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  win::RegKey key;
  if (key.Open(HKEY_CLASSES_ROOT, std::wstring(lpszProgID) + L"\\Clsid") != ERROR_SUCCESS)
    return CO_E_CLASSSTRING;
  const auto text = key.GetString(L"");
  if (!text) return CO_E_CLASSSTRING;
  return CLSIDFromString(text->c_str(), lpclsid);
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD, DWORD* lpdwRegister) {
  if (!lpdwRegister) return E_INVALIDARG;
  *lpdwRegister = 0;
  if (!pUnk) return E_INVALIDARG;
  pUnk->AddRef();
  std::lock_guard lock(g_classesLock);
  DWORD cookie = ++g_lastClassCookie;
  if (cookie == 0) cookie = ++g_lastClassCookie;
  g_classes[cookie] = RegisteredClass{rclsid, pUnk, dwClsContext};
  *lpdwRegister = cookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  IUnknown* object = nullptr;
  {
    std::lock_guard lock(g_classesLock);
    auto it = g_classes.find(dwRegister);
    if (it == g_classes.end()) return CO_E_OBJNOTCONNECTED;
    object = it->second.object;
    g_classes.erase(it);
  }
  // Released outside the lock: the object's end may register or revoke again.
  object->Release();
  return S_OK;
}

void CoFreeUnusedLibraries() {
  std::lock_guard lock(g_modulesLock);
  for (auto it = g_modules.begin(); it != g_modules.end();) {
    if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
      dlclose(it->second.handle);
      it = g_modules.erase(it);
    } else {
      ++it;
    }
  }
}

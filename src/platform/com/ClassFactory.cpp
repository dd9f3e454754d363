#include "platform/com/ClassFactory.h"

#include "platform/com/Boundary.h"
#include "platform/com/ComError.h"
#include "platform/com/ModuleCounters.h"
#include "platform/win/RegKey.h"

namespace com {

const wchar_t* ThreadingModelName(ThreadingModel model) {
  switch (model) {
    case ThreadingModel::Apartment: return L"Apartment";
    case ThreadingModel::Free: return L"Free";
    case ThreadingModel::Both: return L"Both";
    case ThreadingModel::Neutral: return L"Neutral";
    case ThreadingModel::Single: break;
  }
  return L"";
}

void CreateRegKey(const std::wstring& subKey, const std::wstring& valueName, const std::wstring& value) {
  win::RegKey key;
  if (key.Create(HKEY_CLASSES_ROOT, subKey, KEY_WRITE) != ERROR_SUCCESS ||
      key.SetString(valueName, value) != ERROR_SUCCESS)
    throw ComError(E_FAIL, kRegistryEntryError);
}

ClassFactory::ClassFactory(const CLSID& clsid, std::wstring libraryName, std::wstring className,
                           std::wstring description, ObjectCreator creator, Instancing instancing,
                           ThreadingModel threading)
    : clsid_(clsid),
      libraryName_(std::move(libraryName)),
      className_(std::move(className)),
      description_(std::move(description)),
      creator_(creator),
      instancing_(instancing),
      threading_(threading) {}

ClassFactory::~ClassFactory() = default;

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

// The module owns the factory; a reference only keeps the module loaded.
ULONG ClassFactory::AddRef() {
  ModuleCounters::FactoryAddRef();
  return 2;
}

ULONG ClassFactory::Release() {
  ModuleCounters::FactoryRelease();
  return 1;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  return Boundary(MayFail, [&] {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return creator_(riid, ppv);
  });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock)
    ModuleCounters::Lock();
  else
    ModuleCounters::Unlock();
  return S_OK;
}

std::wstring ClassFactory::ClsidString() const { return GuidToString(clsid_); }

void ClassFactory::UpdateRegistry(bool reg, const RegistrationContext& ctx) {
  if (reg)
    RegisterGenericEntries(ctx);
  else
    UnregisterGenericEntries();
}

void ClassFactory::RegisterGenericEntries(const RegistrationContext& ctx) {
  const std::wstring clsidKey = L"CLSID\\" + ClsidString();
  CreateRegKey(clsidKey, L"", description_);
  CreateRegKey(clsidKey + L"\\InprocServer32", L"", ctx.modulePath);
  CreateRegKey(clsidKey + L"\\InprocServer32", L"ThreadingModel", ThreadingModelName(threading_));
  const std::wstring progId = ProgId();
  CreateRegKey(progId, L"", description_);
  CreateRegKey(progId + L"\\Clsid", L"", ClsidString());
  CreateRegKey(clsidKey + L"\\ProgID", L"", progId);
  CreateRegKey(clsidKey + L"\\Version", L"", ctx.typeLibVersion);
  CreateRegKey(clsidKey + L"\\TypeLib", L"", ctx.typeLibGuid);
}

void ClassFactory::UnregisterGenericEntries() {
  const std::wstring clsidKey = L"CLSID\\" + ClsidString();
  const std::wstring progId = ProgId();
  for (const std::wstring& key : {clsidKey + L"\\TypeLib", clsidKey + L"\\Version", clsidKey + L"\\ProgID",
                                  progId + L"\\Clsid", progId, clsidKey + L"\\InprocServer32", clsidKey})
    win::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

}  // namespace com

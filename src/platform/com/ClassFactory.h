// The class-factory base: one factory per coclass, owned by the module from
// load to unload. Host references to a factory are counted for
// DllCanUnloadNow but never free it.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/GuidString.h"

namespace com {

enum class Instancing { SingleInstance, MultiInstance };
enum class ThreadingModel { Single, Apartment, Free, Both, Neutral };

const wchar_t* ThreadingModelName(ThreadingModel model);

// Creates a new object of the factory's class and queries it for riid.
using ObjectCreator = HRESULT (*)(REFIID riid, void** ppv);

// Where the module lives and what its type library says; filled in by the
// module before registration runs.
struct RegistrationContext {
  std::wstring modulePath;      // as written under InprocServer32
  std::wstring typeLibGuid;     // braced upper-case
  std::wstring typeLibVersion;  // "1.0"
};

class ClassFactory : public IClassFactory {
 public:
  // className and description come from the coclass's type information.
  ClassFactory(const CLSID& clsid, std::wstring libraryName, std::wstring className, std::wstring description,
               ObjectCreator creator, Instancing instancing, ThreadingModel threading);
  virtual ~ClassFactory();
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  const CLSID& Clsid() const { return clsid_; }
  std::wstring ClsidString() const;
  const std::wstring& ClassName() const { return className_; }
  const std::wstring& Description() const { return description_; }
  // "<library>.<class>"
  std::wstring ProgId() const { return libraryName_ + L"." + className_; }
  Instancing GetInstancing() const { return instancing_; }
  ThreadingModel GetThreadingModel() const { return threading_; }

  // Writes (register) or removes (unregister) the class's registry entries.
  // Registration raises ComError on the first entry it cannot write;
  // unregistration ignores every failure.
  virtual void UpdateRegistry(bool reg, const RegistrationContext& ctx);

 protected:
  void RegisterGenericEntries(const RegistrationContext& ctx);
  void UnregisterGenericEntries();

 private:
  CLSID clsid_;
  std::wstring libraryName_;
  std::wstring className_;
  std::wstring description_;
  ObjectCreator creator_;
  Instancing instancing_;
  ThreadingModel threading_;
};

// Text raised when a registry entry cannot be written.
inline constexpr const wchar_t* kRegistryEntryError = L"Error creating system registry entry";

// Writes HKEY_CLASSES_ROOT\subKey's value; raises ComError(E_FAIL, kRegistryEntryError) on failure.
void CreateRegKey(const std::wstring& subKey, const std::wstring& valueName, const std::wstring& value);

}  // namespace com

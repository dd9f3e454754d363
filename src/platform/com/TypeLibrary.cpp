#include "platform/com/TypeLibrary.h"

#include "platform/com/ComError.h"
#include "platform/win/Module.h"

namespace com {

HRESULT LoadModuleTypeLib(const TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
#ifdef _WIN32
  (void)model;
  return LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, out);
#else
  return portable::CreateModelTypeLib(model, modulePath, out);
#endif
}

HRESULT LoadOwnTypeLib(const TypeLibModel& model, ITypeLib** out) {
  static const int anchor = 0;
  try {
    return LoadModuleTypeLib(model, win::ModuleFileNameOf(&anchor), out);
  } catch (...) {
    return HResultFromCurrentException();
  }
}

HRESULT LoadOwnTypeInfo(const TypeLibModel& model, REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ITypeLib> lib;
  if (HRESULT hr = LoadOwnTypeLib(model, lib.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, out);
}

}  // namespace com

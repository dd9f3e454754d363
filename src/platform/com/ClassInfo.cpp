#include "platform/com/ClassInfo.h"

#include <atomic>

#include "platform/com/TypeLibrary.h"

namespace com {
namespace {

std::atomic<const TypeLibModel*> g_moduleModel{nullptr};

}  // namespace

void SetModuleTypeLibModel(const TypeLibModel* model) { g_moduleModel.store(model); }

const TypeLibModel* ModuleTypeLibModel() { return g_moduleModel.load(); }

HRESULT GetCoClassTypeInfo(const TypeLibModel& model, REFCLSID clsid, ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  *ppTI = nullptr;
  if (!model.FindCoClass(clsid)) return TYPE_E_ELEMENTNOTFOUND;
  return LoadOwnTypeInfo(model, clsid, ppTI);
}

HRESULT GetCoClassTypeInfo(REFCLSID clsid, ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  *ppTI = nullptr;
  const TypeLibModel* model = ModuleTypeLibModel();
  return model ? GetCoClassTypeInfo(*model, clsid, ppTI) : E_UNEXPECTED;
}

}  // namespace com

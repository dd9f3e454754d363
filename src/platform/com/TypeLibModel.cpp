#include "platform/com/TypeLibModel.h"

#include "platform/com/Text.h"

namespace com {

int MethodModel::ParamIndex(std::wstring_view paramName) const {
  for (std::size_t i = 0; i < params.size(); ++i)
    if (EqualsNoCase(params[i].name, paramName)) return static_cast<int>(i);
  return -1;
}

const MethodModel* TypeInfoModel::FindMethod(DISPID dispid) const {
  for (const auto& m : methods)
    if (m.dispid == dispid) return &m;
  return nullptr;
}

const MethodModel* TypeInfoModel::FindMethod(std::wstring_view methodName) const {
  for (const auto& m : methods)
    if (EqualsNoCase(m.name, methodName)) return &m;
  return nullptr;
}

UINT TypeInfoModel::FirstMethodSlot() const {
  if (kind == TypeKind::DualInterface || IsEqualGUID(base, IID_IDispatch)) return 7;
  return 3;
}

const TypeInfoModel* TypeLibModel::FindType(REFGUID guid) const {
  int i = IndexOf(guid);
  return i < 0 ? nullptr : &types[static_cast<std::size_t>(i)];
}

const CoClassModel* TypeLibModel::FindCoClass(REFCLSID clsid) const {
  const TypeInfoModel* t = FindType(clsid);
  return t && t->kind == TypeKind::CoClass ? t : nullptr;
}

const InterfaceModel* TypeLibModel::FindInterface(REFIID iid) const {
  const TypeInfoModel* t = FindType(iid);
  return t && t->IsInterface() ? t : nullptr;
}

int TypeLibModel::IndexOf(REFGUID guid) const {
  for (std::size_t i = 0; i < types.size(); ++i)
    if (IsEqualGUID(types[i].guid, guid)) return static_cast<int>(i);
  return -1;
}

}  // namespace com

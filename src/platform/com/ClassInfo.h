// IProvideClassInfo and ISupportErrorInfo for any class of the module, also
// for objects that are not automation objects (the toolbar bands): their
// coclass's type information comes from the module's type library.
#pragma once

#include "platform/com/TypeLibModel.h"

namespace com {

// The module's type library model, set once by the module (its model's unit
// does it while the module loads) and read by the clsid-only lookups below.
void SetModuleTypeLibModel(const TypeLibModel* model);
const TypeLibModel* ModuleTypeLibModel();

// IProvideClassInfo::GetClassInfo: the coclass's ITypeInfo (TKIND_COCLASS).
// TYPE_E_ELEMENTNOTFOUND when the library has no such coclass.
HRESULT GetCoClassTypeInfo(const TypeLibModel& model, REFCLSID clsid, ITypeInfo** ppTI);
// Same from the module's model; E_UNEXPECTED when none is set.
HRESULT GetCoClassTypeInfo(REFCLSID clsid, ITypeInfo** ppTI);

// ISupportErrorInfo::InterfaceSupportsErrorInfo for an object that reports
// errors on every interface it answers: S_OK when it answers riid, else S_FALSE.
inline HRESULT SupportsErrorInfo(bool answersInterface) { return answersInterface ? S_OK : S_FALSE; }

}  // namespace com

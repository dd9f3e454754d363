// Loading a module's type library, and the type information the library's
// objects hand out (IDispatch::GetTypeInfo, IProvideClassInfo).
//
// Windows reads the module's TYPELIB resource (compiled from the .idl); the
// portable build serves the same library from the module's in-code model.
// The ITypeLib, ITypeInfo and registration declarations themselves are in
// ComTypes.h (OaTypes.h on the portable build).
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/TypeLibModel.h"

VORN_DECLARE_IID(ITypeInfo, IID_ITypeInfo);
VORN_DECLARE_IID(ITypeLib, IID_ITypeLib);

namespace com {

// The type library of the module file modulePath, whose in-code description
// is model. Windows: LoadTypeLibEx(modulePath, REGKIND_NONE), which reads
// resource TYPELIB 1. Portable: an ITypeLib over a copy of the model.
HRESULT LoadModuleTypeLib(const TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out);

// Same, for the module this code is linked into.
HRESULT LoadOwnTypeLib(const TypeLibModel& model, ITypeLib** out);

// The type info with that GUID in the module's own library: a coclass, an
// interface, or for a dual interface its dispatch view (as Windows answers).
// TYPE_E_ELEMENTNOTFOUND when the library has no such type.
HRESULT LoadOwnTypeInfo(const TypeLibModel& model, REFGUID guid, ITypeInfo** out);

#ifndef _WIN32
namespace portable {

// The portable system's loader, which LoadModuleTypeLib calls where Windows
// reads the module's resource: an ITypeLib (with its ITypeInfos) holding a
// copy of the model's description. It keeps nothing of the module (no
// invokers), so it may outlive the module that supplied the model.
HRESULT CreateModelTypeLib(const TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out);

}  // namespace portable
#endif

}  // namespace com

// The portable system's type-library loader: where Windows reads a module's
// TYPELIB resource, the portable build reads the module's in-code model.
// Only platform code calls this (com::LoadModuleTypeLib).
#pragma once

#include <string>

#include "platform/com/TypeLibModel.h"

namespace com::portable {

// An ITypeLib (with its ITypeInfos) holding a copy of the model's
// description; it keeps nothing of the module (no invokers), so it may
// outlive the module that supplied the model.
HRESULT CreateModelTypeLib(const TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out);

}  // namespace com::portable

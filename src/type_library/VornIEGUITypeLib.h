// The library's type library in code: the single source in code for the
// class factories' names and descriptions, the portable ITypeLib/ITypeInfo
// and the automation objects' IDispatch. It says what VornIEGUI.idl says.
#pragma once

#include "type_library/VornIEGUI_TLB.h"
#include "platform/com/TypeLibModel.h"

namespace vorn {

const com::TypeLibModel& VornIEGUITypeLibModel();

}  // namespace vorn

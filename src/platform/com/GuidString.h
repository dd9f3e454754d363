// GUIDs as the registry and the type library write them.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

namespace com {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::wstring GuidToString(const GUID& guid);

}  // namespace com

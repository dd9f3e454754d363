// The toolkit's window classes, registered once per module (each module that
// links the toolkit has its own instance handle and its own classes, as DLLs
// do on Windows) and unregistered when the module goes away, so that a module
// loaded again never meets a class that points into its previous copy.
#pragma once

#include <string>

#include "platform/win/WindowTypes.h"

namespace forms::detail {

// The instance handle of the module this code is linked into.
HINSTANCE ModuleInstance();

// Registers class `name` of this module with the given procedure and room for
// one pointer of window extra bytes, unless done already. com::ComError on failure.
void EnsureWindowClass(const std::wstring& name, UINT classStyle, WNDPROC proc);

}  // namespace forms::detail

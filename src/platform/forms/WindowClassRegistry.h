// The toolkit's window classes, registered once per module (each module that
// links the toolkit has its own instance handle and its own classes, as DLLs
// do on Windows) and unregistered when the module goes away, so that a module
// loaded again never meets a class that points into its previous copy.
//
// A class may be made over one of the system's controls (a superclass: the
// system's toolbar, say). Its windows look and behave as the system's control
// does, the toolkit's procedure sees every message first and leaves what it
// does not handle to the system class's procedure. The control pointer then
// lives after the system class's own extra bytes.
#pragma once

#include <string>

#include "platform/win/WindowTypes.h"

namespace forms::detail {

// The instance handle of the module this code is linked into.
HINSTANCE ModuleInstance();

// Registers class `name` of this module with the given procedure and room for
// one pointer of window extra bytes, unless done already; with `systemClass`,
// as a superclass of that system class. Answers the procedure that handles
// what the toolkit leaves: the system class's, else DefWindowProcW.
// com::ComError on failure (a system class this system does not have included).
WNDPROC EnsureWindowClass(const std::wstring& name, UINT classStyle, WNDPROC proc,
                          const std::wstring& systemClass = std::wstring());

// The byte offset of the control pointer in the extra bytes of a window of a toolkit class.
int ControlSlot(HWND hwnd);

// The procedure a window of a toolkit class leaves messages to when no
// control is attached to it (before WM_NCCREATE, after WM_NCDESTROY).
WNDPROC ClassDefaultProc(HWND hwnd);

}  // namespace forms::detail

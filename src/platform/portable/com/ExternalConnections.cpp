// CoDisconnectObject cuts the references other processes hold on an object
// through its stubs. This runtime never hands an object to another process, so
// there is nothing to cut; references inside the process stay, as on Windows.
#include "platform/com/ComTypes.h"

HRESULT CoDisconnectObject(IUnknown* pUnk, DWORD) { return pUnk ? S_OK : E_INVALIDARG; }

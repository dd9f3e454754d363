// Classes the portable COM runtime serves itself, as Windows serves its own
// without the caller's registry: the URL history store (UrlHistory.cpp).
#pragma once

#include "platform/com/ComTypes.h"

namespace win::portable {

// The class object of a built-in class, REGDB_E_CLASSNOTREG for any other class.
HRESULT GetBuiltInClassObject(REFCLSID clsid, REFIID riid, void** ppv);

}  // namespace win::portable

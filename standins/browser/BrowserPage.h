// What the stand-in browser shows at an address: about:blank is an empty
// document, a file: address or a plain path is that file through the HTML
// stand-in. An address that cannot be loaded (a missing file, another scheme:
// the stand-in has no network) still gives an empty document at that address,
// as a browser shows its error page, with the reason beside it.
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"

namespace standins {

struct BrowserPage {
  com::ComPtr<IDispatch> document;  // never null
  std::wstring url;                 // the address the document has (a path becomes its file: address)
  std::wstring error;               // why the address could not be loaded; empty when it was
};

BrowserPage LoadBrowserPage(const std::wstring& address);

}  // namespace standins

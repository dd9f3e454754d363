// The browser window's events: the dispatch interface DWebBrowserEvents2 that
// its connection point offers, and the DISPIDs of the events the library and
// its hosts handle.
#pragma once

#include "platform/browser/WebBrowserInterface.h"

#ifdef _WIN32
#include <exdispid.h>
#else

extern "C" const IID DIID_DWebBrowserEvents2;

#define DISPID_QUIT 103
#define DISPID_ONQUIT 253
#define DISPID_DOWNLOADCOMPLETE 104
#define DISPID_DOWNLOADBEGIN 106
#define DISPID_BEFORENAVIGATE2 250
#define DISPID_NAVIGATECOMPLETE2 252
#define DISPID_DOCUMENTCOMPLETE 259

#endif  // !_WIN32

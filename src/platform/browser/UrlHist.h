// The browser's URL history store: the class that keeps the visited
// addresses and the interface through which the privacy cleaner empties it.
//
// On Windows these are the system's (urlhist.h). On the portable build the
// COM runtime serves the class itself, in-process and without a registry
// entry, as the system serves its own classes: a history of this process
// whose addresses platform/portable/system/UrlHistoryControl.h adds and reads.
// A class registered for CLSID_CUrlHistory with CoRegisterClassObject is
// served in its place, as on Windows.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"

#ifdef _WIN32
#include <shlguid.h>
#include <urlhist.h>
#else

struct STATURL;
struct IEnumSTATURL;
struct IOleCommandTarget;

extern "C" const CLSID CLSID_CUrlHistory;
extern "C" const IID IID_IUrlHistoryStg;
extern "C" const IID IID_IUrlHistoryStg2;

interface IUrlHistoryStg : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddUrl(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteUrl(LPCOLESTR pocsUrl, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryUrl(LPCOLESTR pocsUrl, DWORD dwFlags, STATURL* lpSTATURL) = 0;
  virtual HRESULT STDMETHODCALLTYPE BindToObject(LPCOLESTR pocsUrl, REFIID riid, void** ppvOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumUrls(IEnumSTATURL** ppEnum) = 0;
};

interface IUrlHistoryStg2 : IUrlHistoryStg {
  virtual HRESULT STDMETHODCALLTYPE AddUrlAndNotify(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD dwFlags,
                                                    BOOL fWriteHistory, IOleCommandTarget* poctNotify,
                                                    IUnknown* punkISFolder) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearHistory() = 0;
};

#endif  // !_WIN32

VORN_DECLARE_IID(IUrlHistoryStg, IID_IUrlHistoryStg);
VORN_DECLARE_IID(IUrlHistoryStg2, IID_IUrlHistoryStg2);

// C++ declarations of the library's type library (VornIEGUI.idl): its GUIDs
// and the four interfaces, in interface-table order.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"

extern const GUID LIBID_VornIEGUI;

extern const IID IID_IVornIEExplorerBar;
extern const CLSID CLSID_VornIEExplorerBar;
extern const IID IID_IVornOffUtils;
extern const CLSID CLSID_VornOffUtils;
extern const IID IID_IVornBHOGUI;
extern const CLSID CLSID_VornBHOGUI;
extern const IID IID_IBriselQLToolbar;
extern const CLSID CLSID_BriselQLToolbar;

// Identifies the main toolbar band; no methods.
interface IVornIEExplorerBar : IUnknown {};

// Page utilities for the application and its browser helper object.
interface IVornOffUtils : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OpenLinks(VARIANT ADocument, LONG AOnlySel) = 0;
  virtual HRESULT STDMETHODCALLTYPE HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddBanners(VARIANT ADocument, VARIANT AElement) = 0;
  virtual HRESULT STDMETHODCALLTYPE CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists,
                                                      IUnknown* AServer) = 0;
};

// Link hints and advertising for the browser helper object. The type
// library calls the window parameters "HWND"; C++ cannot reuse the type's name.
interface IVornBHOGUI : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE MouseOverLink(LONG HWND_, LONG X, LONG Y, BSTR URL, IUnknown* StowlyServer) = 0;
  virtual HRESULT STDMETHODCALLTYPE MouseOutLink() = 0;
  virtual HRESULT STDMETHODCALLTYPE MouseMove(LONG X, LONG Y) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowOurAdvertising(LONG HWND_, IUnknown* MainServer) = 0;
};

// Identifies the quick-links toolbar band; no methods.
interface IBriselQLToolbar : IUnknown {};

VORN_DECLARE_IID(IVornIEExplorerBar, IID_IVornIEExplorerBar);
VORN_DECLARE_IID(IVornOffUtils, IID_IVornOffUtils);
VORN_DECLARE_IID(IVornBHOGUI, IID_IVornBHOGUI);
VORN_DECLARE_IID(IBriselQLToolbar, IID_IBriselQLToolbar);

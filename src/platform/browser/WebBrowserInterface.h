// The browser window's automation interface.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/browser/BandInterfaces.h"

#ifdef _WIN32
#include <exdisp.h>
#else

using SHANDLE_PTR = LONG_PTR;

enum OLECMDID { OLECMDID_OPEN = 1, OLECMDID_PRINT = 6, OLECMDID_REFRESH = 22, OLECMDID_STOP = 23 };
enum OLECMDF { OLECMDF_SUPPORTED = 1, OLECMDF_ENABLED = 2, OLECMDF_LATCHED = 4, OLECMDF_NINCHED = 8 };
enum READYSTATE {
  READYSTATE_UNINITIALIZED = 0,
  READYSTATE_LOADING = 1,
  READYSTATE_LOADED = 2,
  READYSTATE_INTERACTIVE = 3,
  READYSTATE_COMPLETE = 4
};
enum BrowserNavConstants { navOpenInNewWindow = 0x1, navNoHistory = 0x2, navNoReadFromCache = 0x4 };

extern "C" const IID IID_IWebBrowser2;
// The system's browser application: a new browser window per object.
extern "C" const CLSID CLSID_InternetExplorer;

// The three interface generations in one declaration, in v-table order.
interface IWebBrowser2 : IDispatch {
  // IWebBrowser
  virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoHome() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoSearch() = 0;
  virtual HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                             VARIANT* Headers) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* Level) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Left(LONG Left) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Top(LONG Top) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Width(LONG Width) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Height(LONG Height) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) = 0;
  // IWebBrowserApp
  virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
  virtual HRESULT STDMETHODCALLTYPE ClientToWindow(int* pcx, int* pcy) = 0;
  virtual HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT* pvtValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* pbFullScreen) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) = 0;
  // IWebBrowser2
  virtual HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                              VARIANT* PostData, VARIANT* Headers) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF* pcmdf) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT* pvaIn,
                                           VARIANT* pvaOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* pbOffline) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) = 0;
};

#endif  // !_WIN32

VORN_DECLARE_IID(IWebBrowser2, IID_IWebBrowser2);

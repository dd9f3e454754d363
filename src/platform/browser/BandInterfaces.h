// The shell's band-hosting interfaces: what a browser toolbar band answers
// and what its site offers.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/Stream.h"
#include "platform/win/Window.h"

#ifdef _WIN32
#include <docobj.h>
#include <servprov.h>
#include <shlobj.h>
#else

struct POINTL {
  LONG x;
  LONG y;
};

extern "C" const IID IID_IOleWindow;
extern "C" const IID IID_IDockingWindow;
extern "C" const IID IID_IDeskBand;
extern "C" const IID IID_IObjectWithSite;
extern "C" const IID IID_IInputObject;
extern "C" const IID IID_IInputObjectSite;
extern "C" const IID IID_IPersist;
extern "C" const IID IID_IPersistStream;
extern "C" const IID IID_IOleCommandTarget;
extern "C" const IID IID_IServiceProvider;
extern "C" const GUID CGID_DeskBand;

interface IOleWindow : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) = 0;
};

interface IDockingWindow : IOleWindow {
  virtual HRESULT STDMETHODCALLTYPE ShowDW(BOOL fShow) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloseDW(DWORD dwReserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResizeBorderDW(const RECT* prcBorder, IUnknown* punkToolbarSite,
                                                   BOOL fReserved) = 0;
};

struct DESKBANDINFO {
  DWORD dwMask;
  POINTL ptMinSize;
  POINTL ptMaxSize;
  POINTL ptIntegral;
  POINTL ptActual;
  WCHAR wszTitle[256];
  DWORD dwModeFlags;
  COLORREF crBkgnd;
};

#define DBIM_MINSIZE 0x0001
#define DBIM_MAXSIZE 0x0002
#define DBIM_INTEGRAL 0x0004
#define DBIM_ACTUAL 0x0008
#define DBIM_TITLE 0x0010
#define DBIM_MODEFLAGS 0x0020
#define DBIM_BKCOLOR 0x0040
#define DBIMF_NORMAL 0x0000
#define DBIMF_VARIABLEHEIGHT 0x0008
#define DBIMF_BKCOLOR 0x0040
#define DBIF_VIEWMODE_NORMAL 0x0000
#define DBID_BANDINFOCHANGED 0

interface IDeskBand : IDockingWindow {
  virtual HRESULT STDMETHODCALLTYPE GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) = 0;
};

interface IObjectWithSite : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) = 0;
};

interface IInputObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE UIActivateIO(BOOL fActivate, MSG* pMsg) = 0;
  virtual HRESULT STDMETHODCALLTYPE HasFocusIO() = 0;
  virtual HRESULT STDMETHODCALLTYPE TranslateAcceleratorIO(MSG* pMsg) = 0;
};

interface IInputObjectSite : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown* punkObj, BOOL fSetFocus) = 0;
};

interface IPersist : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) = 0;
};

interface IPersistStream : IPersist {
  virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(IStream* pStm) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(IStream* pStm, BOOL fClearDirty) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pcbSize) = 0;
};

struct OLECMD {
  ULONG cmdID;
  DWORD cmdf;
};
struct OLECMDTEXT {
  DWORD cmdtextf;
  ULONG cwActual;
  ULONG cwBuf;
  wchar_t rgwz[1];
};
enum OLECMDEXECOPT {
  OLECMDEXECOPT_DODEFAULT = 0,
  OLECMDEXECOPT_PROMPTUSER = 1,
  OLECMDEXECOPT_DONTPROMPTUSER = 2,
  OLECMDEXECOPT_SHOWHELP = 3
};

interface IOleCommandTarget : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* pguidCmdGroup, ULONG cCmds, OLECMD prgCmds[],
                                                OLECMDTEXT* pCmdText) = 0;
  virtual HRESULT STDMETHODCALLTYPE Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt,
                                         VARIANT* pvaIn, VARIANT* pvaOut) = 0;
};

interface IServiceProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID guidService, REFIID riid, void** ppvObject) = 0;
};

#endif  // !_WIN32

// The category a desk band implements, and the service that yields the browser.
extern "C" const GUID CATID_DeskBand_Vorn;  // {00021492-0000-0000-C000-000000000046}
extern "C" const GUID SID_SWebBrowserApp_Vorn;  // {0002DF05-0000-0000-C000-000000000046}

VORN_DECLARE_IID(IOleWindow, IID_IOleWindow);
VORN_DECLARE_IID(IDockingWindow, IID_IDockingWindow);
VORN_DECLARE_IID(IDeskBand, IID_IDeskBand);
VORN_DECLARE_IID(IObjectWithSite, IID_IObjectWithSite);
VORN_DECLARE_IID(IInputObject, IID_IInputObject);
VORN_DECLARE_IID(IInputObjectSite, IID_IInputObjectSite);
VORN_DECLARE_IID(IPersist, IID_IPersist);
VORN_DECLARE_IID(IPersistStream, IID_IPersistStream);
VORN_DECLARE_IID(IOleCommandTarget, IID_IOleCommandTarget);
VORN_DECLARE_IID(IServiceProvider, IID_IServiceProvider);

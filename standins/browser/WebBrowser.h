// A browser window as the band and the toolbars see it: an IWebBrowser2 with
// a frame window, an address, navigation requests and a visible state, and
// its events (DWebBrowserEvents2) through a connection point.
//
// Navigate and Navigate2 in the window itself fire BeforeNavigate2 (a sink
// may cancel there), load the address as BrowserPage.h says, and fire
// NavigateComplete2 and DocumentComplete with the document's address; the
// arguments are passed as the browser passes them. A navigation into a new
// window or a named frame is only recorded. NavigateFrame plays a navigation
// inside a frame of the page: the same events, about the frame's own browser
// object. Quit fires the window's quit event (DISPID_ONQUIT). As the
// browser's own, the connection point takes sinks that answer only IDispatch.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "standins/events/ConnectionPoint.h"

namespace standins {

class WebBrowser : public com::ComObject<IWebBrowser2, IConnectionPointContainer> {
  VORN_INTERFACE_TABLE_BEGIN(WebBrowser)
  VORN_ENTRY(IWebBrowser2)
  VORN_ENTRY(IDispatch)
  VORN_ENTRY(IConnectionPointContainer)
  VORN_INTERFACE_TABLE_END

 public:
  struct Navigation {
    std::wstring url;
    LONG flags = 0;
    std::wstring targetFrame;
    bool cancelled = false;  // a BeforeNavigate2 sink set Cancel
    std::wstring loadError;  // why the address could not be loaded (an empty document shows instead)
  };

  // frame: the browser's top-level window (may be null for a browser without one).
  static com::ComPtr<WebBrowser> Create(HWND frame = nullptr);

  const std::vector<Navigation>& Navigations() const { return navigations_; }
  // A navigation of the frame `name` to url, as the page's own script or a
  // click inside the frame starts it: BeforeNavigate2, then, unless a sink
  // cancelled, NavigateComplete2 and DocumentComplete, each with the frame's
  // browser object as pDisp. The window's address stays. False when cancelled.
  bool NavigateFrame(const std::wstring& name, const std::wstring& url);
  // The browser object of the frame `name` (made at its first navigation; null before).
  IDispatch* Frame(const std::wstring& name) const;
  // Fires any event of the window's connection point, as the browser would.
  HRESULT FireEvent(DISPID id, DISPPARAMS& params) { return events_->Connections().Fire(id, params); }
  bool QuitCalled() const { return quit_; }
  bool Visible() const { return visible_; }
  void SetLocation(std::wstring url, std::wstring title);
  // The document the browser shows (null: none).
  void SetDocument(com::ComPtr<IDispatch> document) { document_ = std::move(document); }
  // Failure injection: get_Document answers hr from now on (S_OK: the document again).
  void FailDocument(HRESULT hr) { documentFailure_ = hr; }
  std::size_t EventSinkCount() const { return events_->Connections().Count(); }

  // IDispatch: the stand-in is bound early only.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  // IWebBrowser
  HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                     VARIANT* Headers) override;
  HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) override { return get_Application(ppDisp); }
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) override;
  HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) override;
  HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) override { return GetLong(pl, 0); }
  HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) override { return GetLong(pl, 0); }
  HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) override { return GetLong(pl, 1024); }
  HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) override { return GetLong(pl, 768); }
  HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) override;
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) override;
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) override { return GetBool(pBool, false); }
  // IWebBrowserApp
  HRESULT STDMETHODCALLTYPE Quit() override;
  HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) override;
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) override;
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) override;
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) override { return GetBool(pBool, visible_); }
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) override { return GetBool(pBool, true); }
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) override;
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) override;
  HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) override;
  HRESULT STDMETHODCALLTYPE put_ToolBar(int) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) override { return GetBool(Value, true); }
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* p) override { return GetBool(p, false); }
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override { return S_OK; }
  // IWebBrowser2
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                      VARIANT* Headers) override;
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF* pcmdf) override;
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) override;
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* p) override { return GetBool(p, false); }
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* p) override { return GetBool(p, false); }
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* p) override { return GetBool(p, false); }
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* p) override { return GetBool(p, true); }
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* p) override { return GetBool(p, false); }
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* p) override { return GetBool(p, true); }
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* p) override { return GetBool(p, true); }
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL) override { return S_OK; }
  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

 protected:
  explicit WebBrowser(HWND frame);

 private:
  // Whether the sinks let the navigation go on.
  bool FireBeforeNavigate2(IDispatch* about, const Navigation& nav);
  void FireNavigateComplete(DISPID id, IDispatch* about, const std::wstring& url);
  IDispatch* Self() { return static_cast<IWebBrowser2*>(this); }

  static HRESULT GetLong(LONG* out, LONG value);
  static HRESULT GetBool(VARIANT_BOOL* out, bool value);
  static HRESULT GetString(BSTR* out, const std::wstring& value);

  HWND frame_;
  std::wstring url_;
  std::wstring title_;
  std::wstring statusText_;
  bool visible_ = true;
  bool quit_ = false;
  std::vector<Navigation> navigations_;
  com::ComPtr<IDispatch> document_;
  HRESULT documentFailure_ = S_OK;
  std::unique_ptr<ConnectionPoint> events_;
  std::vector<std::pair<std::wstring, com::ComPtr<WebBrowser>>> frames_;
};

}  // namespace standins

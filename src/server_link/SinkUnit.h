// A small reusable event sink: TBaseEventHandler advises an IDispatch on any
// connection-point source, and TWebBrowserEventHandler turns the browser
// window's DWebBrowserEvents2 calls into callbacks of the form that owns it.
#pragma once

#include <functional>
#include <utility>

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"

namespace vorn {

// Reference counted: it lives as long as someone holds an interface
// reference, its owner and the source it is advised on alike, so an owner
// drops its reference and never frees it. Made only through Create.
class TBaseEventHandler : public com::ComObject<IDispatch> {
  VORN_INTERFACE_TABLE_BEGIN(TBaseEventHandler)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  // Constructs a T with args and hands out its first reference. The
  // constructors run with one reference already counted, so that a reference
  // taken and dropped while they run cannot free the object half made; that
  // count goes when construction is over and the owner's reference stays.
  template <class T, class... Args>
  static com::ComPtr<T> Create(Args&&... args);

  // Advises this sink on source's connection point for eventIID; with setIID,
  // QueryInterface answers eventIID from now on. Replaces the source without
  // undoing an earlier advice (Disconnect first to reconnect). False for a null
  // source, a connection point the source does not have or an advice it refuses
  // (a connection point found is kept until Disconnect); com::ComError
  // E_NOINTERFACE "Interface not supported" for a source without connection
  // points, which stays referenced until Disconnect.
  bool Connect(IUnknown* source, REFIID eventIID, bool setIID);
  // Unadvises when advised and lets go of the connection point and the source;
  // safe on a sink that never connected. The result of the unadvice is ignored.
  void Disconnect();

  IUnknown* Source() const { return FSource.Get(); }
  IConnectionPoint* CP() const { return FCP.Get(); }
  DWORD Cookie() const { return FCookie; }
  const IID& EventIID() const { return FEventIID; }

  // IUnknown: the table's interfaces and FEventIID, answered with IDispatch.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  // IDispatch: events are invoked by DISPID only.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  // Hands the call to DoInvoke. Nothing a handler raises reaches the caller:
  // it gets the failure's code instead (E_UNEXPECTED for anything but a
  // ComError or an allocation failure). Flags, locale, result and exception
  // information are not used.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 protected:
  TBaseEventHandler();
  ~TBaseEventHandler() override;

  // One event. params is never null, and its rgvarg holds cArgs variants;
  // *argErr (when argErr is set) names the rgvarg index of an argument refused.
  virtual HRESULT DoInvoke(DISPID dispId, DISPPARAMS* params, UINT* argErr) = 0;

 private:
  com::ComPtr<IUnknown> FSource;
  com::ComPtr<IConnectionPoint> FCP;
  DWORD FCookie = 0;
  IID FEventIID;
};

class TWebBrowserEventHandler;

// Handlers get the sink as Sender, the browser (or frame) the event is about
// as pDisp, and the caller's own variables by reference: a BeforeNavigate2
// handler cancels the navigation by setting *Cancel.
using TBeforeNavigate2Event =
    std::function<void(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                       VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers, VARIANT_BOOL* Cancel)>;
using TNavigateComplete2Event = std::function<void(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL)>;
using TDocumentCompleteEvent = std::function<void(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL)>;
using TWebBrowserNotifyEvent = std::function<void(TWebBrowserEventHandler* Sender)>;

// The browser window's events. A call is checked against the event's
// declared arguments before any handler runs: the exact count
// (DISP_E_BADPARAMCOUNT), positional only (DISP_E_NONAMEDARGS), pDisp a
// VT_DISPATCH, the others by-reference variants (VT_BYREF | VT_VARIANT) and
// Cancel a by-reference VT_BOOL, each by-reference one with an address
// (DISP_E_TYPEMISMATCH, naming the argument). pDisp must be VT_DISPATCH
// itself: handlers compare it with the browser they were given, and an
// IUnknown would need a query that changes the pointer they compare. Events
// without arguments read none, whatever the caller passes.
class TWebBrowserEventHandler : public TBaseEventHandler {
  friend class TBaseEventHandler;

 public:
  void SetBeforeNavigate2(TBeforeNavigate2Event handler) { FBeforeNavigate2 = std::move(handler); }
  void SetNavigateComplete2(TNavigateComplete2Event handler) { FNavigateComplete2 = std::move(handler); }
  void SetDocumentComplete(TDocumentCompleteEvent handler) { FDocumentComplete = std::move(handler); }
  void SetQuit(TWebBrowserNotifyEvent handler) { FQuit = std::move(handler); }

  // The same, from a method of the receiving object.
  template <class Code, class Receiver>
  void SetBeforeNavigate2(Code code, Receiver* receiver) { SetBeforeNavigate2(std::bind_front(code, receiver)); }
  template <class Code, class Receiver>
  void SetNavigateComplete2(Code code, Receiver* receiver) { SetNavigateComplete2(std::bind_front(code, receiver)); }
  template <class Code, class Receiver>
  void SetDocumentComplete(Code code, Receiver* receiver) { SetDocumentComplete(std::bind_front(code, receiver)); }
  template <class Code, class Receiver>
  void SetQuit(Code code, Receiver* receiver) { SetQuit(std::bind_front(code, receiver)); }

 protected:
  TWebBrowserEventHandler() = default;

  // DISPIDs of the table answer S_OK, with or without a handler; any other E_NOTIMPL.
  HRESULT DoInvoke(DISPID dispId, DISPPARAMS* params, UINT* argErr) override;

 private:
  TBeforeNavigate2Event FBeforeNavigate2;
  TNavigateComplete2Event FNavigateComplete2;
  TDocumentCompleteEvent FDocumentComplete;
  TWebBrowserNotifyEvent FQuit;
  // Handled without a setter: no form listens to downloads.
  TWebBrowserNotifyEvent FDownloadBegin;
  TWebBrowserNotifyEvent FDownloadComplete;
};

template <class T, class... Args>
com::ComPtr<T> TBaseEventHandler::Create(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  com::ComPtr<T> owner(object);
  static_cast<TBaseEventHandler*>(object)->InternalRelease();
  return owner;
}

}  // namespace vorn

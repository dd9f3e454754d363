// The frame's own ear on the browser: a DWebBrowserEvents2 sink that tells
// the frame when a document has completed, whoever asked for the navigation
// (the address line or a toolbar).
#pragma once

#include <functional>

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"

namespace vornie_browser {

class BrowserEventSink : public com::ComObject<IDispatch> {
  VORN_INTERFACE_TABLE_BEGIN(BrowserEventSink)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  static com::ComPtr<BrowserEventSink> Create(std::function<void()> documentComplete);

  // Answers the event interface with its IDispatch, as event sinks do.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

 protected:
  explicit BrowserEventSink(std::function<void()> documentComplete) : documentComplete_(std::move(documentComplete)) {}

 private:
  std::function<void()> documentComplete_;
};

}  // namespace vornie_browser

// The receiving end of the archive application's events: a dispatch sink
// advised on the server's connection point, turning each event into a call
// of an assignable handler.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/forms/TComponent.h"

namespace vorn {

// A sink for any source that offers a dispatch event interface through
// connection points. It is not reference counted: the owner frees it, after
// cutting the source's references to it.
class TZRStowlyEventsBaseSink : public forms::TComponent, public IDispatch {
 public:
  explicit TZRStowlyEventsBaseSink(forms::TComponent* owner);
  ~TZRStowlyEventsBaseSink() override;

  // Advises this sink on the source's connection point for FSinkIID
  // (disconnecting first). com::ComError "Unable to connect <name>.\r<reason>"
  // when any step fails.
  void Connect(IUnknown* source);
  // Unadvises; errors are not passed on and the sink is not connected afterwards.
  void Disconnect();
  bool Connected() const { return static_cast<bool>(FSource); }

  // IUnknown: not counted (AddRef answers 2, Release 1).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  // IDispatch: events are invoked by DISPID only.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  DWORD FCookie = 0;
  com::ComPtr<IConnectionPoint> FCP;
  GUID FSinkIID{};
  com::ComPtr<IUnknown> FSource;

 protected:
  // One event. `argMap[k]` is the index in params.rgvarg of the event's
  // declared argument k; it has params.cArgs entries, every one valid.
  virtual HRESULT DoInvoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, const std::vector<UINT>& argMap,
                           DISPPARAMS& params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;

  // The name the sink's errors give for its class: a literal, so that Invoke
  // can hold it past a handler that frees the sink.
  virtual const wchar_t* SinkClassName() const { return L"TZRStowlyEventsBaseSink"; }
};

class TZRStowlyIGUIServerEvents;

using TIGUIServerEventsOnQuitEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender)>;
using TIGUIServerEventsOnRefreshHighlightEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender)>;
using TIGUIServerEventsOnDocumentDataChangeEvent =
    std::function<void(TZRStowlyIGUIServerEvents* Sender, LONG AID, VARIANT_BOOL APresent,
                       const std::wstring& AComments, LONG AStatus, LONG ARating)>;
using TIGUIServerEventsOnSettingsChangeEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender)>;
using TIGUIServerEventsOnFunctionalityChangeEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender)>;
using TIGUIServerEventsOnQuickGroupChangeEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender)>;
using TIGUIServerEventsOnFFSettingsChangeEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender, LONG AValue)>;
using TIGUIServerEventsOnFFLoginEvent = std::function<void(TZRStowlyIGUIServerEvents* Sender, VARIANT_BOOL AValue)>;

// The sink of the archive application's eight events.
class TZRStowlyIGUIServerEvents : public TZRStowlyEventsBaseSink {
 public:
  explicit TZRStowlyIGUIServerEvents(forms::TComponent* owner);

  TIGUIServerEventsOnQuitEvent OnQuit;
  TIGUIServerEventsOnRefreshHighlightEvent OnRefreshHighlight;
  TIGUIServerEventsOnDocumentDataChangeEvent OnDocumentDataChange;
  TIGUIServerEventsOnSettingsChangeEvent OnSettingsChange;
  TIGUIServerEventsOnFunctionalityChangeEvent OnFunctionalityChange;
  TIGUIServerEventsOnQuickGroupChangeEvent OnQuickGroupChange;
  TIGUIServerEventsOnFFSettingsChangeEvent OnFFSettingsChange;
  TIGUIServerEventsOnFFLoginEvent OnFFLogin;

 protected:
  HRESULT DoInvoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, const std::vector<UINT>& argMap,
                   DISPPARAMS& params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;
  const wchar_t* SinkClassName() const override { return L"TZRStowlyIGUIServerEvents"; }
};

}  // namespace vorn

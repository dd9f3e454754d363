// The band object the browser hosts in its toolbar area, and the base of the
// forms shown in bands.
#pragma once

#include <memory>
#include <string>

#include "platform/browser/BandInterfaces.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/forms/TForm.h"

namespace vorn {

class TIEBand;
class TIEBandForm;

// What GetFormClass answers: the form descendant a band creates.
using TIEBandFormClass = TIEBandForm* (*)(TIEBand* band);

// Base of every band form: a borderless child of the band site's window,
// listed in ProcessIEBands from the end of CreateForBand until it is freed,
// so that it hears when a window of its thread is activated.
class TIEBandForm : public forms::TForm {
 public:
  ~TIEBandForm() override;

  // The standard construction: builds the form and its layout, dropping any
  // failure of the layout, so that a form object always comes back.
  template <class TFormClass>
  static TFormClass* Create(forms::TComponent* owner);

  // The construction a band uses: builds the form as a child of the band's
  // site window, lists it for activation news, then runs its creation
  // handler. Returns the form even when a descendant's construction failed
  // (it is then not listed).
  template <class TFormClass>
  static TIEBandForm* CreateForBand(TIEBand* band);

  // The band that hosts the form (null for a form made without one).
  TIEBand* Band() const { return FBand; }

  // The text a hint window shows for a child control.
  virtual std::wstring GetHintText(forms::TControl* control);
  // A window of the form's thread was activated (true) or deactivated.
  virtual void ActivationChanged(bool active);

 protected:
  explicit TIEBandForm(TIEBand* band);
  TIEBandForm(forms::TComponent* owner, HWND parentWindow);
  // The form's layout and controls; a failure here is dropped.
  virtual void BuildLayout() {}
  // Descendants put construction that may fail here (joining per-thread
  // services, say); a failure leaves the form unlisted. Their creation
  // handler (FormCreate) runs after it and after the listing, last.
  virtual void ConstructForBand() {}

 private:
  void BuildLayoutDroppingFailures();
  static TIEBandForm* FinishCreateForBand(TIEBandForm* form);

  TIEBand* FBand = nullptr;
};

#define VORN_IEBAND_INTERFACE_ENTRIES \
  VORN_ENTRY(IDeskBand)               \
  VORN_ENTRY(IDockingWindow)          \
  VORN_ENTRY(IObjectWithSite)         \
  VORN_ENTRY(IInputObject)            \
  VORN_ENTRY(IPersistStream)          \
  VORN_ENTRY(ISupportErrorInfo)       \
  VORN_ENTRY(IProvideClassInfo)

class TIEBand : public com::ComObject<IDeskBand, IObjectWithSite, IInputObject, IPersistStream, ISupportErrorInfo,
                                      IProvideClassInfo> {
 public:
  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppv) override;
  // IOleWindow / IDockingWindow / IDeskBand
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowDW(BOOL fShow) override;
  HRESULT STDMETHODCALLTYPE CloseDW(DWORD dwReserved) override;
  HRESULT STDMETHODCALLTYPE ResizeBorderDW(const RECT*, IUnknown*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) override;
  // IInputObject
  HRESULT STDMETHODCALLTYPE UIActivateIO(BOOL fActivate, MSG* pMsg) override;
  HRESULT STDMETHODCALLTYPE HasFocusIO() override { return FHasFocus ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE TranslateAcceleratorIO(MSG*) override { return S_FALSE; }
  // IPersist / IPersistStream: the band keeps no persistent state.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;
  // IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override;

  // For the hosted form.
  void NotifyBandInfoChanged();
  TIEBandForm* Form() const { return FForm.get(); }
  // The browser window that hosts the band, from SetSite until the site goes.
  IWebBrowser2* WebBrowser() const { return FWebBrowser.Get(); }
  // The site's window, the parent of the band's form.
  HWND ParentWindow() const { return FParentWnd; }

 protected:
  TIEBand() = default;
  ~TIEBand() override;

  virtual GUID GetBandClassID() = 0;
  virtual TIEBandFormClass GetFormClass() = 0;
  virtual std::wstring GetTitle() = 0;
  virtual LONG GetMinWidth() = 0;
  virtual LONG GetMinHeight() = 0;
  virtual LONG GetMaxWidth() = 0;
  virtual LONG GetMaxHeight() = 0;
  virtual LONG GetActualWidth() = 0;
  virtual LONG GetActualHeight() = 0;
  virtual DWORD GetModeFlags() = 0;

 private:
  bool CreateForm();
  void DestroyForm(bool unhookFirst);
  void BandWindowProc(forms::TMessage& message);
  void FocusChanged(bool focused);

  com::ComPtr<IInputObjectSite> FSite;
  HWND FParentWnd = nullptr;
  com::ComPtr<IOleCommandTarget> FCommandTarget;
  com::ComPtr<IWebBrowser2> FWebBrowser;
  bool FHasFocus = false;
  DWORD FBandID = 0;
  forms::TWndMethod FOldWindowProc;
  std::unique_ptr<TIEBandForm> FForm;
};

template <class TFormClass>
TFormClass* TIEBandForm::Create(forms::TComponent* owner) {
  auto* form = new TFormClass(owner);
  form->BuildLayoutDroppingFailures();
  return form;
}

template <class TFormClass>
TIEBandForm* TIEBandForm::CreateForBand(TIEBand* band) {
  return FinishCreateForBand(new TFormClass(band));
}

}  // namespace vorn

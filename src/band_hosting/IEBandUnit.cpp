#include "band_hosting/IEBandUnit.h"

#include <algorithm>
#include <cwchar>

#include "band_hosting/IEBandRegistry.h"
#include "platform/com/Boundary.h"
#include "platform/com/ClassInfo.h"
#include "platform/com/Variant.h"

namespace vorn {

// ------------------------------------------------------------------ TIEBandForm

TIEBandForm::TIEBandForm(TIEBand* band) : forms::TForm(nullptr, band ? band->ParentWindow() : nullptr), FBand(band) {}

TIEBandForm::TIEBandForm(forms::TComponent* owner, HWND parentWindow) : forms::TForm(owner, parentWindow) {}

TIEBandForm::~TIEBandForm() {
  if (ProcessIEBands) ProcessIEBands->RemoveBandForm(this);
}

void TIEBandForm::BuildLayoutDroppingFailures() {
  try {
    BuildLayout();
  } catch (...) {
    // What was built stays, owned by the form; the rest of the layout is missing.
  }
}

TIEBandForm* TIEBandForm::FinishCreateForBand(TIEBandForm* form) {
  std::unique_ptr<TIEBandForm> owned(form);
  form->BuildLayoutDroppingFailures();
  bool constructed = true;
  try {
    form->ConstructForBand();
  } catch (...) {
    // A descendant that could not finish still yields a form the band owns,
    // but one that nobody tells of activation.
    constructed = false;
  }
  if (constructed && ProcessIEBands) ProcessIEBands->AddBandForm(form);
  form->DoCreate();
  return owned.release();
}

std::wstring TIEBandForm::GetHintText(forms::TControl*) { return {}; }

void TIEBandForm::ActivationChanged(bool) {}

// ------------------------------------------------------------------ TIEBand

TIEBand::~TIEBand() {
  // A host that releases the band without CloseDW would otherwise leave a
  // form behind that still points at this band. Unhook first: a focus
  // report now would hand the site an object whose count is already zero.
  DestroyForm(/*unhookFirst=*/true);
}

// Every method of the band answers the browser; none lets a failure through.

HRESULT TIEBand::SetSite(IUnknown* site) {
  return com::Boundary(com::MustAnswer(E_FAIL), [&] {
    FWebBrowser.Reset();
    FCommandTarget.Reset();
    FSite.Reset();
    if (!site) return S_OK;

    FParentWnd = nullptr;
    if (auto window = com::QueryAs<IOleWindow>(site)) {
      HWND wnd = nullptr;
      if (SUCCEEDED(window->GetWindow(&wnd))) FParentWnd = wnd;
    }
    if (!FParentWnd) return E_FAIL;
    if (FAILED(site->QueryInterface(com::IidOf<IInputObjectSite>(), FSite.PutVoid()))) return E_FAIL;
    if (FAILED(site->QueryInterface(com::IidOf<IOleCommandTarget>(), FCommandTarget.PutVoid()))) return E_FAIL;
    if (auto provider = FCommandTarget.As<IServiceProvider>())
      provider->QueryService(SID_SWebBrowserApp_Vorn, com::IidOf<IWebBrowser2>(), FWebBrowser.PutVoid());
    if (!FWebBrowser) return E_FAIL;
    return CreateForm() ? S_OK : E_FAIL;
  });
}

HRESULT TIEBand::GetSite(REFIID riid, void** ppv) {
  return com::Boundary(com::MustAnswer(E_FAIL), [&] {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!FSite) return E_FAIL;
    return FSite->QueryInterface(riid, ppv);
  });
}

HRESULT TIEBand::GetWindow(HWND* phwnd) {
  return com::Boundary(com::MustAnswer(E_FAIL), [&] {
    if (!phwnd) return E_POINTER;
    *phwnd = nullptr;
    if (!FForm) return E_FAIL;
    *phwnd = FForm->Handle();
    return S_OK;
  });
}

HRESULT TIEBand::ShowDW(BOOL fShow) {
  return com::Boundary(com::MustAnswer(S_OK), [&] {
    if (FForm) {
      if (fShow)
        FForm->Show();
      else
        FForm->Hide();
    }
  });
}

HRESULT TIEBand::CloseDW(DWORD) {
  ShowDW(FALSE);
  return com::Boundary(com::MustAnswer(S_OK), [&] {
    DestroyForm(/*unhookFirst=*/false);
  });
}

HRESULT TIEBand::GetBandInfo(DWORD dwBandID, DWORD, DESKBANDINFO* pdbi) {
  return com::Boundary(com::MustAnswer(S_OK), [&] {
    FBandID = dwBandID;
    if (!pdbi) return;
    if (pdbi->dwMask & DBIM_MINSIZE) pdbi->ptMinSize = {GetMinWidth(), GetMinHeight()};
    if (pdbi->dwMask & DBIM_MAXSIZE) pdbi->ptMaxSize = {GetMaxWidth(), GetMaxHeight()};
    if (pdbi->dwMask & DBIM_INTEGRAL) pdbi->ptIntegral = {1, 1};
    if (pdbi->dwMask & DBIM_ACTUAL) pdbi->ptActual = {GetActualWidth(), GetActualHeight()};
    if (pdbi->dwMask & DBIM_TITLE) {
      // Bounded by the field: a title never overruns the browser's buffer.
      const std::wstring title = GetTitle();
      constexpr size_t kCapacity = sizeof(pdbi->wszTitle) / sizeof(pdbi->wszTitle[0]);
      const size_t n = std::min(title.size(), kCapacity - 1);
      std::wmemcpy(pdbi->wszTitle, title.data(), n);
      pdbi->wszTitle[n] = L'\0';
    }
    if (pdbi->dwMask & DBIM_MODEFLAGS) pdbi->dwModeFlags = GetModeFlags();
    if (pdbi->dwMask & DBIM_BKCOLOR) pdbi->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
  });
}

HRESULT TIEBand::UIActivateIO(BOOL fActivate, MSG*) {
  return com::Boundary(com::MustAnswer(S_OK), [&] {
    if (fActivate && FForm && FForm->CanFocus()) FForm->SetFocus();
  });
}

HRESULT TIEBand::GetClassID(CLSID* pClassID) {
  return com::Boundary(com::MustAnswer(E_FAIL), [&] {
    if (!pClassID) return E_POINTER;
    *pClassID = GetBandClassID();
    return S_OK;
  });
}

HRESULT TIEBand::InterfaceSupportsErrorInfo(REFIID riid) {
  return com::Boundary(com::MustAnswer(S_FALSE), [&] { return HasInterface(riid) ? S_OK : S_FALSE; });
}

HRESULT TIEBand::GetClassInfo(ITypeInfo** ppTI) {
  return com::Boundary(com::MustAnswer(E_FAIL), [&] { return com::GetCoClassTypeInfo(GetBandClassID(), ppTI); });
}

void TIEBand::NotifyBandInfoChanged() {
  if (!FCommandTarget) return;
  com::Variant in(static_cast<LONG>(FBandID));
  com::Variant out;
  FCommandTarget->Exec(&CGID_DeskBand, DBID_BANDINFOCHANGED, OLECMDEXECOPT_DODEFAULT, in.Ptr(), out.Ptr());
}

bool TIEBand::CreateForm() {
  if (FForm) return true;
  if (!FParentWnd) return false;
  try {
    TIEBandFormClass formClass = GetFormClass();
    FForm.reset(formClass(this));
    // A parent window that cannot hold a child (one already destroyed, say)
    // fails here rather than at the browser's first GetWindow.
    if (FForm) FForm->HandleNeeded();
  } catch (...) {
    FForm.reset();
    return false;
  }
  if (!FForm) return false;
  FOldWindowProc = FForm->WindowProc;
  FForm->WindowProc = [this](forms::TMessage& message) { BandWindowProc(message); };
  return true;
}

void TIEBand::DestroyForm(bool unhookFirst) {
  if (!FForm) return;
  // While the band lives, the focus loss of a closing form is still reported.
  if (unhookFirst) FForm->WindowProc = FOldWindowProc;
  FForm.reset();
  FOldWindowProc = nullptr;
}

void TIEBand::BandWindowProc(forms::TMessage& message) {
  if (message.Msg == WM_SETFOCUS)
    FocusChanged(true);
  else if (message.Msg == WM_KILLFOCUS)
    FocusChanged(false);
  if (FOldWindowProc) FOldWindowProc(message);
}

void TIEBand::FocusChanged(bool focused) {
  FHasFocus = focused;
  if (FSite) FSite->OnFocusChangeIS(Identity(), focused ? static_cast<BOOL>(-1) : FALSE);
}

}  // namespace vorn

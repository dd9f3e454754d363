#include "bho_gui/VornBHOGUIUnit.h"

#include "platform/com/ComTypes.h"
#include "type_library/VornIEGUITypeLib.h"

namespace vorn {
namespace {

// Window handles cross the interface as 32-bit numbers (sign-extended on 64-bit Windows).
HWND WindowOf(LONG handle) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle)); }

}  // namespace

TVornBHOGUI::TVornBHOGUI() : AutoObject(VornIEGUITypeLibModel(), CLSID_VornBHOGUI) {
  try {
    FModule.reset(new TGUIDataModule(nullptr));
  } catch (...) {
    // Without its module the object answers every call with S_OK and does nothing.
  }
}

TVornBHOGUI::~TVornBHOGUI() = default;

HRESULT TVornBHOGUI::MouseOverLink(LONG HWND_, LONG X, LONG Y, BSTR URL, IUnknown* StowlyServer) {
  return Boundary(com::MayFail, [&] {
    if (FModule) FModule->ShowLinkHint(WindowOf(HWND_), X, Y, URL ? std::wstring(URL, SysStringLen(URL)) : std::wstring(), StowlyServer);
    return S_OK;
  });
}

HRESULT TVornBHOGUI::MouseOutLink() {
  return Boundary(com::MayFail, [&] {
    if (FModule) FModule->HideLinkHint();
    return S_OK;
  });
}

HRESULT TVornBHOGUI::MouseMove(LONG X, LONG Y) {
  return Boundary(com::MayFail, [&] {
    if (FModule) FModule->MoveLinkHint(X, Y);
    return S_OK;
  });
}

HRESULT TVornBHOGUI::ShowOurAdvertising(LONG HWND_, IUnknown* MainServer) {
  return Boundary(com::MayFail, [&] {
    if (FModule) FModule->ShowAdvertising(WindowOf(HWND_), MainServer);
    return S_OK;
  });
}

HRESULT CreateVornBHOGUI(REFIID riid, void** ppv) { return com::CreateObject<TVornBHOGUI>(riid, ppv); }

}  // namespace vorn

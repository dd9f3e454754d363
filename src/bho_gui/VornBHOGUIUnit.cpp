#include "bho_gui/VornBHOGUIUnit.h"

#include "type_library/VornIEGUITypeLib.h"

namespace vorn {

TVornBHOGUI::TVornBHOGUI() : AutoObject(VornIEGUITypeLibModel(), CLSID_VornBHOGUI) {}

// The hint window and its data module are not part of this object yet: every method reports E_NOTIMPL.

HRESULT TVornBHOGUI::MouseOverLink(LONG, LONG, LONG, BSTR, IUnknown*) {
  return Boundary(com::MayFail, [] { return E_NOTIMPL; });
}

HRESULT TVornBHOGUI::MouseOutLink() {
  return Boundary(com::MayFail, [] { return E_NOTIMPL; });
}

HRESULT TVornBHOGUI::MouseMove(LONG, LONG) {
  return Boundary(com::MayFail, [] { return E_NOTIMPL; });
}

HRESULT TVornBHOGUI::ShowOurAdvertising(LONG, IUnknown*) {
  return Boundary(com::MayFail, [] { return E_NOTIMPL; });
}

HRESULT CreateVornBHOGUI(REFIID riid, void** ppv) { return com::CreateObject<TVornBHOGUI>(riid, ppv); }

}  // namespace vorn
